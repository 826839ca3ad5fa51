// The control behaviour the main window's code is written against: a list whose selection
// belongs to a row, text fields whose offsets agree with the string functions, windows that
// grow their locked controls exactly, and the one-report rule for exceptions nothing caught.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

#include "failurereset.h"
#include "keys.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/text/fontfamily.h"
#include "platform/controls/graphics.h"
#include "platform/controls/listbox.h"
#include "platform/controls/menubar.h"
#include "platform/controls/menuitem.h"
#include "platform/controls/pushbutton.h"
#include "scripteduiservice.h"
#include "platform/controls/checkbox.h"
#include "platform/system/strings.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/controls/window.h"

namespace {

constexpr bool L = true;
constexpr bool _ = false;

fw::ControlProperties At(int left, int top, int width, int height, bool lockLeft = L, bool lockTop = L,
                         bool lockRight = _, bool lockBottom = _) {
  return fw::PlacedAt(left, top, width, height, lockLeft, lockTop, lockRight, lockBottom);
}

fw::WindowProperties MainWindowLike() {
  fw::WindowProperties p;
  p.Title = "Test";
  p.Width = 700;
  p.Height = 500;
  p.MinWidth = 700;
  p.MinHeight = 500;
  return p;
}

fw::ScriptedUiService& Ui() { return static_cast<fw::ScriptedUiService&>(fw::UiService::Current()); }

const QString kClef = QString::fromUtf8("\xF0\x9D\x84\x9E");

void Type(QWidget* target, const QString& text) {
  for (QChar c : text) SendKey(target, c.toUpper().unicode(), QString(c));
}

void Click(QWidget* target, QPoint at, Qt::KeyboardModifiers m = Qt::NoModifier) {
  const QPointF local(at);
  const QPointF global(target->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton, m);
  QCoreApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton, m);
  QCoreApplication::sendEvent(target, &release);
}

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    win_ = std::make_unique<fw::Window>("TestWindow");
    win_->SetProperties(MainWindowLike());
    Ui().Clear();
  }
  void TearDown() override {
    win_.reset();
    Ui().Clear();
  }
  std::unique_ptr<fw::Window> win_;
};

// ---- Listbox ----------------------------------------------------------------------------------

class ListboxTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    lb_ = win_->New<fw::Listbox>("LB1", At(20, 61, 187, 417, L, L, _, L));
    lb_->SetHasHeading(true);
    lb_->SetHeading(0, "Sections");
    lb_->SetEnableDragReorder(true);
    for (const char* s : {"b", "d", "a", "c"}) lb_->AddRow(s);
    lb_->InstallHandler("Change", fw::ActionHandler([this] {
                          ++changes_;
                          indexInChange_ = lb_->ListIndex();
                        }));
    lb_->SetListIndex(1);  // "d"
    win_->Show();
    lb_->SetFocus();
    changes_ = 0;
  }
  QStringList ShownSelection() const {
    QStringList out;
    for (QTreeWidgetItem* i : lb_->Tree()->selectedItems()) out << i->text(0);
    return out;
  }
  QStringList Rows() const {
    QStringList out;
    for (int i = 0; i < lb_->ListCount(); ++i) out << lb_->Cell(i, 0);
    return out;
  }

  fw::Listbox* lb_ = nullptr;
  int changes_ = 0;
  int indexInChange_ = -2;
};

TEST_F(ListboxTest, RowOperationsKeepTheSelectedRowAndRaiseNoChange) {
  const struct {
    const char* what;
    std::function<void(fw::Listbox&)> op;
    QStringList rows;
    int index;
  } cases[] = {
      {"insert at the top", [](fw::Listbox& l) { l.InsertRow(0, "new"); }, {"new", "b", "d", "a", "c"}, 2},
      {"insert just before the selected row", [](fw::Listbox& l) { l.InsertRow(1, "new"); }, {"b", "new", "d", "a", "c"}, 2},
      {"insert after it", [](fw::Listbox& l) { l.InsertRow(2, "new"); }, {"b", "d", "new", "a", "c"}, 1},
      {"add a row", [](fw::Listbox& l) { l.AddRow("new"); }, {"b", "d", "a", "c", "new"}, 1},
      {"remove a row above", [](fw::Listbox& l) { l.RemoveRow(0); }, {"d", "a", "c"}, 0},
      {"remove a row below", [](fw::Listbox& l) { l.RemoveRow(3); }, {"b", "d", "a"}, 1},
      {"remove the selected row", [](fw::Listbox& l) { l.RemoveRow(1); }, {"b", "a", "c"}, -1},
      {"sort ascending", [](fw::Listbox& l) { l.SortByColumn(0, Qt::AscendingOrder); }, {"a", "b", "c", "d"}, 3},
      {"sort descending", [](fw::Listbox& l) { l.SortByColumn(0, Qt::DescendingOrder); }, {"d", "c", "b", "a"}, 0},
      {"move the selected row down", [](fw::Listbox& l) { l.MoveRow(1, 3); }, {"b", "a", "c", "d"}, 3},
      {"move a row across it", [](fw::Listbox& l) { l.MoveRow(3, 0); }, {"c", "b", "d", "a"}, 2},
      {"rename the selected row", [](fw::Listbox& l) { l.SetCell(1, 0, "D"); }, {"b", "D", "a", "c"}, 1},
  };
  for (const auto& c : cases) {
    SetUp();
    SCOPED_TRACE(c.what);
    const QString selected = lb_->Text();
    c.op(*lb_);
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(lb_->ListIndex(), c.index);
    EXPECT_EQ(changes_, 0);
    if (c.index >= 0) {
      EXPECT_EQ(ShownSelection(), QStringList{lb_->Cell(c.index, 0)});
      if (c.rows[c.index] != "D") {
        EXPECT_EQ(lb_->Text(), selected);
      }
    } else {
      EXPECT_TRUE(ShownSelection().isEmpty());
      EXPECT_EQ(lb_->Text(), "");
    }
    TearDown();
  }
}

// A click on the heading sorts as a person reads: case does not count, either way round, and
// the selected row stays selected.
TEST_F(ListboxTest, HeadingClickSortsWithoutRegardToCase) {
  while (lb_->ListCount() > 0) lb_->RemoveRow(0);
  for (const char* s : {"delta", "Echo", "alpha", "Charlie", "bravo"}) lb_->AddRow(s);
  lb_->SetListIndex(1);  // "Echo"
  changes_ = 0;
  const QStringList ascending{"alpha", "bravo", "Charlie", "delta", "Echo"};
  QStringList descending = ascending;
  std::reverse(descending.begin(), descending.end());
  for (const QStringList& expected : {ascending, descending, ascending}) {
    emit lb_->Tree()->header()->sectionClicked(0);
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(lb_->Text(), "Echo");
    EXPECT_EQ(ShownSelection(), QStringList{"Echo"});
  }
  EXPECT_EQ(changes_, 0);
}

TEST_F(ListboxTest, SettingListIndexAlwaysRaisesChangeBeforeReturning) {
  const struct {
    std::vector<int> sets;
    int changes, index;
  } cases[] = {
      {{2}, 1, 2},
      {{1}, 1, 1},        // the row already selected
      {{-1, -1}, 2, -1},  // no row, twice
      {{0, 0, 3}, 3, 3},
  };
  for (const auto& c : cases) {
    SetUp();
    for (int row : c.sets) {
      indexInChange_ = -2;
      lb_->SetListIndex(row);
      EXPECT_EQ(indexInChange_, row) << "Change must see the new index";
    }
    EXPECT_EQ(changes_, c.changes);
    EXPECT_EQ(lb_->ListIndex(), c.index);
    EXPECT_EQ(ShownSelection().size(), c.index >= 0 ? 1 : 0);
    TearDown();
  }
}

TEST_F(ListboxTest, RequiresSelectionKeepsTheRowAgainstClicksOnEmptySpace) {
  lb_->SetRequiresSelection(true);
  QWidget* vp = lb_->Tree()->viewport();
  const QRect rowC = lb_->Tree()->visualItemRect(lb_->Tree()->topLevelItem(3));
  ASSERT_TRUE(rowC.isValid());

  Click(vp, rowC.center());
  EXPECT_EQ(lb_->ListIndex(), 3);
  EXPECT_EQ(changes_, 1);

  const QPoint empty(vp->width() / 2, vp->height() - 4);
  ASSERT_EQ(lb_->Tree()->itemAt(empty), nullptr);
  Click(vp, empty);
  Click(vp, empty, Qt::ControlModifier);
  Click(vp, rowC.center(), Qt::ControlModifier);  // would toggle the row off
  EXPECT_EQ(lb_->ListIndex(), 3);
  EXPECT_EQ(ShownSelection(), QStringList{"c"});
  EXPECT_EQ(changes_, 1);

  lb_->SetListIndex(-1);  // code still can
  EXPECT_EQ(lb_->ListIndex(), -1);
  EXPECT_TRUE(ShownSelection().isEmpty());

  lb_->UserSelectRow(0);
  EXPECT_EQ(lb_->ListIndex(), 0);
  EXPECT_EQ(changes_, 3);
}

TEST_F(ListboxTest, CellTagIsInvalidUntilSetAndTravelsWithItsRow) {
  EXPECT_FALSE(lb_->CellTag(0, 0).isValid());
  EXPECT_FALSE(lb_->CellTag(99, 0).isValid());
  lb_->SetCellTag(0, 0, QStringLiteral("Red"));  // row "b"
  EXPECT_EQ(lb_->CellTag(0, 0).toString(), "Red");
  EXPECT_FALSE(lb_->CellTag(1, 0).isValid());
  lb_->SortByColumn(0, Qt::AscendingOrder);
  EXPECT_EQ(lb_->CellTag(1, 0).toString(), "Red");
  EXPECT_FALSE(lb_->CellTag(0, 0).isValid());
}

// The hook only sets colour and weight; the list draws the text with them, selected or not.
TEST_F(ListboxTest, CellTextPaintColourAndWeightReachTheDrawnText) {
  for (int i = 0; i < lb_->ListCount(); ++i) lb_->SetCell(i, 0, "MWMWMWMWMW");
  lb_->InstallHandler("CellTextPaint", fw::CellTextPaintHandler([](fw::Graphics& g, int row, int, int, int) {
                        if (row == 0 || row == 1) g.ForeColor = fw::RGB(255, 0, 0);
                        g.Bold = row == 0;
                        return false;
                      }));
  struct Ink {
    int red = 0, dark = 0;
  };
  const auto inkOf = [&](int row) {
    const QImage img = lb_->Tree()->viewport()->grab().toImage();
    const QRect r = lb_->Tree()->visualItemRect(lb_->Tree()->topLevelItem(row));
    Ink ink;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor c = img.pixelColor(x, y);
        if (c.red() > 180 && c.green() < 90 && c.blue() < 90) ++ink.red;
        if (c.red() < 90 && c.green() < 90 && c.blue() < 90) ++ink.dark;
      }
    return ink;
  };
  lb_->SetListIndex(-1);
  const Ink bold = inkOf(0), plain = inkOf(1), black = inkOf(2);
  EXPECT_GT(bold.red, 0);
  EXPECT_GT(plain.red, 0);
  EXPECT_GT(bold.red, plain.red * 11 / 10) << "bold text must carry more ink";
  EXPECT_EQ(black.red, 0);
  EXPECT_GT(black.dark, 0);
  lb_->SetListIndex(1);
  EXPECT_GT(inkOf(1).red, 0) << "the selected row keeps the hook's colour";
}

// ---- EditField --------------------------------------------------------------------------------

class EditFieldTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    line_ = win_->New<fw::EditField>("Line", At(333, 179, 187, 22), false);
    multi_ = win_->New<fw::EditField>("EF1", At(219, 210, 461, 268, L, L, L, L), true);
    multi_->SetStyled(true);
    multi_->SetAcceptTabs(true);
    win_->Show();
  }
  fw::EditField* line_ = nullptr;
  fw::EditField* multi_ = nullptr;
};

TEST_F(EditFieldTest, SetTextRaisesTextChangeOnceAndOnlyForANewText) {
  const struct {
    QString before, set;
    int raises;
  } cases[] = {
      {"", "abc", 1}, {"abc", "abc", 0}, {"abc", "", 1}, {"abc", "ABC", 1}, {"", "", 0}, {"a\nb", "a\nb", 0},
  };
  for (fw::EditField* f : {line_, multi_}) {
    int raises = 0;
    QString seen;
    f->InstallHandler("TextChange", fw::ActionHandler([&] {
                        ++raises;
                        seen = f->Text();
                      }));
    for (const auto& c : cases) {
      if (!f->Multiline() && c.set.contains(u'\n')) continue;
      f->SetText(c.before);
      raises = 0;
      seen = "<none>";
      f->SetText(c.set);
      EXPECT_EQ(raises, c.raises) << f->Name().toStdString() << ": \"" << c.before.toStdString() << "\" -> \""
                                  << c.set.toStdString() << '"';
      if (c.raises) {
        EXPECT_EQ(seen, c.set) << "TextChange must see the new text";
      }
    }
    f->SetText("abc");
    raises = 0;
    f->SetFocus();
    f->SetSelStart(3);
    Type(f->Widget(), "d");
    EXPECT_EQ(f->Text(), "abcd");
    EXPECT_EQ(raises, 1) << f->Name().toStdString() << ": typing raises it too";
    if (f->Multiline()) {
      f->SetSelStart(0);
      f->SetSelLength(2);
      f->SetSelBold(true);
      EXPECT_EQ(raises, 1) << "a change of style alone is no text change";
    }
  }
}

TEST_F(EditFieldTest, MaskOfTwentyFivePlaceholdersAdmitsTwentyFiveCharacters) {
  line_->SetMask(QString(25, u'&'));
  line_->SetLimitText(0);
  line_->SetFocus();
  Type(line_->Widget(), QString(30, u'x'));
  EXPECT_EQ(fw::Len(line_->Text()), 25);
  line_->SetText(QString(24, u'y') + "zz");
  EXPECT_EQ(line_->Text(), QString(24, u'y') + "z");
  line_->SetMask(QString());
  line_->SetText(QString(40, u'y'));
  EXPECT_EQ(fw::Len(line_->Text()), 40);
}

TEST_F(EditFieldTest, OffsetsAgreeWithTextPositions) {
  const QString text = "a" + kClef + "b\ncd\n\ne";  // a hi lo b \n c d \n \n e
  multi_->SetText(text);
  ASSERT_EQ(multi_->Text(), text);
  const struct {
    QString find;
  } cases[] = {{"a"}, {kClef}, {"b\nc"}, {"cd"}, {"\n\n"}, {"e"}, {kClef + "b"}};
  for (const auto& c : cases) {
    const int pos = fw::InStr(multi_->Text(), c.find);
    ASSERT_GT(pos, 0);
    multi_->SetSelStart(pos - 1);
    multi_->SetSelLength(fw::Len(c.find));
    EXPECT_EQ(multi_->SelStart(), pos - 1);
    EXPECT_EQ(multi_->SelLength(), fw::Len(c.find));
    EXPECT_EQ(multi_->SelText(), c.find);
    EXPECT_EQ(fw::Mid(multi_->Text(), multi_->SelStart() + 1, multi_->SelLength()), c.find);
  }
  multi_->SetSelStart(fw::Len(text));
  EXPECT_EQ(multi_->SelStart(), fw::Len(text));
  EXPECT_EQ(multi_->SelLength(), 0);
}

// Text is read where it lies while the text stays the same; after any change it is the new
// text, and what it gave before keeps the text as it was then (the find box scans such a copy).
TEST_F(EditFieldTest, TextFollowsEveryChangeAndWhatItGaveBeforeStaysAsItWas) {
  const auto select = [&](int start, int length) {
    multi_->SetSelStart(start);
    multi_->SetSelLength(length);
  };
  const struct {
    const char* what;
    std::function<void()> change;
    QString after;
  } cases[] = {
      {"typed", [&] { select(3, 0); Type(multi_->Widget(), "X"); }, "abcX def"},
      {"one character put for another", [&] { select(1, 1); multi_->SetSelText("B"); }, "aBc def"},
      {"a selection removed", [&] { select(0, 4); multi_->SetSelText(""); }, "def"},
      {"a paragraph break", [&] { select(3, 1); multi_->SetSelText("\n"); }, "abc\ndef"},
      {"undone", [&] { select(0, 1); multi_->SetSelText("z"); multi_->TextEdit()->undo(); }, "abc def"},
      {"a style only", [&] { select(0, 3); multi_->SetSelBold(true); }, "abc def"},
      {"a new text", [&] { multi_->SetText("xyz"); }, "xyz"},
      // Such a change is signalled only when the block closes; the text is asked for before that.
      {"inserted inside an edit block still open",
       [&] {
         QTextCursor c(multi_->Document());
         c.beginEditBlock();
         c.insertText("Q");
         EXPECT_EQ(multi_->Text(), "Qabc def") << "before the block closes";
         c.endEditBlock();
       },
       "Qabc def"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    multi_->SetText("abc def");
    const QString before = multi_->Text();
    ASSERT_EQ(multi_->Text(), "abc def");
    c.change();
    EXPECT_EQ(multi_->Text(), c.after);
    EXPECT_EQ(before, "abc def");
  }
}

TEST_F(EditFieldTest, SetSelTextTakesTheStyleAtTheInsertionPoint) {
  const struct {
    const char* what;
    int start, length;
    QString expected;
    int insertedAt;
    bool bold;
  } cases[] = {
      {"after the bold run", 1, 0, "aXYbc", 1, true},
      {"at the start, before the bold run", 0, 0, "XYabc", 0, true},
      {"after a plain character", 2, 0, "abXYc", 2, false},
      {"replacing a plain selection", 2, 1, "abXY", 2, false},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto* f = win_->New<fw::EditField>(QString("Field%1").arg(++n), At(0, 0, 300, 100), true);
    f->SetText("abc");
    f->SetSelStart(0);
    f->SetSelLength(1);
    f->SetSelBold(true);
    f->SetSelTextSize(20);
    f->SetSelStart(c.start);
    f->SetSelLength(c.length);
    f->SetSelText("XY");
    EXPECT_EQ(f->Text(), c.expected);
    for (int i : {c.insertedAt, c.insertedAt + 1}) {
      EXPECT_EQ(f->StyleAt(i).Bold, c.bold) << i;
      EXPECT_EQ(f->StyleAt(i).Size == 20, c.bold) << i;
    }
    EXPECT_EQ(f->SelStart(), c.insertedAt + 2) << "the caret follows the inserted text";
  }
}

TEST_F(EditFieldTest, WholeTextStyleIsTheBaseForSetTextAndTypingIntoAnEmptyField) {
  multi_->SetTextFont("DejaVu Serif");
  multi_->SetTextSize(20);
  multi_->SetBold(true);
  multi_->SetItalic(true);
  multi_->SetUnderline(true);
  multi_->SetTextColor(fw::RGB(0, 0, 255));
  const auto expectBase = [&](int offset) {
    const fw::TextStyle s = multi_->StyleAt(offset);
    EXPECT_EQ(s.Font, "DejaVu Serif") << offset;
    EXPECT_EQ(s.Size, 20) << offset;
    EXPECT_TRUE(s.Bold) << offset;
    EXPECT_TRUE(s.Italic) << offset;
    EXPECT_TRUE(s.Underline) << offset;
    EXPECT_EQ(s.TextColor, fw::RGB(0, 0, 255)) << offset;
  };
  const struct {
    const char* what;
    std::function<void()> fill;
    QString text;
  } cases[] = {
      {"SetText", [&] { multi_->SetText("x"); }, "x"},
      {"SetText after styled text",
       [&] {
         multi_->SetText("old");
         multi_->SetSelStart(0);
         multi_->SetSelLength(3);
         multi_->SetSelTextFont("DejaVu Sans Mono");
         multi_->SetSelTextSize(9);
         multi_->SetSelBold(false);
         multi_->SetSelItalic(false);
         multi_->SetSelUnderline(false);
         multi_->SetSelTextColor(fw::RGB(255, 0, 0));
         multi_->SetText("x\ny");
       },
       "x\ny"},
      {"typing into the emptied field",
       [&] {
         multi_->SetText("");
         multi_->SetFocus();
         Type(multi_->Widget(), "xy");
       },
       "xy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.fill();
    ASSERT_EQ(multi_->Text(), c.text);
    for (int i = 0; i < fw::Len(c.text); ++i)
      if (c.text[i] != u'\n') expectBase(i);
  }
}

TEST_F(EditFieldTest, SetTextCarriesNoStyleOfTheCaretsLastPlace) {
  // A base style of the font alone: bold and colour of earlier text must not reach new text.
  multi_->SetTextFont("DejaVu Serif");
  multi_->SetText("old");
  multi_->SetSelStart(0);
  multi_->SetSelLength(3);
  multi_->SetSelBold(true);
  multi_->SetSelTextColor(fw::RGB(255, 0, 0));
  multi_->SetText("new");
  const fw::TextStyle s = multi_->StyleAt(1);
  EXPECT_EQ(s.Font, "DejaVu Serif");
  EXPECT_FALSE(s.Bold);
  EXPECT_EQ(s.TextColor, fw::kBlack);
}

// Text that says no font, size, bold, italic or underline of its own (as Qt's editing may leave
// it) is shown and saved in the base style, never in the toolkit's default font.
TEST_F(EditFieldTest, TextWithoutAStyleOfItsOwnIsSavedInTheBaseStyle) {
  multi_->SetTextFont("DejaVu Serif");
  multi_->SetTextSize(14);
  multi_->SetBold(true);
  multi_->SetItalic(true);
  multi_->SetUnderline(true);
  multi_->SetText(QString());
  QTextCursor(multi_->Document()).insertText(QStringLiteral("bare"), QTextCharFormat());
  QTextDocument saved;
  ASSERT_TRUE(fw::DecodeStyledRtf(fw::EncodeStyledRtf(*multi_->Document()), saved, nullptr));
  ASSERT_EQ(saved.toPlainText(), QStringLiteral("bare"));
  QTextCursor at(&saved);
  at.setPosition(2);
  const QTextCharFormat f = at.charFormat();
  EXPECT_EQ(fw::NamedFamily(f), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(f.fontPointSize(), 14);
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
  EXPECT_TRUE(f.fontItalic());
  EXPECT_TRUE(f.fontUnderline());
  const fw::TextStyle shown = multi_->StyleAt(1);
  EXPECT_EQ(shown.Font, "DejaVu Serif");
  EXPECT_EQ(shown.Size, 14);
}

TEST_F(EditFieldTest, StyleAtReadsEachCharacter) {
  multi_->SetTextFont("DejaVu Sans");
  multi_->SetTextSize(12);
  multi_->SetText("a" + kClef + "b\ncd");
  const auto styleRange = [&](int start, int length, auto apply) {
    multi_->SetSelStart(start);
    multi_->SetSelLength(length);
    apply();
  };
  styleRange(1, 2, [&] {  // the clef
    multi_->SetSelBold(true);
    multi_->SetSelTextColor(fw::RGB(0, 128, 0));
  });
  styleRange(6, 1, [&] {  // "d"
    multi_->SetSelTextFont("DejaVu Serif");
    multi_->SetSelTextSize(30);
    multi_->SetSelItalic(true);
    multi_->SetSelUnderline(true);
  });
  const struct {
    int offset;
    QString font;
    int size;
    bool bold, italic, underline;
    fw::Color color;
  } cases[] = {
      {0, "DejaVu Sans", 12, false, false, false, fw::kBlack},
      {1, "DejaVu Sans", 12, true, false, false, fw::RGB(0, 128, 0)},
      {2, "DejaVu Sans", 12, true, false, false, fw::RGB(0, 128, 0)},
      {3, "DejaVu Sans", 12, false, false, false, fw::kBlack},
      {5, "DejaVu Sans", 12, false, false, false, fw::kBlack},
      {6, "DejaVu Serif", 30, false, true, true, fw::kBlack},
  };
  const fw::StyledText st = multi_->GetStyledText();
  for (const auto& c : cases) {
    const fw::TextStyle s = multi_->StyleAt(c.offset);
    EXPECT_EQ(s.Font, c.font) << c.offset;
    EXPECT_EQ(s.Size, c.size) << c.offset;
    EXPECT_EQ(s.Bold, c.bold) << c.offset;
    EXPECT_EQ(s.Italic, c.italic) << c.offset;
    EXPECT_EQ(s.Underline, c.underline) << c.offset;
    EXPECT_EQ(s.TextColor, c.color) << c.offset;
    EXPECT_EQ(st.Size(c.offset, 1), c.size) << c.offset;
    EXPECT_EQ(st.Bold(c.offset, 1), c.bold) << c.offset;
  }
}

TEST_F(EditFieldTest, CharPosAtXYMatchesWhereTheCharactersAre) {
  multi_->SetText("Hello\nworld, a longer second line");
  EXPECT_EQ(multi_->CharPosAtXY(1, 1), 0);
  QTextEdit* te = multi_->TextEdit();
  for (int offset : {0, 3, 6, 9, 14}) {
    QTextCursor c(te->document());
    c.setPosition(offset);
    const QRect caret = te->cursorRect(c);  // viewport coordinates
    const QPoint inField = te->viewport()->mapTo(te, QPoint(caret.x() + 1, caret.center().y()));
    EXPECT_EQ(multi_->CharPosAtXY(inField.x(), inField.y()), offset);
  }
}

// ---- Window -----------------------------------------------------------------------------------

// Records its rectangle on every move and resize, as the main window does, and applies it back.
class RecordingWindow : public fw::Window {
 public:
  RecordingWindow() : fw::Window("RecordingWindow") {}
  int top = 0, left = 0, width = 0, height = 0;
  void Apply() {
    SetTop(top);
    SetLeft(left);
    SetWidth(width);
    SetHeight(height);
  }
  void Event_Moved() override { Copy(); }
  void Event_Resized() override { Copy(); }
  void Event_Resizing() override { Copy(); }

 private:
  void Copy() {
    top = Top();
    left = Left();
    width = Width();
    height = Height();
  }
};

class WindowTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    Ui().Clear();
    auto* m = new fw::MenuItem;
    m->Name = "FileMenu";
    m->Text = "&File";
    auto* i = new fw::MenuItem;
    i->Name = "FileThing";
    i->Text = "Thing";
    m->Append(i);
    bar_.Append(m);
    win_ = std::make_unique<RecordingWindow>();
    if (GetParam()) win_->SetMenuBar(&bar_);  // as the main window's Layout does, before its properties
    win_->SetProperties(MainWindowLike());
    ef_ = win_->New<fw::EditField>("EF1", At(219, 210, 461, 268, L, L, L, L), true);
    lb_ = win_->New<fw::Listbox>("LB1", At(20, 61, 187, 417, L, L, _, L));
    title_ = win_->New<fw::EditField>("SectionTitle", At(333, 179, 187, 22, L, L, _, _), false);
    saveAs_ = win_->New<fw::PushButton>("SaveAs", At(539, 179, 120, 20, _, _, _, _));
  }
  void TearDown() override {
    win_.reset();
    Ui().Clear();
    ResetFailure();
  }
  static QRect Geometry(const fw::RectControl* c) { return QRect(c->Left(), c->Top(), c->Width(), c->Height()); }

  fw::MenuBar bar_;
  std::unique_ptr<RecordingWindow> win_;
  fw::EditField* ef_ = nullptr;
  fw::Listbox* lb_ = nullptr;
  fw::EditField* title_ = nullptr;
  fw::PushButton* saveAs_ = nullptr;
};

TEST_P(WindowTest, LockedControlsGrowExactlyWithTheWindow) {
  win_->Show();
  ASSERT_EQ(win_->Width(), 700);
  ASSERT_EQ(win_->Height(), 500);
  const struct {
    const char* how;
    std::function<void(int, int)> resize;
  } ways[] = {
      {"by code", [&](int w, int h) { win_->SetWidth(w); win_->SetHeight(h); }},
      {"as the user drags the frame",
       [&](int w, int h) {
         const int menu = win_->Widget()->height() - win_->Height();
         win_->Widget()->resize(w, h + menu);
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    way.resize(800, 550);
    EXPECT_EQ(win_->Width(), 800);
    EXPECT_EQ(win_->Height(), 550);
    EXPECT_EQ(Geometry(ef_), QRect(219, 210, 561, 318));
    EXPECT_EQ(Geometry(lb_), QRect(20, 61, 187, 467));
    EXPECT_EQ(Geometry(title_), QRect(333, 179, 187, 22));
    EXPECT_EQ(Geometry(saveAs_), QRect(539, 179, 120, 20));
    way.resize(700, 500);
    EXPECT_EQ(Geometry(ef_), QRect(219, 210, 461, 268));
    EXPECT_EQ(Geometry(lb_), QRect(20, 61, 187, 417));
  }
}

TEST_P(WindowTest, CannotBeMadeSmallerThanTheMinimum) {
  win_->Show();
  const struct {
    const char* how;
    std::function<void()> shrink;
  } ways[] = {
      {"by code", [&] { win_->SetWidth(600); win_->SetHeight(400); }},
      {"as the user drags the frame", [&] { win_->Widget()->resize(600, 400); }},
      {"one axis", [&] { win_->SetWidth(900); win_->SetHeight(499); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    win_->SetWidth(700);
    win_->SetHeight(500);
    way.shrink();
    EXPECT_GE(win_->Width(), 700);
    EXPECT_EQ(win_->Height(), 500);
    EXPECT_EQ(Geometry(ef_).size(), QSize(win_->Width() - 239, 268));
  }
}

TEST_P(WindowTest, RectangleRoundTripsAlsoWhileMovesAreRecorded) {
  for (bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "shown" : "not yet shown");
    if (shown) win_->Show();
    win_->top = 40;
    win_->left = 60;
    win_->width = 900;
    win_->height = 650;
    win_->Apply();
    QCoreApplication::processEvents();
    EXPECT_EQ(win_->Top(), 40);
    EXPECT_EQ(win_->Left(), 60);
    EXPECT_EQ(win_->Width(), 900);
    EXPECT_EQ(win_->Height(), 650);
    EXPECT_EQ(QRect(win_->left, win_->top, win_->width, win_->height), QRect(60, 40, 900, 650))
        << "moves and resizes raised while the rectangle is applied must not undo its other values";
    win_->top = 150;
    win_->left = 150;
    win_->width = 700;
    win_->height = 500;
    win_->Apply();
    QCoreApplication::processEvents();
  }
}

TEST_P(WindowTest, ReturnPressesTheDefaultButtonAndEscapeTheCancelButton) {
  auto* ok = win_->New<fw::PushButton>("OK", At(500, 400, 80, 20));
  auto* cancel = win_->New<fw::PushButton>("Cancel", At(400, 400, 80, 20));
  int oks = 0, cancels = 0;
  ok->InstallHandler("Action", fw::ActionHandler([&] { ++oks; }));
  cancel->InstallHandler("Action", fw::ActionHandler([&] { ++cancels; }));
  ok->SetDefault(true);
  cancel->SetCancel(true);
  win_->Show();
  const struct {
    const char* what;
    QWidget* target;
    int key;
    bool okEnabled;
    int oks, cancels;
  } cases[] = {
      {"Return on the window", win_->Content(), Qt::Key_Return, true, 1, 0},
      {"Enter on the window", win_->Content(), Qt::Key_Enter, true, 1, 0},
      {"Escape on the window", win_->Content(), Qt::Key_Escape, true, 0, 1},
      {"Return in a single-line field", title_->Widget(), Qt::Key_Return, true, 1, 0},
      {"Escape in a single-line field", title_->Widget(), Qt::Key_Escape, true, 0, 1},
      {"Return in the multi-line editor types a line end", ef_->Widget(), Qt::Key_Return, true, 0, 0},
      {"Return with the default button disabled", win_->Content(), Qt::Key_Return, false, 0, 0},
      {"another key", win_->Content(), Qt::Key_A, true, 0, 0},
  };
  for (const auto& c : cases) {
    oks = cancels = 0;
    ok->SetEnabled(c.okEnabled);
    c.target->setFocus();
    SendKey(c.target, c.key, c.key == Qt::Key_Return || c.key == Qt::Key_Enter ? "\r" : QString());
    EXPECT_EQ(oks, c.oks) << c.what;
    EXPECT_EQ(cancels, c.cancels) << c.what;
  }
  EXPECT_EQ(ef_->Text(), "\n");
}

// A click on a push button or a check box leaves the keyboard where it was: a space typed next
// must not press the button again, nor toggle the box. Tab still reaches them.
TEST_P(WindowTest, ButtonsAndCheckBoxesTakeNoFocusFromAClick) {
  fw::RectControl* controls[] = {win_->New<fw::PushButton>("Color", At(565, 22, 57, 20)),
                                 win_->New<fw::CheckBox>("IgnoreCase", At(533, 94, 119, 20))};
  int presses = 0;
  for (fw::RectControl* control : controls) control->InstallHandler("Action", fw::ActionHandler([&] { ++presses; }));
  win_->Show();
  QCoreApplication::processEvents();
  for (fw::RectControl* control : controls) {
    SCOPED_TRACE(control->Name().toStdString());
    presses = 0;
    ef_->SetFocus();
    ASSERT_TRUE(ef_->HasFocus());
    QTest::mouseClick(control->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(ef_->HasFocus()) << "the click took the keyboard from the editor";
    EXPECT_FALSE(control->HasFocus());
    SendKey(QApplication::focusWidget(), Qt::Key_Space, " ");
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(control->Widget()->focusPolicy() & Qt::TabFocus);
  }
}

// A refresh redraws before it returns: the update check refreshes its status line and then opens
// a message box, and the line must already show its new text behind the box.
TEST_P(WindowTest, RefreshRedrawsBeforeItReturns) {
  win_->Show();
  QCoreApplication::processEvents();
  struct PaintCounter : QObject {
    QWidget* within = nullptr;
    int paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Paint && o->isWidgetType() &&
          (o == within || within->isAncestorOf(static_cast<QWidget*>(o))))
        ++paints;
      return false;
    }
  };
  const struct {
    const char* what;
    QWidget* widget;
    std::function<void()> refresh;
  } cases[] = {
      {"list", lb_->Widget(), [&] { lb_->Refresh(true); }},
      {"button", saveAs_->Widget(), [&] { saveAs_->Refresh(true); }},
      {"window", lb_->Widget()->window(), [&] { win_->Refresh(true); }},
  };
  for (const auto& c : cases) {
    PaintCounter counter;
    counter.within = c.widget;
    qApp->installEventFilter(&counter);
    c.refresh();
    qApp->removeEventFilter(&counter);
    EXPECT_GT(counter.paints, 0) << c.what << " was not redrawn before Refresh returned";
  }
}

// An exception no handler caught unwinds to the outermost handler only, whichever way the inner
// handler was raised: one message box, and the program counts as failed.
TEST_P(WindowTest, ExceptionInANestedHandlerReachesTheOutermostOnly) {
  auto* outer = win_->New<fw::PushButton>("Outer", At(10, 10, 80, 20));
  auto* inner = win_->New<fw::PushButton>("Inner", At(100, 10, 80, 20));
  lb_->AddRow("a");
  const auto boom = [] { throw std::runtime_error("boom in a nested handler"); };
  lb_->InstallHandler("Change", fw::ActionHandler(boom));
  title_->InstallHandler("TextChange", fw::ActionHandler(boom));
  inner->InstallHandler("Action", fw::ActionHandler(boom));
  ef_->InstallHandler("MouseDown", fw::MouseDownHandler([](int, int) -> bool {
                        throw fw::NilObjectException("control Missing not found");
                      }));
  win_->Show();
  const struct {
    const char* how;
    std::function<void()> raiseInner;
    const char* shown;
  } cases[] = {
      {"Change from SetListIndex", [&] { lb_->SetListIndex(0); }, "boom"},
      {"TextChange from SetText", [&] { title_->SetText("x"); }, "boom"},
      {"Action from a pushed button", [&] { inner->Push(); }, "boom"},
      {"MouseDown", [&] { ef_->RaiseMouseDown(1, 1); }, "NilObjectException: control Missing not found"},
      {"Change from the user's click", [&] { lb_->UserSelectRow(0); }, "boom"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    lb_->InstallHandler("Change", fw::ActionHandler([] {}));
    lb_->SetListIndex(-1);
    title_->InstallHandler("TextChange", fw::ActionHandler([] {}));
    title_->SetText("");
    lb_->InstallHandler("Change", fw::ActionHandler(boom));
    title_->InstallHandler("TextChange", fw::ActionHandler(boom));
    Ui().Clear();
    ResetFailure();
    bool afterInner = false;
    outer->InstallHandler("Action", fw::ActionHandler([&] {
                            c.raiseInner();
                            afterInner = true;
                          }));
    outer->Push();
    EXPECT_FALSE(afterInner) << "the nested dispatch must not swallow the exception";
    ASSERT_EQ(Ui().Messages().size(), 1);
    EXPECT_TRUE(Ui().Messages().first().contains(c.shown)) << Ui().Messages().first().toStdString();
    EXPECT_TRUE(fw::HasFailed());
    outer->Push();  // the program is already ending: no second report
    EXPECT_EQ(Ui().Messages().size(), 1);
  }
  ResetFailure();
}

INSTANTIATE_TEST_SUITE_P(MenuBar, WindowTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WithMenuBar" : "WithoutMenuBar"; });

}  // namespace
