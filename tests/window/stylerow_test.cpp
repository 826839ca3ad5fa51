// The style tool row: the default-style reset at start-up, the font and size pop-ups, the three
// toggles on a mixed selection, a press in the editor showing a character's style, and Set
// Default Style.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTextCursor>
#include <QToolButton>
#include <QTextEdit>

#include "journalfixture.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/text/fontfamily.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/rectangle.h"
#include "store/module1.h"
#include "store/module1style.h"
#include "window/window1.h"

namespace {

using fw::Color;
using fw::RGB;

class StyleRow : public JournalTest {
 protected:
  Window1* Start() {
    w_ = StartProgram();
    EXPECT_NE(w_, nullptr);
    return w_;
  }
  fw::EditField& Ef() { return w_->EF1(); }
  fw::BevelButton& Bevel(const char* name) { return w_->BevelNamed(name); }
  Color Swatch() { return w_->RectNamed("ColorRect").FillColor(); }

  void Select(int start, int length) {
    Ef().SetSelStart(start);
    Ef().SetSelLength(length);
  }
  struct Run {
    QString font;
    int size;
    bool bold, italic, underline;
    Color color;
  };
  // Styles [start, start + length) directly, as text loaded from a file would be.
  void Style(int start, int length, const Run& r) {
    Select(start, length);
    Ef().SetSelTextFont(r.font);
    Ef().SetSelTextSize(r.size);
    Ef().SetSelBold(r.bold);
    Ef().SetSelItalic(r.italic);
    Ef().SetSelUnderline(r.underline);
    Ef().SetSelTextColor(r.color);
  }
  // The press point, in the editor's coordinates, of the caret position `offset`.
  QPoint PointAt(int offset) {
    QTextEdit* te = Ef().TextEdit();
    QTextCursor c(te->document());
    c.setPosition(offset);
    return te->viewport()->mapTo(te, te->cursorRect(c).center());
  }
  bool PressAt(int offset) {
    const QPoint p = PointAt(offset);
    EXPECT_EQ(Ef().CharPosAtXY(p.x(), p.y()), offset) << "press point of offset " << offset;
    return w_->EF1_MouseDown(p.x(), p.y());
  }

  Window1* w_ = nullptr;
};

TEST_F(StyleRow, NoDefaultStyleGivesArial12PlainBlack) {
  Start();
  EXPECT_EQ(Bevel("FontMenu").Caption(), "Arial");
  EXPECT_EQ(Bevel("SizeMenu").Caption(), "12");
  EXPECT_FALSE(Bevel("BoldButton").Value());
  EXPECT_FALSE(Bevel("ItalicButton").Value());
  EXPECT_FALSE(Bevel("UnderlineButton").Value());
  EXPECT_EQ(Swatch(), fw::kBlack);
  EXPECT_EQ(Module1::MyFont, "Arial");
  EXPECT_EQ(Module1::MySize, 12);
  EXPECT_EQ(Module1::MyColor, fw::kBlack);
  // What is typed first takes the base style.
  Ef().SetText("x");
  const fw::TextStyle s = Ef().StyleAt(0);
  EXPECT_EQ(s.Font, "Arial");
  EXPECT_EQ(s.Size, 12);
  EXPECT_FALSE(s.Bold);
  EXPECT_EQ(s.TextColor, fw::kBlack);
}

TEST_F(StyleRow, DefaultFlagsAreOnOnlyForTrueInAnyCase) {
  Start();
  struct Case {
    QString value;
    bool on;
  };
  const Case cases[] = {{"", false}, {"False", false}, {"True", true}, {"TRUE", true}, {"true", true}, {"yes", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.toStdString());
    Module1::DefaultBold = Module1::DefaultItalic = Module1::DefaultUnderline = c.value;
    Module1::resetStyle();
    EXPECT_EQ(Bevel("BoldButton").Value(), c.on);
    EXPECT_EQ(Bevel("ItalicButton").Value(), c.on);
    EXPECT_EQ(Bevel("UnderlineButton").Value(), c.on);
    Ef().SetText("x");
    const fw::TextStyle s = Ef().StyleAt(0);
    EXPECT_EQ(s.Bold, c.on);
    EXPECT_EQ(s.Italic, c.on);
    EXPECT_EQ(s.Underline, c.on);
  }
}

TEST_F(StyleRow, StoredSizeOutsideThePopUpIsShownAndApplied) {
  WriteData("Tavrin-DefaultStyle.txt",
            "DefaultFont: \tCourier\nDefaultSize: \t11\nDefaultBold: \tTrue\nDefaultItalic: \tFalse\n"
            "DefaultUnderline: \tFalse\nDefaultColor: \t255\t0\t0\n");
  Start();
  EXPECT_EQ(Bevel("SizeMenu").Caption(), "11");
  EXPECT_EQ(Bevel("FontMenu").Caption(), "Courier");
  EXPECT_EQ(Module1::MySize, 11);
  EXPECT_EQ(Module1::MyFont, "Courier");
  EXPECT_TRUE(Bevel("BoldButton").Value());
  EXPECT_EQ(Ef().BaseFormat().fontPointSize(), 11);
  Ef().SetText("x");
  EXPECT_EQ(Ef().StyleAt(0).Size, 11);
  EXPECT_EQ(Ef().StyleAt(0).TextColor, fw::kBlack) << "the stored colour does not apply at start-up";
}

// A font's name with "&" is shown as it is, not as a shortcut mark, and stored unchanged.
TEST_F(StyleRow, AFontNameWithAnAmpersandIsShownAndStoredAsItIs) {
  WriteData("Tavrin-DefaultStyle.txt",
            "DefaultFont: \tBlack & White\nDefaultSize: \t12\nDefaultBold: \tFalse\nDefaultItalic: \tFalse\n"
            "DefaultUnderline: \tFalse\nDefaultColor: \t0\t0\t0\n");
  Start();
  fw::BevelButton& fonts = Bevel("FontMenu");
  EXPECT_EQ(fonts.Caption(), "Black & White");
  EXPECT_EQ(fonts.Button()->text(), "Black && White");
  fonts.AddRow("Salt & Pepper");
  const QList<QAction*> rows = fonts.Button()->menu()->actions();
  ASSERT_FALSE(rows.isEmpty());
  EXPECT_EQ(rows.last()->text(), "Salt && Pepper");
  EXPECT_EQ(fonts.List(fonts.ListCount() - 1), "Salt & Pepper");
  fonts.ChooseRow(fonts.ListCount() - 1);
  EXPECT_EQ(fonts.Caption(), "Salt & Pepper");
  Module1::saveDefaultStyle();
  EXPECT_TRUE(ReadData("Tavrin-DefaultStyle.txt").startsWith("DefaultFont: \tSalt & Pepper\n"));
}

TEST_F(StyleRow, PopUpRowsAreTheFontsAndSevenSizes) {
  Start();
  fw::BevelButton& fonts = Bevel("FontMenu");
  ASSERT_EQ(fonts.ListCount(), fw::FontCount());
  for (int i = 0; i < fw::FontCount(); ++i) EXPECT_EQ(fonts.List(i), fw::Font(i)) << i;
  fw::BevelButton& sizes = Bevel("SizeMenu");
  const QStringList expected = {"9", "10", "12", "14", "18", "24", "36"};
  ASSERT_EQ(sizes.ListCount(), expected.size());
  for (int i = 0; i < sizes.ListCount(); ++i) EXPECT_EQ(sizes.List(i), expected[i]);
}

TEST_F(StyleRow, ChoosingASizeSetsTheSelectionOnly) {
  Start();
  Ef().SetText("abcdef");
  Select(1, 3);
  fw::BevelButton& sizes = Bevel("SizeMenu");
  int row = -1;
  for (int i = 0; i < sizes.ListCount(); ++i)
    if (sizes.List(i) == "24") row = i;
  ASSERT_GE(row, 0);
  sizes.ChooseRow(row);
  EXPECT_EQ(sizes.Caption(), "24");
  EXPECT_EQ(Module1::MySize, 24);
  const int expected[] = {12, 24, 24, 24, 12, 12};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Ef().StyleAt(i).Size, expected[i]) << i;
}

TEST_F(StyleRow, ChoosingAFontSetsTheSelectionAndTheTypingFont) {
  Start();
  Ef().SetText("abcdef");
  Select(0, 2);
  fw::BevelButton& fonts = Bevel("FontMenu");
  ASSERT_GT(fonts.ListCount(), 0);
  const int row = fonts.ListCount() - 1;
  fonts.ChooseRow(row);
  EXPECT_EQ(fonts.Caption(), fonts.List(row));
  EXPECT_EQ(Module1::MyFont, fonts.List(row));
  EXPECT_EQ(Ef().StyleAt(0).Font, fonts.List(row));
  EXPECT_EQ(Ef().StyleAt(1).Font, fonts.List(row));
  EXPECT_EQ(Ef().StyleAt(2).Font, "Arial");
}

TEST_F(StyleRow, ToggleGivesAMixedSelectionOneFontAndSizeAndKeepsColours) {
  Start();
  const Color red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  Ef().SetText("abcdef");
  Style(0, 3, {"Courier", 18, false, false, true, red});
  Style(3, 3, {"Times", 9, false, true, false, blue});
  Select(0, 6);
  Bevel("ItalicButton").SetValue(true);  // as the row stands; not pressed
  Bevel("UnderlineButton").SetValue(false);
  Bevel("BoldButton").Click();
  ASSERT_TRUE(Bevel("BoldButton").Value());
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const fw::TextStyle s = Ef().StyleAt(i);
    EXPECT_EQ(s.Font, Module1::MyFont);
    EXPECT_EQ(s.Size, Module1::MySize);
    EXPECT_TRUE(s.Bold);
    EXPECT_TRUE(s.Italic);
    EXPECT_FALSE(s.Underline);
    EXPECT_EQ(s.TextColor, i < 3 ? red : blue);
  }
  EXPECT_EQ(Ef().SelStart(), 0);
  EXPECT_EQ(Ef().SelLength(), 6);

  Bevel("BoldButton").Click();
  EXPECT_FALSE(Bevel("BoldButton").Value());
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(Ef().StyleAt(i).Bold) << i;
}

TEST_F(StyleRow, PressShowsTheStyleOfTheCharacterBeforeIt) {
  Start();
  const Color red = RGB(255, 0, 0), green = RGB(0, 128, 0);
  Ef().SetText("abcdef");
  Style(0, 3, {"Courier", 18, true, false, true, red});
  Style(3, 3, {"Times", 9, false, true, true, green});
  Select(0, 0);
  Module1::MyColor = RGB(1, 2, 3);

  // At the very start there is no character before the press: nothing changes.
  EXPECT_FALSE(PressAt(0));
  EXPECT_EQ(Bevel("FontMenu").Caption(), "Arial");
  EXPECT_EQ(Bevel("SizeMenu").Caption(), "12");
  EXPECT_FALSE(Bevel("BoldButton").Value());
  EXPECT_FALSE(Bevel("UnderlineButton").Value());
  EXPECT_EQ(Swatch(), fw::kBlack);
  EXPECT_EQ(Module1::MyFont, "Arial");
  EXPECT_EQ(Module1::MySize, 12);

  struct Case {
    int offset;
    QString font, size;
    int mySize;
    bool bold, italic, underline;
    Color swatch;
  };
  const Case cases[] = {
      {2, "Courier", "18", 18, true, false, true, red},  // inside the red run
      {3, "Courier", "18", 18, true, false, true, red},  // the last red character
      {4, "Times", "9", 9, false, true, true, green},
      {6, "Times", "9", 9, false, true, true, green},    // after the last character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_FALSE(PressAt(c.offset));
    EXPECT_EQ(Bevel("FontMenu").Caption(), c.font);
    EXPECT_EQ(Module1::MyFont, c.font);
    EXPECT_EQ(Bevel("SizeMenu").Caption(), c.size);
    EXPECT_EQ(Module1::MySize, c.mySize);
    EXPECT_EQ(Bevel("BoldButton").Value(), c.bold);
    EXPECT_EQ(Bevel("ItalicButton").Value(), c.italic);
    EXPECT_EQ(Bevel("UnderlineButton").Value(), c.underline);
    EXPECT_EQ(Swatch(), c.swatch);
    EXPECT_EQ(Module1::MyColor, RGB(1, 2, 3)) << "a press never changes the typing colour";
  }
  // The press applied nothing to the text.
  EXPECT_EQ(Ef().StyleAt(0).Font, "Courier");
  EXPECT_EQ(Ef().StyleAt(5).TextColor, green);
}

TEST_F(StyleRow, AfterAPressInRedTextAStyleCommandDoesNotRecolour) {
  Start();
  const Color red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  Ef().SetText("abcdef");
  Style(0, 3, {"Arial", 12, false, false, false, red});
  Style(3, 3, {"Arial", 12, false, false, false, blue});
  PressAt(2);
  EXPECT_EQ(Swatch(), red);
  EXPECT_EQ(Module1::MyColor, fw::kBlack);
  Select(3, 3);
  Bevel("ItalicButton").Click();
  for (int i = 3; i < 6; ++i) {
    EXPECT_TRUE(Ef().StyleAt(i).Italic) << i;
    EXPECT_EQ(Ef().StyleAt(i).TextColor, blue) << i;
  }
}

TEST_F(StyleRow, SetDefaultStyleWritesTheRowAndKeepsTheDefaults) {
  Start();
  const QString font = Module1::DefaultFont, bold = Module1::DefaultBold, italic = Module1::DefaultItalic,
                underline = Module1::DefaultUnderline;
  const int size = Module1::DefaultSize;
  const Color color = Module1::DefaultColor;

  Bevel("FontMenu").SetCaption("Courier");
  Bevel("SizeMenu").SetCaption("18");
  Bevel("BoldButton").SetValue(true);
  w_->RectNamed("ColorRect").SetFillColor(RGB(255, 0, 0));
  w_->ButtonNamed("SetDefault").Push();
  EXPECT_EQ(ReadData("Tavrin-DefaultStyle.txt"),
            QByteArray("DefaultFont: \tCourier\nDefaultSize: \t18\nDefaultBold: \tTrue\nDefaultItalic: \tFalse\n"
                       "DefaultUnderline: \tFalse\nDefaultColor: \t255\t0\t0\n"));
  EXPECT_EQ(Module1::DefaultFont, font);
  EXPECT_EQ(Module1::DefaultSize, size);
  EXPECT_EQ(Module1::DefaultBold, bold);
  EXPECT_EQ(Module1::DefaultItalic, italic);
  EXPECT_EQ(Module1::DefaultUnderline, underline);
  EXPECT_EQ(Module1::DefaultColor, color);
  EXPECT_TRUE(ui().Calls().isEmpty());
}

}  // namespace
