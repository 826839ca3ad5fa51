// The find box of the main window: Find, Find Next and Find Previous, the comparison modes, the
// offsets of matches after letters of more than one unit, the three messages, Find as the default
// button, and the scroll to the match's line with its hidden display.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/checkbox.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

const char* const kMinimum = "The find text should be at least three characters!";
const char* const kNoMatches = "There are no matches!";
const char* const kNoMore = "Sorry, no more found!";

class FindTest : public JournalTest {
 protected:
  Window1* w = nullptr;

  void SetUp() override {
    JournalTest::SetUp();
    w = StartProgram();
    ASSERT_NE(w, nullptr);
  }
  fw::EditField& Editor() { return w->EF1(); }
  fw::EditField& Box() { return w->EditFieldNamed(QStringLiteral("FindString")); }
  fw::EditField& ScrollDisplay() { return w->EditFieldNamed(QStringLiteral("ThisScroll")); }
  void SetIgnoreCase(bool on) { w->Control<fw::CheckBox>(QStringLiteral("IgnoreCase")).SetValue(on); }
  void Load(const QString& text) {
    Editor().SetText(text);
    Select(1, 1);
  }
  void Select(int start, int length) {
    Editor().SetSelStart(start);
    Editor().SetSelLength(length);
  }
  // Presses the button and returns the messages it showed.
  QStringList Press(const char* button) {
    ui().Clear();
    w->ButtonNamed(QString::fromLatin1(button)).Push();
    return ui().Messages();
  }
  std::pair<int, int> Selection() { return {Editor().SelStart(), Editor().SelLength()}; }
};

QStringList Messages(const char* message) {
  return *message ? QStringList{QString::fromUtf8(message)} : QStringList{};
}

std::string CaseName(const char* text) {
  std::string name;
  for (const char* p = text; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

// A press and what it leaves: the editor's selection and the message shown ("" none).
struct Step {
  const char* button;
  int start, length;
  const char* message = "";
};

struct SequenceCase {
  const char* name;
  const char* text;
  const char* find;
  bool ignoreCase;
  std::vector<Step> steps;
};

// Each case starts with the selection at (1, 1), so a press that changes nothing leaves it there.
const SequenceCase kSequences[] = {
    {"overlapping three of four a", "aaaa", "aaa", true,
     {{"Find", 0, 3}, {"FindNext", 1, 3}, {"FindNext", 0, 3}}},
    {"previous skips a match overlapping by three", "aaaaa", "aaaa", true,
     {{"Find", 0, 4}, {"FindNext", 1, 4}, {"FindPrevious", 1, 4, kNoMore}}},
    {"back through separate matches", "abc xx abc yy abc", "abc", true,
     {{"Find", 0, 3}, {"FindNext", 7, 3}, {"FindNext", 14, 3}, {"FindPrevious", 7, 3}, {"FindPrevious", 0, 3},
      {"FindPrevious", 0, 3, kNoMore}}},
    {"previous right after find", "abc abc", "abc", true,
     {{"Find", 0, 3}, {"FindPrevious", 0, 3, kNoMore}, {"FindNext", 4, 3}}},
    {"find starts at the top", "abc abc", "abc", true, {{"FindNext", 0, 3}, {"FindNext", 4, 3}, {"Find", 0, 3}}},
    {"exactly three characters", "xabc", "abc", true, {{"Find", 1, 3}}},
    {"two characters get the minimum", "ab ab", "ab", true, {{"Find", 1, 1, kMinimum}}},
    {"find with no match", "abc", "xyz", true, {{"Find", 1, 1, kNoMatches}}},
    {"find next with no match", "abc", "xyz", true, {{"FindNext", 1, 1, kNoMatches}}},
    {"empty find box", "abc", "", true,
     {{"FindNext", 1, 1, kNoMatches}, {"FindPrevious", 1, 1, kNoMore}, {"Find", 1, 1, kMinimum}}},
    // Only Find has the minimum; a shorter text found by Find Next steps back to matches that
    // start before the current one, never to the current one or a later one.
    {"two characters through find next", "ab ab ab", "ab", true,
     {{"FindNext", 0, 2}, {"FindNext", 3, 2}, {"FindPrevious", 0, 2}, {"FindPrevious", 0, 2, kNoMore}}},
    {"one character through find next", "a-a-a", "a", true,
     {{"FindNext", 0, 1}, {"FindNext", 2, 1}, {"FindNext", 4, 1}, {"FindPrevious", 2, 1}, {"FindPrevious", 0, 1},
      {"FindPrevious", 0, 1, kNoMore}}},
    {"ignore case finds capitals", "The WORD is", "word", true, {{"Find", 4, 4}}},
    {"exact case skips capitals", "The WORD and word", "word", false, {{"Find", 13, 4}, {"FindNext", 13, 4}}},
    {"exact case finds nothing in capitals", "The WORD", "word", false, {{"Find", 1, 1, kNoMatches}}},
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.name; }

class FindSequence : public FindTest, public ::testing::WithParamInterface<SequenceCase> {};
INSTANTIATE_TEST_SUITE_P(Find, FindSequence, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return CaseName(info.param.name); });

TEST_P(FindSequence, SelectsAndReports) {
  const SequenceCase& c = GetParam();
  Load(QString::fromUtf8(c.text));
  Box().SetText(QString::fromUtf8(c.find));
  SetIgnoreCase(c.ignoreCase);
  int n = 0;
  for (const Step& s : c.steps) {
    SCOPED_TRACE(testing::Message() << "step " << ++n << ", " << s.button);
    EXPECT_EQ(Press(s.button), Messages(s.message));
    EXPECT_EQ(Selection(), std::make_pair(s.start, s.length));
  }
}

// What each message leaves in the find state, after a match shown at position 9.
TEST_F(FindTest, StateAfterEachMessage) {
  struct Case {
    const char* box;
    const char* button;
    const char* message;
    int q, p;
    const char* w;
  } const cases[] = {
      {"ab", "Find", kMinimum, 1, 9, "ab"},
      {"xyz", "Find", kNoMatches, 1, 0, "xyz"},
      {"xyz", "FindNext", kNoMatches, 1, 0, "xyz"},
      {"xyz", "FindPrevious", kNoMore, 10, 0, "abc"},  // reads neither the box nor the editor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.button << " " << c.box);
    Load(QStringLiteral("zzzzzzzzabc"));
    Box().SetText(QStringLiteral("abc"));
    Press("Find");
    ASSERT_EQ(Module1::P, 9);
    ASSERT_EQ(Module1::Q, 10);
    Box().SetText(QString::fromLatin1(c.box));
    EXPECT_EQ(Press(c.button), Messages(c.message));
    EXPECT_EQ(Selection(), std::make_pair(8, 3));
    EXPECT_EQ(Module1::Q, c.q);
    EXPECT_EQ(Module1::P, c.p);
    EXPECT_EQ(Module1::W, QString::fromLatin1(c.w));
    EXPECT_EQ(Module1::S1, QStringLiteral("zzzzzzzzabc"));
  }
}

// Find Previous compares in the mode the box shows when it is pressed, not the one of the Find.
TEST_F(FindTest, FindPreviousReadsIgnoreCaseAtItsPress) {
  struct Case {
    bool ignoreCaseAtPrevious;
    int expectedStart;
  } const cases[] = {{true, 4}, {false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ignoreCaseAtPrevious);
    Load(QStringLiteral("abc ABC abc"));
    Box().SetText(QStringLiteral("abc"));
    SetIgnoreCase(true);
    Press("Find");
    Press("FindNext");
    Press("FindNext");
    ASSERT_EQ(Selection(), std::make_pair(8, 3));
    SetIgnoreCase(c.ignoreCaseAtPrevious);
    EXPECT_EQ(Press("FindPrevious"), QStringList());
    EXPECT_EQ(Selection(), std::make_pair(c.expectedStart, 3));
  }
}

// Find Next takes a fresh copy of the edited text and goes on from the old Q; Find Previous scans
// the copy the last search took.
TEST_F(FindTest, EditsAfterASearch) {
  Load(QStringLiteral("abc abc"));
  Box().SetText(QStringLiteral("abc"));
  Press("Find");
  Press("FindNext");
  ASSERT_EQ(Selection(), std::make_pair(4, 3));
  Editor().SetText(QStringLiteral("xyz xyz abc"));
  EXPECT_EQ(Press("FindPrevious"), QStringList());
  EXPECT_EQ(Selection(), std::make_pair(0, 3));
  EXPECT_EQ(Module1::S1, QStringLiteral("abc abc"));
  EXPECT_EQ(Press("FindNext"), QStringList());
  EXPECT_EQ(Selection(), std::make_pair(8, 3));
}

// Letters of more than one UTF-16 unit, letters whose lower case is longer, and paragraph breaks
// before a match: the selection covers the match itself, in both modes.
struct UnicodeCase {
  const char* name;
  const char* text;  // UTF-8
  const char* find;
  bool ignoreCase;
  int start, length;  // in editor offsets; -1: no match
};
const UnicodeCase kUnicode[] = {
    {"accented letter, ignore case", "caf\u00e9 find me", "find", true, 5, 4},
    {"accented letter, exact", "caf\u00e9 find me", "find", false, 5, 4},
    {"combining accent, ignore case", "cafe\u0301 find me", "FIND", true, 6, 4},
    {"emoji, ignore case", "\U0001F600 find me", "find", true, 3, 4},
    {"emoji, exact", "\U0001F600 find me", "find", false, 3, 4},
    {"dotted capital I, ignore case", "\u0130\u0130\u0130 find me", "find", true, 4, 4},
    {"paragraphs, ignore case", "\u00e9\n\U0001F600\nfind me", "FiNd", true, 5, 4},
    {"paragraphs, exact", "\u00e9\n\U0001F600\nfind me", "find", false, 5, 4},
    {"accented capitals, ignore case", "x CAF\u00c9 y", "caf\u00e9", true, 2, 4},
    {"accented capitals, exact", "x CAF\u00c9 y", "caf\u00e9", false, -1, 0},
    {"capitals outside the BMP, ignore case", "x \U00010400\U00010400\U00010400 y", "\U00010428\U00010428\U00010428",
     true, 2, 6},
    {"capitals outside the BMP, exact", "x \U00010400\U00010400\U00010400 y", "\U00010428\U00010428\U00010428", false,
     -1, 0},
    {"emoji sought, ignore case", "ab \U0001F600\U0001F600 \U0001F600xy", "\U0001F600xy", true, 8, 4},
};

void PrintTo(const UnicodeCase& c, std::ostream* os) { *os << c.name; }

class FindUnicode : public FindTest, public ::testing::WithParamInterface<UnicodeCase> {};
INSTANTIATE_TEST_SUITE_P(Find, FindUnicode, ::testing::ValuesIn(kUnicode),
                         [](const auto& info) { return CaseName(info.param.name); });

TEST_P(FindUnicode, SelectsTheMatchItself) {
  const UnicodeCase& c = GetParam();
  const QString find = QString::fromUtf8(c.find);
  Load(QString::fromUtf8(c.text));
  Box().SetText(find);
  SetIgnoreCase(c.ignoreCase);
  for (const char* button : {"Find", "FindNext"}) {
    SCOPED_TRACE(button);
    if (c.start < 0) {
      EXPECT_EQ(Press(button), Messages(kNoMatches));
      continue;
    }
    EXPECT_EQ(Press(button), QStringList());
    EXPECT_EQ(Selection(), std::make_pair(c.start, c.length));
    EXPECT_EQ(Editor().SelText().compare(find, c.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive), 0)
        << Editor().SelText().toStdString();
  }
}

TEST_F(FindTest, FindBecomesTheDefaultButtonAtThreeCharacters) {
  fw::PushButton& find = w->ButtonNamed(QStringLiteral("Find"));
  struct Case {
    const char* text;
    bool isDefault;
  } const cases[] = {{"a", false}, {"ab", false}, {"abc", true}, {"a", true}, {"", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Box().SetText(QString::fromLatin1(c.text));
    EXPECT_EQ(find.Default(), c.isDefault);
    EXPECT_EQ(w->DefaultButton() == &find, c.isDefault);
  }
  // The rule counts characters: two emoji are two, not four UTF-16 units.
  find.SetDefault(false);
  for (const Case& c : {Case{"\U0001F600\U0001F600", false}, Case{"\U0001F600\U0001F600\U0001F600", true}}) {
    SCOPED_TRACE(c.text);
    Box().SetText(QString::fromUtf8(c.text));
    EXPECT_EQ(find.Default(), c.isDefault);
    EXPECT_EQ(w->DefaultButton() == &find, c.isDefault);
  }
  ui().Clear();
  Box().SetText(QStringLiteral("\U0001F600\U0001F600"));
  EXPECT_EQ(Press("Find"), Messages(kMinimum));
  // Return now presses Find, which reports the minimum for the empty text.
  Box().SetText(QString());
  ui().Clear();
  EXPECT_TRUE(w->HandleKey(Qt::Key_Return));
  EXPECT_EQ(ui().Messages(), Messages(kMinimum));
}

// Sixty one-line paragraphs, "line 00" to "line 59".
QString SixtyLines() {
  QStringList lines;
  for (int i = 0; i < 60; ++i) lines << QStringLiteral("line %1").arg(i, 2, 10, QLatin1Char('0'));
  return lines.join(u'\n');
}

// The match's line stands five lines below the top; a match in the first five lines gives a
// negative A, and the editor then shows its first line. The hidden display ends holding the
// first visible line, its handler running at most twice (A, then the line the editor took).
TEST_F(FindTest, ScrollsTheMatchFiveLinesDown) {
  struct Case {
    const char* find;
    int a;
    int scroll;  // the first visible line afterwards
  } const cases[] = {{"line 40", 35, 35}, {"line 02", -3, 0}, {"line 05", 0, 0}, {"line 20", 15, 15}};
  Load(SixtyLines());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.find);
    Box().SetText(QString::fromLatin1(c.find));
    fw::EnableTrace(true);
    fw::TraceLog().clear();
    EXPECT_EQ(Press("Find"), QStringList());
    fw::EnableTrace(false);
    EXPECT_EQ(Module1::A, c.a);
    EXPECT_EQ(Editor().ScrollPosition(), c.scroll);
    EXPECT_EQ(ScrollDisplay().Text(), QString::number(c.scroll));
    // None when the display already held A (a set that changes nothing raises nothing).
    EXPECT_LE(fw::TraceLog().count(QStringLiteral("Window1.ThisScroll.TextChange")), 2);
  }
}

// Lines are the editor's visual lines: a paragraph that wraps counts each of its lines.
TEST_F(FindTest, LinesAreVisualLines) {
  QString text;
  for (int i = 0; i < 40; ++i) text += QStringLiteral("a long paragraph that wraps ");
  Load(text + QStringLiteral("\ntarget"));
  QTextDocument* doc = Editor().Document();
  doc->documentLayout()->blockBoundingRect(doc->lastBlock());
  const int wrapped = doc->firstBlock().layout()->lineCount();
  ASSERT_GT(wrapped, 3);
  Box().SetText(QStringLiteral("target"));
  Press("Find");
  EXPECT_EQ(Module1::A, wrapped - 5);
}

// The line of an offset, counted plainly through the laid-out blocks.
int CountedLine(QTextDocument* doc, int offset) {
  doc->documentLayout()->blockBoundingRect(doc->lastBlock());
  const QTextBlock target = doc->findBlock(offset);
  int line = 0;
  for (QTextBlock b = doc->begin(); b != target; b = b.next()) line += b.layout()->lineCount();
  return line + target.layout()->lineForTextPosition(offset - target.position()).lineNumber();
}

// The editor keeps its line count between lookups; it must follow every edit and relayout.
TEST_F(FindTest, EditorLinesFollowEditsAndRelayout) {
  QStringList paragraphs;
  for (int i = 0; i < 30; ++i) paragraphs << QStringLiteral("paragraph %1 ").arg(i).repeated(6);
  Load(paragraphs.join(u'\n'));
  fw::EditField& ef = Editor();
  QTextDocument* doc = ef.Document();
  auto lastParagraph = [&] { return doc->lastBlock().position() + 3; };

  const int before = ef.LineNumAtCharPos(lastParagraph());
  EXPECT_EQ(before, CountedLine(doc, lastParagraph()));

  ef.SetWidth(ef.Width() / 2);  // narrower: more lines per paragraph
  const int narrower = ef.LineNumAtCharPos(lastParagraph());
  EXPECT_GT(narrower, before);
  EXPECT_EQ(narrower, CountedLine(doc, lastParagraph()));

  QTextCursor(doc).insertText(QStringLiteral("new first paragraph\n"));
  EXPECT_EQ(ef.LineNumAtCharPos(lastParagraph()), narrower + 1);

  QTextCursor c(doc);
  c.setPosition(doc->lastBlock().position());
  c.insertText(QStringLiteral("longer "), QTextCharFormat());
  EXPECT_EQ(ef.LineNumAtCharPos(lastParagraph()), CountedLine(doc, lastParagraph()));

  for (int line : {-4, 0, 7, 20}) {
    SCOPED_TRACE(line);
    ef.SetScrollPosition(line);
    EXPECT_EQ(ef.ScrollPosition(), std::max(line, 0));
  }
}

}  // namespace
