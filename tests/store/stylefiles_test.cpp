// The section style file, the default style file and the ink pot file: exact bytes written, how
// short or odd files read back, and failed writes that must leave the old file whole.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <functional>

#include "filefaults.h"
#include "journalfixture.h"
#include "platform/controls/bevelbutton.h"
#include "platform/system/folderitem.h"
#include "platform/controls/rectangle.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

using fw::Color;
using fw::RGB;

// The style tool row as the two style files see it.
struct Row {
  QString font, size;
  bool bold = false, italic = false, underline = false;
  Color color = fw::kBlack;
};

class StyleFiles : public JournalTest {
 protected:
  void SetUp() override {
    JournalTest::SetUp();
    w_ = StartProgram();
    ASSERT_NE(w_, nullptr);
    ui().Clear();
  }

  void SetRow(const Row& r) {
    w_->BevelNamed("FontMenu").SetCaption(r.font);
    w_->BevelNamed("SizeMenu").SetCaption(r.size);
    w_->BevelNamed("BoldButton").SetValue(r.bold);
    w_->BevelNamed("ItalicButton").SetValue(r.italic);
    w_->BevelNamed("UnderlineButton").SetValue(r.underline);
    w_->RectNamed("ColorRect").SetFillColor(r.color);
  }

  void ExpectRow(const Row& r) {
    EXPECT_EQ(w_->BevelNamed("FontMenu").Caption(), r.font);
    EXPECT_EQ(w_->BevelNamed("SizeMenu").Caption(), r.size);
    EXPECT_EQ(w_->BevelNamed("BoldButton").Value(), r.bold);
    EXPECT_EQ(w_->BevelNamed("ItalicButton").Value(), r.italic);
    EXPECT_EQ(w_->BevelNamed("UnderlineButton").Value(), r.underline);
    EXPECT_EQ(w_->RectNamed("ColorRect").FillColor(), r.color);
  }

  fw::Rectangle& Pot(int n) { return w_->RectNamed("InkPot" + QString::number(n)); }

  Window1* w_ = nullptr;
};

TEST_F(StyleFiles, BothStyleFilesAreWrittenFromTheRow) {
  struct Case {
    const char* what;
    Row row;
    QByteArray section, defaults;
  };
  const Case cases[] = {
      {"bold and underline on, pure red", {"Times", "14", true, false, true, RGB(255, 0, 0)},
       "Font: \tTimes\nFont Size: \t14\nBold: \tTrue\nItalics: \tFalse\nUnderline: \tTrue\nColor: \t255\t0\t0\n",
       "DefaultFont: \tTimes\nDefaultSize: \t14\nDefaultBold: \tTrue\nDefaultItalic: \tFalse\n"
       "DefaultUnderline: \tTrue\nDefaultColor: \t255\t0\t0\n"},
      {"italic only, a mixed colour", {"DejaVu Sans", "9", false, true, false, RGB(1, 128, 254)},
       "Font: \tDejaVu Sans\nFont Size: \t9\nBold: \tFalse\nItalics: \tTrue\nUnderline: \tFalse\nColor: \t1\t128\t254\n",
       "DefaultFont: \tDejaVu Sans\nDefaultSize: \t9\nDefaultBold: \tFalse\nDefaultItalic: \tTrue\n"
       "DefaultUnderline: \tFalse\nDefaultColor: \t1\t128\t254\n"},
      {"empty captions give empty values", {"", "", false, false, false, fw::kBlack},
       "Font: \t\nFont Size: \t\nBold: \tFalse\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t0\t0\t0\n",
       "DefaultFont: \t\nDefaultSize: \t\nDefaultBold: \tFalse\nDefaultItalic: \tFalse\n"
       "DefaultUnderline: \tFalse\nDefaultColor: \t0\t0\t0\n"},
  };
  Module1::ThisSection = "Diary";
  Module1::MySection = "Other";  // writers go by ThisSection
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetRow(c.row);
    Module1::saveSectionStyle();
    Module1::saveDefaultStyle();
    EXPECT_EQ(ReadData("Tavrin-Diary-Style.txt"), c.section);
    EXPECT_EQ(ReadData("Tavrin-DefaultStyle.txt"), c.defaults);
  }
  EXPECT_FALSE(DataExists("Tavrin-Other-Style.txt"));
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(StyleFiles, SavingTheDefaultStyleLeavesTheDefaultValues) {
  Module1::DefaultFont = "Courier";
  Module1::DefaultSize = 10;
  Module1::DefaultBold = "False";
  Module1::DefaultColor = RGB(0, 0, 255);
  SetRow({"Times", "24", true, true, true, RGB(255, 0, 0)});
  Module1::saveDefaultStyle();
  EXPECT_EQ(Module1::DefaultFont, "Courier");
  EXPECT_EQ(Module1::DefaultSize, 10);
  EXPECT_EQ(Module1::DefaultBold, "False");
  EXPECT_EQ(Module1::DefaultColor, RGB(0, 0, 255));
}

TEST_F(StyleFiles, SectionStyleFileSetsTheRow) {
  struct Case {
    const char* what;
    QByteArray file;
    Row row;
    Color myColor;
  };
  const Case cases[] = {
      {"a whole file, lower-case true",
       "Font: \tTimes\nFont Size: \t18\nBold: \ttrue\nItalics: \tFalse\nUnderline: \tTRUE\nColor: \t255\t0\t0\n",
       {"Times", "18", true, false, true, RGB(255, 0, 0)}, RGB(255, 0, 0)},
      {"only two lines: captions set, toggles off, black", "Font: \tTimes\nFont Size: \t18\n",
       {"Times", "18", false, false, false, fw::kBlack}, fw::kBlack},
      {"a colour field with no number reads 0",
       "Font: \tA\nFont Size: \t9\nBold: \tFalse\nItalics: \tyes\nUnderline: \tFalse\nColor: \tred\t128\t\n",
       {"A", "9", false, false, false, RGB(0, 128, 0)}, RGB(0, 128, 0)},
      {"values are taken by position, not by key",
       "X\tTimes\tmore\nY\t 7\nZ\tTrue\n\n\nW\t1\t2\t3\n", {"Times", " 7", true, false, false, RGB(1, 2, 3)},
       RGB(1, 2, 3)},
      {"an empty file", "", {"", "", false, false, false, fw::kBlack}, fw::kBlack},
  };
  Module1::MySection = "Diary";
  Module1::ThisSection = "Other";  // readers go by MySection
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetRow({"Before", "99", true, true, true, RGB(9, 9, 9)});
    Module1::MyFont = "Kept";
    Module1::MySize = 33;
    Module1::MyColor = RGB(7, 7, 7);
    WriteData("Tavrin-Diary-Style.txt", c.file);
    Module1::getSectionStyle();
    ExpectRow(c.row);
    EXPECT_EQ(Module1::MyColor, c.myColor);
    // Loading a Section's style sets the captions only, not the typing font and size.
    EXPECT_EQ(Module1::MyFont, "Kept");
    EXPECT_EQ(Module1::MySize, 33);
  }
}

TEST_F(StyleFiles, MissingSectionStyleFileLeavesTheRow) {
  const Row before{"Before", "99", true, false, true, RGB(9, 9, 9)};
  SetRow(before);
  Module1::MyColor = RGB(7, 7, 7);
  Module1::MySection = "Nowhere";
  Module1::getSectionStyle();
  ExpectRow(before);
  EXPECT_EQ(Module1::MyColor, RGB(7, 7, 7));
}

TEST_F(StyleFiles, DefaultStyleFileSetsTheDefaultValues) {
  struct Expected {
    QString font;
    int size;
    QString bold, italic, underline;
    Color color;
  };
  struct Case {
    const char* what;
    QByteArray file;
    Expected values;
  };
  const Case cases[] = {
      {"a whole file, lower-case true",
       "DefaultFont: \tTimes\nDefaultSize: \t14\nDefaultBold: \ttrue\nDefaultItalic: \tFalse\n"
       "DefaultUnderline: \tTRUE\nDefaultColor: \t0\t0\t255\n",
       {"Times", 14, "True", "False", "True", RGB(0, 0, 255)}},
      {"a size with no number is 0",
       "DefaultFont: \tTimes\nDefaultSize: \tbig\nDefaultBold: \tFalse\nDefaultItalic: \tFalse\n"
       "DefaultUnderline: \tFalse\nDefaultColor: \t1\t2\t3\n",
       {"Times", 0, "False", "False", "False", RGB(1, 2, 3)}},
      {"a size with a fraction is truncated", "DefaultFont: \tTimes\nDefaultSize: \t11.75pt\n",
       {"Times", 11, "False", "False", "False", fw::kBlack}},
      {"a short file: missing lines read empty", "DefaultFont: \tTimes\n",
       {"Times", 0, "False", "False", "False", fw::kBlack}},
      {"an empty file", "", {"", 0, "False", "False", "False", fw::kBlack}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Module1::DefaultFont = "Old";
    Module1::DefaultSize = 99;
    Module1::DefaultBold = Module1::DefaultItalic = Module1::DefaultUnderline = "";
    Module1::DefaultColor = RGB(9, 9, 9);
    WriteData("Tavrin-DefaultStyle.txt", c.file);
    Module1::getDefaultStyle();
    EXPECT_EQ(Module1::DefaultFont, c.values.font);
    EXPECT_EQ(Module1::DefaultSize, c.values.size);
    EXPECT_EQ(Module1::DefaultBold, c.values.bold);
    EXPECT_EQ(Module1::DefaultItalic, c.values.italic);
    EXPECT_EQ(Module1::DefaultUnderline, c.values.underline);
    EXPECT_EQ(Module1::DefaultColor, c.values.color);
  }
}

TEST_F(StyleFiles, NoDefaultStyleFileKeepsTheDefaultValues) {
  ASSERT_FALSE(DataExists("Tavrin-DefaultStyle.txt"));
  Module1::DefaultFont = "Old";
  Module1::DefaultSize = 99;
  Module1::DefaultBold = "";
  Module1::DefaultColor = RGB(9, 9, 9);
  Module1::getDefaultStyle();
  EXPECT_EQ(Module1::DefaultFont, "Old");
  EXPECT_EQ(Module1::DefaultSize, 99);
  EXPECT_EQ(Module1::DefaultBold, "");
  EXPECT_EQ(Module1::DefaultColor, RGB(9, 9, 9));
}

TEST_F(StyleFiles, InkPotFileIsWrittenFromThePots) {
  const Color colors[] = {fw::kWhite, RGB(255, 0, 0), RGB(0, 128, 0), RGB(1, 2, 3), fw::kBlack};
  for (int n = 1; n <= 5; ++n) Pot(n).SetFillColor(colors[n - 1]);
  Module1::saveInkpotColors();
  EXPECT_EQ(ReadData("Tavrin-Inkpots.txt"),
            QByteArray("InkPot1Color: \t255\t255\t255\nInkPot2Color: \t255\t0\t0\nInkPot3Color: \t0\t128\t0\n"
                       "InkPot4Color: \t1\t2\t3\nInkPot5Color: \t0\t0\t0\n"));
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(StyleFiles, InkPotFileSetsThePots) {
  struct Case {
    const char* what;
    QByteArray file;
    Color pots[5];
  };
  const Color W = fw::kWhite, K = fw::kBlack;
  const Case cases[] = {
      {"five lines",
       "InkPot1Color: \t255\t0\t0\nInkPot2Color: \t0\t255\t0\nInkPot3Color: \t0\t0\t255\n"
       "InkPot4Color: \t1\t2\t3\nInkPot5Color: \t4\t5\t6\n",
       {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(1, 2, 3), RGB(4, 5, 6)}},
      {"first line empty: the pots stay white",
       "\nInkPot2Color: \t0\t255\t0\nInkPot3Color: \t0\t0\t255\nInkPot4Color: \t1\t2\t3\nInkPot5Color: \t4\t5\t6\n",
       {W, W, W, W, W}},
      {"two lines: pots 3 to 5 become black", "InkPot1Color: \t255\t0\t0\nInkPot2Color: \t0\t255\t0\n",
       {RGB(255, 0, 0), RGB(0, 255, 0), K, K, K}},
      {"an empty file", "", {W, W, W, W, W}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int n = 1; n <= 5; ++n) Pot(n).SetFillColor(W);
    WriteData("Tavrin-Inkpots.txt", c.file);
    Module1::getInkpotColors();
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(Pot(n).FillColor(), c.pots[n - 1]) << "pot " << n;
  }
}

TEST_F(StyleFiles, InkPotFileThatCannotBeCreatedSaysSo) {
  ASSERT_TRUE(QDir().mkpath(DataPath("Tavrin-Inkpots.txt")));
  Module1::saveInkpotColors();
  EXPECT_EQ(ui().Messages(), QStringList{"File could not be created!"});
  EXPECT_TRUE(QFileInfo(DataPath("Tavrin-Inkpots.txt")).isDir());
}

// A write that fails half-way, as on a full disk: the old file stays whole and the user is told
// which file and why.
TEST_F(StyleFiles, FailedWriteKeepsOldFileAndNamesFileAndReason) {
  struct Case {
    QString file;
    std::function<void()> save;
  };
  const Case cases[] = {
      {"Tavrin-Diary-Style.txt", [] { Module1::saveSectionStyle(); }},
      {"Tavrin-DefaultStyle.txt", [] { Module1::saveDefaultStyle(); }},
      {"Tavrin-Inkpots.txt", [] { Module1::saveInkpotColors(); }},
  };
  Module1::ThisSection = "Diary";
  SetRow({"Times", "14", true, false, true, RGB(255, 0, 0)});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    ui().Clear();
    const QByteArray old = "old content\nsecond line\n";
    WriteData(c.file, old);
    FileFaults::FailWrite(c.file, "disk full");
    c.save();
    EXPECT_EQ(ReadData(c.file), old);
    ASSERT_EQ(ui().Messages().size(), 1);
    const QString message = ui().Messages()[0];
    EXPECT_TRUE(message.contains(DataPath(c.file))) << message.toStdString();
    EXPECT_TRUE(message.contains("disk full")) << message.toStdString();
    c.save();  // the next write goes through
    EXPECT_NE(ReadData(c.file), old);
  }
  QStringList left = QDir(DataPath()).entryList(QDir::Files);
  left.sort();
  EXPECT_EQ(left, (QStringList{"Sections.txt", "Tavrin-DefaultStyle.txt", "Tavrin-Diary-Style.txt", "Tavrin-Inkpots.txt"}));
}

TEST_F(StyleFiles, StyleFileThatCannotBeCreatedIsReported) {
  ASSERT_TRUE(QDir().mkpath(DataPath("Tavrin-DefaultStyle.txt")));
  Module1::saveDefaultStyle();
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Tavrin-DefaultStyle.txt"))) << ui().Messages()[0].toStdString();
  EXPECT_FALSE(ui().Messages()[0].endsWith(": ")) << "no reason given";
}

}  // namespace
