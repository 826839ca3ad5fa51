#include "platform/rtf/styledtextrtf.h"

#include <gtest/gtest.h>

#include "app/version.h"
#include "platform/system/folderitem.h"
#include "platform/text/fontfamily.h"

#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>
#include <ostream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace fw {
namespace {

// The six values a Section keeps per character. Colour 0 doubles as "no explicit foreground",
// which the model counts as black.
struct CharStyle {
  QString family = QStringLiteral("DejaVu Sans");
  int halfPoints = 24;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  QRgb rgb = 0;

  bool operator==(const CharStyle&) const = default;
};

struct TextRun {
  QString text;
  CharStyle style;
  bool operator==(const TextRun&) const = default;
};

// One QTextBlock: its runs and its own char format (what typing into it would use when empty).
struct Para {
  std::vector<TextRun> runs;
  CharStyle mark;
  bool operator==(const Para&) const = default;
};

using Doc = std::vector<Para>;

void PrintTo(const CharStyle& s, std::ostream* os) {
  *os << '"' << s.family.toStdString() << "\" " << s.halfPoints << "hp" << (s.bold ? " b" : "")
      << (s.italic ? " i" : "") << (s.underline ? " u" : "") << " #" << std::hex << s.rgb << std::dec;
}
void PrintTo(const TextRun& r, std::ostream* os) {
  *os << "{\"" << r.text.toStdString() << "\" ";
  PrintTo(r.style, os);
  *os << '}';
}
void PrintTo(const Para& p, std::ostream* os) {
  *os << "\n  para mark ";
  PrintTo(p.mark, os);
  for (const TextRun& r : p.runs) {
    *os << "\n    ";
    PrintTo(r, os);
  }
}

CharStyle StyleOf(const QTextCharFormat& f) {
  CharStyle s;
  s.family = NamedFamily(f);  // what the run names; a missing family is drawn in another
  s.halfPoints = qRound(f.fontPointSize() * 2);
  s.bold = f.fontWeight() >= QFont::Bold;
  s.italic = f.fontItalic();
  s.underline = f.fontUnderline();
  s.rgb = f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().rgb() & 0xFFFFFF : 0;
  return s;
}

QTextCharFormat FormatOf(const CharStyle& s) {
  QTextCharFormat f;
  f.setFontFamilies({s.family});
  f.setFontPointSize(s.halfPoints / 2.0);
  f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(s.italic);
  f.setFontUnderline(s.underline);
  if (s.rgb != 0) f.setForeground(QColor::fromRgb(s.rgb));
  return f;
}

// Adjacent fragments of one style are merged so the comparison does not depend on how Qt
// happened to split the text.
Doc Snapshot(const QTextDocument& doc) {
  Doc out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    Para p;
    p.mark = StyleOf(b.charFormat());
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const CharStyle s = StyleOf(f.charFormat());
      if (!p.runs.empty() && p.runs.back().style == s) {
        p.runs.back().text += f.text();
      } else {
        p.runs.push_back({f.text(), s});
      }
    }
    out.push_back(p);
  }
  return out;
}

void Fill(QTextDocument& doc, const Doc& wanted) {
  QTextCursor c(&doc);
  c.beginEditBlock();  // otherwise every insert re-measures the cursor's line
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (i == 0) {
      c.setBlockCharFormat(FormatOf(wanted[i].mark));
    } else {
      c.insertBlock(QTextBlockFormat(), FormatOf(wanted[i].mark));
    }
    for (const TextRun& r : wanted[i].runs) c.insertText(r.text, FormatOf(r.style));
  }
  c.endEditBlock();
}

const CharStyle kPlain;
const CharStyle kBold{.bold = true};
const CharStyle kItalic{.italic = true};
const CharStyle kUnderline{.underline = true};
const CharStyle kRed{.rgb = 0xff0000};
const CharStyle kBig{.halfPoints = 72};
const CharStyle kSerif{.family = QStringLiteral("DejaVu Serif")};
const CharStyle kEverything{.family = QStringLiteral("DejaVu Serif"),
                            .halfPoints = 36,
                            .bold = true,
                            .italic = true,
                            .underline = true,
                            .rgb = 0x123456};

CharStyle WithFamily(const QString& family) {
  CharStyle s;
  s.family = family;
  return s;
}
CharStyle WithSize(int halfPoints) {
  CharStyle s;
  s.halfPoints = halfPoints;
  return s;
}

Para P(std::vector<TextRun> runs, CharStyle mark = kPlain) { return {std::move(runs), mark}; }
Para P(const QString& text) { return {{{text, kPlain}}, kPlain}; }
Para Empty(CharStyle mark = kPlain) { return {{}, mark}; }

struct RoundTripCase {
  std::string name;
  Doc doc;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<RoundTripCase> cases;
  cases.push_back({"PlainAscii",
                   {P(QStringLiteral("The quick brown fox jumps over the lazy dog. 0123456789 "
                                     "!\"#$%&'()*+,-./:;<=>?@[]^_`|~"))}});
  cases.push_back({"TabsAndEmptyParagraphs",
                   {Empty(), Empty(), P(QStringLiteral("a\tb\t\tc")), Empty(), P(QStringLiteral("\t")),
                    P(QStringLiteral("\tx\t")), Empty(), Empty()}});
  cases.push_back({"AccentedLetters", {P(QStringLiteral("café naïve Ångström œuvre € ÿ ß Ωμέγα Ёж"))}});
  cases.push_back(
      {"Cjk", {P(QStringLiteral("日本語のテキスト、中文字符，한국어")), P(QStringLiteral("二行目"))}});
  cases.push_back({"OutsideBasicPlane", {P(QStringLiteral("😀 𝄞 𠀀 👩‍💻 end"))}});
  cases.push_back({"UnusualCharacters",
                   {P(QStringLiteral("\uFFFD nbsp\u00A0 line\u2028break del\u007F ctl\u0001 bom\uFEFF "
                                     "obj\uFFFC ?x")),
                    P(QString(QChar(0xD800)) + QStringLiteral("lone") + QChar(0xDC00)),
                    P(QString(QChar(0)) + QStringLiteral("nul"))}});
  cases.push_back(
      {"RtfSyntaxAsText", {P(QStringLiteral("\\ { } \\par {\\rtf1 x} \\'e9 \\u233? }{ \\\\ ;"))}});
  cases.push_back({"EachAttribute",
                   {P({{QStringLiteral("plain "), kPlain},
                       {QStringLiteral("bold "), kBold},
                       {QStringLiteral("italic "), kItalic},
                       {QStringLiteral("underline "), kUnderline},
                       {QStringLiteral("red "), kRed},
                       {QStringLiteral("big "), kBig},
                       {QStringLiteral("serif "), kSerif},
                       {QStringLiteral("all "), kEverything},
                       {QStringLiteral("plain again"), kPlain}})}});
  // Every character differs from its neighbour in exactly one attribute, so a switch the
  // writer forgets to turn back off shows up immediately.
  cases.push_back({"StyleChangesEveryCharacter",
                   {P({{QStringLiteral("a"), kBold},
                       {QStringLiteral("b"), kPlain},
                       {QStringLiteral("c"), kItalic},
                       {QStringLiteral("d"), kPlain},
                       {QStringLiteral("e"), kUnderline},
                       {QStringLiteral("f"), kPlain},
                       {QStringLiteral("g"), kRed},
                       {QStringLiteral("h"), kPlain},
                       {QStringLiteral("i"), kBig},
                       {QStringLiteral("j"), kPlain},
                       {QStringLiteral("k"), kSerif},
                       {QStringLiteral("l"), kPlain}})}});
  {
    std::vector<TextRun> runs;
    for (int i = 0; i < 40; ++i) {
      CharStyle s = WithFamily(QStringLiteral("Font %1").arg(i));
      s.rgb = QRgb((i * 0x3b5d17u + 0x010203u) & 0xFFFFFF);
      runs.push_back({QStringLiteral("run%1 ").arg(i), s});
    }
    cases.push_back({"ManyFontsAndColours", {P(runs)}});
  }
  cases.push_back({"OddFontNames",
                   {P({{QStringLiteral("a"), WithFamily(QStringLiteral("Times New Roman"))},
                       {QStringLiteral("b"), WithFamily(QStringLiteral("Semi;Colon;"))},
                       {QStringLiteral("c"), WithFamily(QStringLiteral("{Brace} }Font{"))},
                       {QStringLiteral("d"), WithFamily(QStringLiteral("Back\\slash\\"))},
                       {QStringLiteral("e"), WithFamily(QStringLiteral("Šrift Ünïcode"))},
                       {QStringLiteral("f"), WithFamily(QStringLiteral("明朝 体"))},
                       {QStringLiteral("g"), WithFamily(QStringLiteral(" Leading and trailing "))},
                       {QStringLiteral("h"), WithFamily(QStringLiteral("9 Digit first"))}})}});
  cases.push_back({"Sizes",
                   {P({{QStringLiteral("9"), WithSize(18)},
                       {QStringLiteral("10.5"), WithSize(21)},
                       {QStringLiteral("11"), WithSize(22)},
                       {QStringLiteral("12"), WithSize(24)},
                       {QStringLiteral("36"), WithSize(72)},
                       {QStringLiteral("72"), WithSize(144)}})}});
  // Paragraphs whose own format differs from their text, as after the user picks a style on an
  // empty line; the last one is what typing at the very end uses.
  cases.push_back({"ParagraphFormatsDifferFromText",
                   {P({{QStringLiteral("first"), kBold}}, kSerif), Empty(kEverything), Empty(kRed),
                    P({{QStringLiteral("x"), kPlain}}, kBig), Empty(kItalic)}});
  {
    // Each script's text is read with its own set of styles; spaces and digits go with the
    // script before them, so they too must come back in the style they had.
    CharStyle courierBold = WithFamily(QStringLiteral("Courier New"));
    courierBold.bold = true;
    CharStyle serifItalicBig = kSerif;
    serifItalicBig.italic = true;
    serifItalicBig.halfPoints = 40;
    cases.push_back({"OtherScripts",
                     {P({{QStringLiteral("عربي"), courierBold},
                         {QStringLiteral(" 12 "), kPlain},
                         {QStringLiteral("שלום"), kItalic},
                         {QStringLiteral("日本語"), serifItalicBig},
                         {QStringLiteral("、"), kBold},
                         {QStringLiteral("한국어 "), courierBold},
                         {QStringLiteral("สวัสดี"), serifItalicBig},
                         {QStringLiteral("नमस्ते"), kRed},
                         {QStringLiteral("𠀀 "), kBig},
                         {QStringLiteral("Latin"), courierBold}}),
                      P({{QStringLiteral(" 1"), kBig}, {QStringLiteral("عربي"), courierBold}})}});
  }
  {
    // Long enough that the output buffer has to grow, with plenty of multi-byte escapes.
    std::vector<TextRun> runs;
    const CharStyle styles[] = {kPlain, kBold, kEverything, kRed, kSerif};
    for (int i = 0; i < 2000; ++i) runs.push_back({QStringLiteral("ab日本😀é\tz").repeated(3), styles[i % 5]});
    cases.push_back({"LongParagraphWithEscapes", {P(runs), P(QStringLiteral("tail"))}});
  }
  return cases;
}

class RoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, DecodedDocumentMatchesOriginal) {
  QTextDocument original;
  Fill(original, GetParam().doc);
  ASSERT_EQ(Snapshot(original), GetParam().doc) << "test document was not built as described";

  const QByteArray rtf = EncodeStyledRtf(original);
  ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
  for (char c : rtf) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "output must be 7-bit text";

  QTextEdit editor;
  editor.setPlainText(QStringLiteral("previous content"));
  QString error;
  ASSERT_TRUE(DecodeStyledRtf(rtf, *editor.document(), &error)) << error.toStdString();
  EXPECT_EQ(Snapshot(*editor.document()), GetParam().doc);

  // A second generation must be byte-identical, or saving a loaded Section would drift.
  EXPECT_EQ(EncodeStyledRtf(*editor.document()), rtf);
}

INSTANTIATE_TEST_SUITE_P(Documents, RoundTripTest, testing::ValuesIn(RoundTripCases()),
                         [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(StyledTextRtf, EncodingIsPinned) {
  QTextDocument doc;
  const CharStyle arial = WithFamily(QStringLiteral("Arial"));
  CharStyle boldRed = arial;
  boldRed.bold = true;
  boldRed.rgb = 0xff0000;
  CharStyle odd = WithFamily(QStringLiteral("Semi;Colon"));
  odd.halfPoints = 18;
  odd.italic = odd.underline = true;
  CharStyle boldMark = arial;
  boldMark.bold = true;
  CharStyle blue = arial;
  blue.rgb = 0x0000ff;
  // "A" and "b" are inserted separately but share a style, so they must come out as one run.
  Fill(doc, {P({{QStringLiteral("A"), arial},
                {QStringLiteral("b"), arial},
                {QStringLiteral("\\{}"), boldRed},
                {QStringLiteral("\té"), odd}},
               arial),
             Empty(boldMark), P({{QStringLiteral("😀 x"), blue}}, blue)});

  EXPECT_EQ(EncodeStyledRtf(doc).toStdString(),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Semi\\'3bColon;}}"
            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
            "{\\*\\generator Tavrin " TAVRIN_VERSION_SHORT ";}\n"
            "\\f0\\fs24\\b0\\i0\\ulnone\\cf0 Ab\\b\\cf1\\\\\\{\\}\\f1\\fs18\\b0\\i\\ul\\cf0\\tab\\u233?"
            "\\f0\\fs24\\i0\\ulnone\\par\n"
            "\\b\\par\n"
            "\\b0\\cf2\\u-10179?\\u-8704? x\\par\n}");
}

// Word processors show East Asian and complex-script text in styles of their own unless the
// file states them, so each such run says its style in the set it is read with too.
TEST(StyledTextRtf, OtherScriptsStateTheirStyle) {
  QTextDocument doc;
  CharStyle courierBold = WithFamily(QStringLiteral("Courier New"));
  courierBold.bold = true;
  Fill(doc, {P({{QStringLiteral("Latin "), kPlain},
                {QStringLiteral("عربي"), courierBold},
                {QStringLiteral(" "), kPlain},
                {QStringLiteral("日本"), courierBold},
                {QStringLiteral("x"), kPlain}})});
  const std::string rtf = EncodeStyledRtf(doc).toStdString();
  const std::string body = rtf.substr(rtf.find("}\n") + 2);
  EXPECT_EQ(body,
            "\\f0\\fs24\\b0\\i0\\ulnone\\cf0 Latin "
            "\\f1\\b\\rtlch\\af1\\afs24\\ab\\ai0\\ltrch\\u1593?\\u1585?\\u1576?\\u1610?"
            "\\f0\\b0\\rtlch\\af0\\afs24\\ab0\\ai0\\ltrch  "
            "\\f1\\b\\dbch\\af1\\afs24\\ab\\ai0\\loch\\u26085?\\u26412?"
            "\\f0\\b0 x\\par\n}");
}

class TypingStyleTest : public testing::Test {
 protected:
  const CharStyle typing_{
      .family = QStringLiteral("DejaVu Serif"), .halfPoints = 36, .bold = true, .rgb = 0xff0000};

  // Round trip through a file into an editor that held something else before.
  void Load(const Doc& wanted) {
    QTextDocument original;
    Fill(original, wanted);
    editor_.setPlainText(QStringLiteral("old text\nold second line"));
    QString error;
    ASSERT_TRUE(DecodeStyledRtf(EncodeStyledRtf(original), *editor_.document(), &error))
        << error.toStdString();
  }

  QTextEdit editor_;
};

TEST_F(TypingStyleTest, EmptyDocumentKeepsItsTypingStyle) {
  ASSERT_NO_FATAL_FAILURE(Load({Empty(typing_)}));
  QTextDocument& doc = *editor_.document();
  EXPECT_TRUE(doc.isEmpty());
  EXPECT_EQ(doc.blockCount(), 1);
  EXPECT_EQ(StyleOf(QTextCursor(&doc).charFormat()), typing_);
  EXPECT_EQ(StyleOf(editor_.currentCharFormat()), typing_);

  QTextCursor typed(&doc);
  typed.insertText(QStringLiteral("x"));
  EXPECT_EQ(Snapshot(doc), (Doc{P({{QStringLiteral("x"), typing_}}, typing_)}));
}

TEST_F(TypingStyleTest, TextTypedIntoEmptyLastParagraphTakesItsStyle) {
  ASSERT_NO_FATAL_FAILURE(Load({P({{QStringLiteral("Hello"), kItalic}}), Empty(typing_)}));
  QTextCursor end(editor_.document());
  end.movePosition(QTextCursor::End);
  end.insertText(QStringLiteral("x"));
  EXPECT_EQ(Snapshot(*editor_.document()).back().runs,
            (std::vector<TextRun>{{QStringLiteral("x"), typing_}}));
}

TEST(StyledTextRtf, UnsetPropertiesAreWrittenAsTheDefaultFontShowsThem) {
  QTextDocument doc;
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setPointSize(14);
  font.setItalic(true);
  doc.setDefaultFont(font);
  QTextCursor(&doc).insertText(QStringLiteral("unset"), QTextCharFormat());

  QTextDocument loaded;  // its own default font differs
  ASSERT_TRUE(DecodeStyledRtf(EncodeStyledRtf(doc), loaded, nullptr));
  const CharStyle expected{.family = QStringLiteral("DejaVu Sans Mono"), .halfPoints = 28, .italic = true};
  EXPECT_EQ(Snapshot(loaded), (Doc{P({{QStringLiteral("unset"), expected}}, expected)}));
}

TEST(StyledTextRtf, DecodeReplacesContentAndStartsAFreshHistory) {
  for (const bool undoEnabled : {true, false}) {
    SCOPED_TRACE(undoEnabled ? "undo enabled" : "undo disabled");
    QTextDocument source;
    Fill(source, {P(QStringLiteral("new")), P({{QStringLiteral("second"), kBold}})});
    const QByteArray rtf = EncodeStyledRtf(source);

    QTextDocument doc;
    doc.setUndoRedoEnabled(undoEnabled);
    Fill(doc, {P(QStringLiteral("one")), P(QStringLiteral("two")), P(QStringLiteral("three"))});
    doc.setModified(true);

    ASSERT_TRUE(DecodeStyledRtf(rtf, doc, nullptr));
    EXPECT_EQ(Snapshot(doc), Snapshot(source));
    EXPECT_FALSE(doc.isModified());
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_EQ(doc.isUndoRedoEnabled(), undoEnabled);
  }
}

// ---------------------------------------------------------------------------------------------
// RTF written by other programs

struct ForeignCase {
  std::string name;
  QByteArray rtf;
  QStringList paragraphs;
};

void PrintTo(const ForeignCase& c, std::ostream* os) { *os << c.name; }

QStringList PlainParagraphs(const QTextDocument& doc) {
  QStringList out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) out << b.text();
  return out;
}

std::vector<ForeignCase> ForeignCases() {
  static const char kPadded[] = "{\\rtf1\\foo-12\\bar\\baz12 x}\r\n\0\0";
  return {
      {"SimpleEditor",
       "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}}\r\n"
       "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
       "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 Caf\\'e9 na\\'efve \\b bold\\b0\\par\r\n"
       "Second\\par\r\n}\r\n",
       {QStringLiteral("Café naïve bold"), QStringLiteral("Second")}},
      {"UnicodeEscapes",
       "{\\rtf1\\ansi\\uc1 caf\\u233? x\\u-10179?\\u-8704?\\u128512?}",
       {QStringLiteral("café x😀😀")}},
      {"UnicodeSkipCountIsScoped", "{\\rtf1{\\uc2\\u26085\\'93\\'fa}\\u233?}", {QStringLiteral("日é")}},
      {"UnicodeWithoutFallback", "{\\rtf1\\uc0\\u233\\u8364 !}", {QStringLiteral("é€!")}},
      {"SkippedGroups",
       "{\\rtf1{\\fonttbl{\\f0\\froman{\\*\\panose 02020603050405020304}Times{\\*\\falt Tms};}}"
       "{\\stylesheet{\\s0\\f0 Normal;}{\\*\\cs10 Default Paragraph Font;}}"
       "{\\info{\\title Hidden title}{\\author Nobody}}{\\*\\generator Other 1.0;}"
       "{\\*\\unknowndest with {nested} text}{\\pict\\pngblip\\picw10\\pich10 89504e47}"
       "{\\pict\\bin6 {}\\{\\}}Visible{\\*\\bkmkstart x}{\\*\\bkmkend x} text}",
       {QStringLiteral("Visible text")}},
      {"Field",
       "{\\rtf1 Go to {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/\"}}{\\fldrslt{\\ul link}}} now}",
       {QStringLiteral("Go to link now")}},
      {"ControlSymbols",
       "{\\rtf1 a\\~b\\_c\\-d\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\tab e\\line f}",
       {QStringLiteral("a\u00A0b\u2011c\u00ADd—–‘’“”•\te\u2028f")}},
      {"CocoaStyle",
       "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n\\cocoatextscaling0\\cocoaplatform0"
       "{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n{\\colortbl;\\red255\\green255\\blue255;}\n"
       "{\\*\\expandedcolortbl;;}\n\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520"
       "\\viewh8400\\viewkind0\n\\pard\\tx566\\tx1133\\pardirnatural\\partightenfactor0\n\n"
       "\\f0\\fs24 \\cf0 Hello\\\nWorld}",
       {QStringLiteral("Hello"), QStringLiteral("World")}},
      {"RawAndHexWindowsBytes",
       "{\\rtf1\\ansi caf\xe9 \x80 \\'80\\'93q\\'94}",
       {QStringLiteral("café € €“q”")}},
      {"Table",
       "{\\rtf1\\trowd\\cellx1000\\cellx2000 A\\cell B\\cell\\row C}",
       {QStringLiteral("A\tB\t"), QStringLiteral("C")}},
      {"AlternateUnicodeText",
       "{\\rtf1 {\\upr{ansi text}{\\*\\ud{unicode \\u8364?}}}}",
       {QStringLiteral("unicode €")}},
      {"UnknownWordsAndPadding", QByteArray(kPadded, sizeof(kPadded) - 1), {QStringLiteral("x")}},
      {"LineBreaksInFile",
       "{\\rtf1 one\r\ntwo\\\nthree}",
       {QStringLiteral("onetwo"), QStringLiteral("three")}},
      {"DamagedHexEscapeKeepsBraces", "{\\rtf1 a\\'zz{b}\\'4}", {QStringLiteral("azzb")}},
      {"ExtraClosingBraces", "{\\rtf1 a}}}", {QStringLiteral("a")}},
      {"OnlyMarksGiveEmptyParagraphs", "{\\rtf1 \\par\\par}", {QString(), QString()}},
      {"EmptyDocument", "{\\rtf1 }", {QString()}},
      {"TextAfterTheLastMark", "{\\rtf1 a\\par b}", {QStringLiteral("a"), QStringLiteral("b")}},
      {"BreakRightAfterAMark", "{\\rtf1 a\\par\\page\\page b\\column}", {QStringLiteral("a"), QStringLiteral("b")}},
  };
}

class ForeignRtfTest : public testing::TestWithParam<ForeignCase> {};

TEST_P(ForeignRtfTest, DecodesToExpectedText) {
  QTextDocument doc;
  QString error;
  ASSERT_TRUE(DecodeStyledRtf(GetParam().rtf, doc, &error)) << error.toStdString();
  EXPECT_EQ(PlainParagraphs(doc), GetParam().paragraphs);
}

INSTANTIATE_TEST_SUITE_P(Samples, ForeignRtfTest, testing::ValuesIn(ForeignCases()),
                         [](const testing::TestParamInfo<ForeignCase>& info) { return info.param.name; });

TEST(ForeignRtf, FormattingStateFollowsGroupsAndResets) {
  const QByteArray rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\f1\\fs40\\b\\i\\ul\\cf1 A\\pard\\plain B{\\cf2\\i C}D\\cf1 E\\cf0 F\\cf9 G\\b1\\ul0 H\\uldb\\b0 I}";
  QTextDocument doc;
  ASSERT_TRUE(DecodeStyledRtf(rtf, doc, nullptr));
  const CharStyle arial = WithFamily(QStringLiteral("Arial"));
  CharStyle a{.family = QStringLiteral("Courier New"),
              .halfPoints = 40,
              .bold = true,
              .italic = true,
              .underline = true,
              .rgb = 0xff0000};
  CharStyle c = arial;
  c.italic = true;
  c.rgb = 0x0000ff;
  CharStyle e = arial;
  e.rgb = 0xff0000;
  CharStyle h = arial;
  h.bold = true;
  CharStyle i = arial;
  i.underline = true;
  EXPECT_EQ(Snapshot(doc), (Doc{P({{QStringLiteral("A"), a},
                                   {QStringLiteral("B"), arial},
                                   {QStringLiteral("C"), c},
                                   {QStringLiteral("D"), arial},
                                   {QStringLiteral("E"), e},
                                   {QStringLiteral("FG"), arial},
                                   {QStringLiteral("H"), h},
                                   {QStringLiteral("I"), i}},
                                  i)}));
}

// Word processors open files nested far deeper than any real document.
TEST(ForeignRtf, DeepNestingIsRead) {
  for (const int depth : {1200, 20000}) {
    SCOPED_TRACE(depth);
    const QByteArray rtf = "{\\rtf1 x" + QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + " y}";
    QTextDocument doc;
    QString error;
    ASSERT_TRUE(DecodeStyledRtf(rtf, doc, &error)) << error.toStdString();
    EXPECT_EQ(Snapshot(doc), (Doc{P({{QStringLiteral("x"), WithFamily(QString())},
                                      {QStringLiteral("deep"), [] {
                                         CharStyle b = WithFamily(QString());
                                         b.bold = true;
                                         return b;
                                       }()},
                                      {QStringLiteral(" y"), WithFamily(QString())}},
                                     WithFamily(QString()))}));
  }
}

TEST(ForeignRtf, NoFontTableLeavesFamilyToTheEditor) {
  QTextDocument doc;
  ASSERT_TRUE(DecodeStyledRtf("{\\rtf1 bare}", doc, nullptr));
  const QTextCharFormat f = doc.begin().begin().fragment().charFormat();
  EXPECT_FALSE(f.hasProperty(QTextFormat::FontFamilies));
  EXPECT_EQ(f.fontPointSize(), 12.0);
  EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush));
}

// A family this computer lacks is drawn in the family the font system falls back to for it, so that
// thousands of them cost it one font; the text still names it, and saves it, until the user picks
// another family, be it the one it was drawn in.
TEST(StyledTextRtf, AMissingFamilyIsDrawnInItsFallbackAndKeepsItsName) {
  QTextDocument doc;
  ASSERT_TRUE(DecodeStyledRtf("{\\rtf1{\\fonttbl{\\f0 No Such Family One;}{\\f1 No Such Family Two;}}\\f0 a\\f1 b}", doc, nullptr));
  QTextCursor c(&doc);
  const auto formatAt = [&](int pos) {
    c.setPosition(pos + 1);
    return c.charFormat();
  };
  const QTextCharFormat a = formatAt(0), b = formatAt(1);
  EXPECT_EQ(NamedFamily(a), QStringLiteral("No Such Family One"));
  EXPECT_EQ(NamedFamily(b), QStringLiteral("No Such Family Two"));
  const QString drawn = a.fontFamilies().toStringList().value(0);
  EXPECT_EQ(b.fontFamilies().toStringList().value(0), drawn) << "two missing families, two fonts to look up";
  EXPECT_EQ(QFontInfo(a.font()).family(), QFontInfo(QFont(QStringLiteral("No Such Family One"))).family());
  EXPECT_NE(a, b);
  const QByteArray saved = EncodeStyledRtf(doc);
  EXPECT_TRUE(saved.contains("No Such Family One;") && saved.contains("No Such Family Two;")) << saved.toStdString();

  // The user picks the family it was drawn in.
  c.setPosition(0);
  c.setPosition(1, QTextCursor::KeepAnchor);
  QTextCharFormat picked;
  SetNamedFamily(picked, drawn);
  c.mergeCharFormat(picked);
  EXPECT_EQ(NamedFamily(formatAt(0)), drawn);
  EXPECT_FALSE(EncodeStyledRtf(doc).contains("No Such Family One;"));
}

// ---------------------------------------------------------------------------------------------
// Hand-written files in tests/platform/rtf, each written the way another program writes it

QByteArray Fixture(const QString& name) {
  FolderItem item(QStringLiteral(TAVRIN_TEST_SOURCE_DIR "/rtf/") + name);
  QByteArray data;
  EXPECT_TRUE(item.ReadAll(&data)) << name.toStdString() << ": " << item.LastError().toStdString();
  return data;
}

Doc DecodeFixture(const QString& name) {
  QTextDocument doc;
  QString error;
  EXPECT_TRUE(DecodeStyledRtf(Fixture(name), doc, &error)) << name.toStdString() << ": " << error.toStdString();
  return Snapshot(doc);
}

QStringList TextOf(const Doc& doc) {
  QStringList out;
  for (const Para& p : doc) {
    QString text;
    for (const TextRun& r : p.runs) text += r.text;
    out << text;
  }
  return out;
}

TEST(RtfFixtures, ReadAsTheirWritersMeantThem) {
  const struct {
    const char* file;
    QStringList paragraphs;
  } cases[] = {
      // A mark before the end closes the last paragraph; it opens no empty one.
      {"wordpad-ends-in-mark.rtf", {QStringLiteral("First"), QStringLiteral("Second")}},
      {"libreoffice-ends-in-mark.rtf", {QStringLiteral("First"), QString(), QStringLiteral("Third")}},
      // Our files from before they named their writer: the last paragraph had no mark.
      {"tavrin-earlier.rtf", {QStringLiteral("First عر 1 日本"), QString(), QStringLiteral("Third"), QString()}},
      // \ansicpg for fonts that name no character set; \fcharset0 is Western all the same.
      {"ansicpg1251.rtf",
       {QStringLiteral("Привет, мир!"), QStringLiteral("Western font: café"), QStringLiteral("No such font: да")}},
      {"mac-document.rtf", {QStringLiteral("café naïve")}},
      {"fcharset.rtf",
       {QStringLiteral("Western: café €"), QStringLiteral("1250: Žluťoučký kůň"), QStringLiteral("1251: Привет"),
        QStringLiteral("1253: Αθήνα"), QStringLiteral("1254: İş ğ"), QStringLiteral("1255: שלום"),
        QStringLiteral("1256: مرحبا"), QStringLiteral("1257: Ąčū"), QStringLiteral("1258: Vi\u0309t"),
        QStringLiteral("874: สวัสดี"), QStringLiteral("932: 日本語 テキスト"), QStringLiteral("936: 中文"),
        QStringLiteral("949: 한국어"), QStringLiteral("950: 中文"), QStringLiteral("10000: café •"),
        QStringLiteral("cpg: да"), QStringLiteral("back: é")}},
      {"breaks.rtf", {QStringLiteral("page"), QStringLiteral("after"), QStringLiteral("third"), QStringLiteral("col"),
                      QStringLiteral("section"), QStringLiteral("next"), QStringLiteral("last")}},
      {"after-final-brace.rtf", {QStringLiteral("Text")}},
      // In an \rtlch or \dbch run, bytes are in the code page of the font named for that run.
      {"run-fonts-code-pages.rtf", {QStringLiteral("Latin é مرحبا 日本 é")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(TextOf(DecodeFixture(QString::fromLatin1(c.file))), c.paragraphs);
  }
}

// Besides the empty last paragraph: other scripts' text there stated no style of its own and
// looks like the text around it, as before.
TEST(RtfFixtures, EarlierFileReadsAsBefore) {
  CharStyle courierBig = WithFamily(QStringLiteral("Courier New"));
  courierBig.halfPoints = 48;
  courierBig.bold = true;
  CharStyle boldMark = kPlain;
  boldMark.bold = true;
  EXPECT_EQ(DecodeFixture(QStringLiteral("tavrin-earlier.rtf")),
            (Doc{P({{QStringLiteral("First "), kPlain}, {QStringLiteral("عر 1 日本"), courierBig}}, courierBig), Empty(),
                 P(QStringLiteral("Third")), Empty(boldMark)}));
}

TEST(RtfFixtures, FontNamesAreDecodedByTheirCharacterSet) {
  const Doc doc = DecodeFixture(QStringLiteral("fcharset.rtf"));
  ASSERT_GT(doc.size(), 10u);
  ASSERT_FALSE(doc[10].runs.empty());
  EXPECT_EQ(doc[10].runs.front().style.family, QStringLiteral("ＭＳ 明朝"));
}

// What word processors write that the editor has no place for is named, so that the user can be
// told before a save drops it; the text around it reads as usual.
QStringList NotKeptIn(const QByteArray& data, QTextDocument* doc = nullptr) {
  StyledRtfDecoder decoder(data);
  QString error;
  EXPECT_TRUE(decoder.Parse(&error)) << error.toStdString();
  if (doc) decoder.Build(*doc, std::numeric_limits<qsizetype>::max());
  return decoder.NotKept();
}

TEST(RtfFixtures, ContentBeyondTheEditorIsNamed) {
  const struct {
    const char* file;
    QStringList kinds;
    QStringList paragraphs;
  } cases[] = {
      // The cells' text stays, a tab after each, and each row ends its paragraph.
      {"table.rtf", {QStringLiteral("tables")}, {QStringLiteral("Before"), QStringLiteral("A1\tB1\t"), QStringLiteral("After")}},
      {"footnote.rtf", {QStringLiteral("footnotes")}, {QStringLiteral("Main text goes on.")}},
      {"picture.rtf", {QStringLiteral("pictures")}, {QStringLiteral("Picture: done")}},
      // A field's last result is shown; its instruction (here a link's address) is not.
      {"field.rtf", {QStringLiteral("fields")}, {QStringLiteral("See Example.")}},
      {"shape.rtf", {QStringLiteral("drawings")}, {QStringLiteral("Beside a box")}},
      {"object.rtf", {QStringLiteral("embedded objects")}, {QStringLiteral("Sheet: ")}},
      {"comment.rtf", {QStringLiteral("comments")}, {QStringLiteral("Commented")}},
      // A footer of a page number: the number a field shows is text of it.
      {"header.rtf", {QStringLiteral("headers and footers")}, {QStringLiteral("Body")}},
      // Styles, lists, document information, revision ids, themes, bookmarks, the footnote
      // separators every such file carries and a header and footer left empty show nothing, and
      // nothing is lost with them.
      {"metadata.rtf", {}, {QStringLiteral("Plain words")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    QTextDocument doc;
    EXPECT_EQ(NotKeptIn(Fixture(QString::fromLatin1(c.file)), &doc), c.kinds);
    EXPECT_EQ(TextOf(Snapshot(doc)), c.paragraphs);
  }
  EXPECT_EQ(NotKeptIn("{\\rtf1 {\\*\\footnote a}{\\pict 00}\\trowd x\\cell\\row}"),
            (QStringList{QStringLiteral("footnotes"), QStringLiteral("pictures"), QStringLiteral("tables")}))
      << "several kinds, in a fixed order";
  QTextDocument attached;
  EXPECT_EQ(NotKeptIn("{\\rtf1\\ansi See {{\\NeXTGraphic shot.png \\width200 \\height100}\\'ac} here\\par}", &attached),
            QStringList{QStringLiteral("pictures")});
  EXPECT_EQ(attached.toPlainText(), QStringLiteral("See \u00ac here")) << "an attachment's file name is no text";
}

TEST(RtfFixtures, OurFilesAndPlainOnesLoseNothing) {
  QTextDocument source;
  Fill(source, {P({{QStringLiteral("Tavrin é 日本 عربي 😀\t{}\\"), kEverything}, {QStringLiteral("x"), kPlain}}),
                Empty(kRed), P({{QStringLiteral("last"), WithFamily(QStringLiteral("Semi;Colon"))}})});
  EXPECT_EQ(NotKeptIn(EncodeStyledRtf(source)), QStringList());
  for (const char* file : {"wordpad-ends-in-mark.rtf", "libreoffice-ends-in-mark.rtf", "libreoffice-scripts.rtf",
                           "tavrin-earlier.rtf", "breaks.rtf", "fcharset.rtf", "mac-document.rtf"}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(NotKeptIn(Fixture(QString::fromLatin1(file))), QStringList());
  }
}

// LibreOffice's way: the paragraph states every script's set, each run what differs. Spaces and
// digits go with the script before them, as LibreOffice shows them.
TEST(RtfFixtures, EachScriptIsReadWithItsOwnStyle) {
  const auto style = [](const char* family, int halfPoints, bool bold = false, bool italic = false) {
    CharStyle s = WithFamily(QString::fromUtf8(family));
    s.halfPoints = halfPoints;
    s.bold = bold;
    s.italic = italic;
    return s;
  };
  const CharStyle mark = style("Liberation Serif", 24);
  const CharStyle arabicDefault = style("Noto Sans Arabic", 24);
  EXPECT_EQ(DecodeFixture(QStringLiteral("libreoffice-scripts.rtf")),
            (Doc{P({{QStringLiteral("عربي"), style("Courier New", 48, true, true)},
                    {QStringLiteral(" "), arabicDefault},
                    {QStringLiteral("Latin"), style("DejaVu Sans", 24)}},
                   mark),
                 P({{QStringLiteral("عر 12"), arabicDefault}}, mark),
                 P({{QStringLiteral("日本"), style("Courier New", 20, true)},
                    {QStringLiteral(" "), style("Noto Sans CJK SC", 24)},
                    {QStringLiteral("x"), style("Courier New", 24)}},
                   mark),
                 P({{QStringLiteral("ไท "), arabicDefault}, {QStringLiteral("x"), style("DejaVu Sans", 48, true, true)}},
                   mark)}));
}

// ---------------------------------------------------------------------------------------------
// LibreOffice, where it is installed: it reads our files as we meant them, and we read its
// files of them as it meant them.

class LibreOfficeTest : public testing::Test {
 protected:
  void SetUp() override {
    soffice_ = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice_.isEmpty()) GTEST_SKIP() << "soffice is not installed, so LibreOffice's reading of our files is not checked";
    ASSERT_TRUE(dir_.isValid());
  }

  // Our file of `doc` as LibreOffice converts it to `format` (its --convert-to argument).
  QByteArray Convert(const Doc& doc, const QString& format, const QString& extension) {
    QTextDocument source;
    Fill(source, doc);
    FolderItem in(dir_.filePath(QStringLiteral("ours.rtf")));
    EXPECT_TRUE(in.WriteAll(EncodeStyledRtf(source))) << in.LastError().toStdString();
    QProcess soffice;
    // A profile of its own, so that a LibreOffice the user has open is neither used nor disturbed.
    soffice.start(soffice_, {QStringLiteral("-env:UserInstallation=") +
                                 QUrl::fromLocalFile(dir_.filePath(QStringLiteral("profile"))).toString(),
                             QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                             format, QStringLiteral("--outdir"), dir_.filePath(QStringLiteral("out")), in.NativePath()});
    if (!soffice.waitForFinished(90000)) {
      soffice.kill();
      soffice.waitForFinished();
      ADD_FAILURE() << "soffice did not finish within 90 s";
      return {};
    }
    FolderItem out(dir_.filePath(QStringLiteral("out/ours.") + extension));
    QByteArray data;
    EXPECT_TRUE(out.ReadAll(&data)) << soffice.readAllStandardError().toStdString();
    return data;
  }

  QString soffice_;
  QTemporaryDir dir_;
};

TEST_F(LibreOfficeTest, ReadsOurTextAsWritten) {
  const Doc doc{P(QStringLiteral("two  spaces, three   spaces")), P(QStringLiteral("Привет, мир")),
                P(QStringLiteral("عربي שלום 日本語 한국어 สวัสดี")), Empty(), P(QStringLiteral("tab\there")),
                P(QStringLiteral("last but one")), Empty()};
  QString text = QString::fromUtf8(Convert(doc, QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("txt")));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QStringList lines = text.split(QLatin1Char('\n'));
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.takeLast(), QString());  // after the last line end
  EXPECT_EQ(lines, TextOf(doc));
}

TEST_F(LibreOfficeTest, KeepsOurStyles) {
  CharStyle courierBold = WithFamily(QStringLiteral("Courier New"));
  courierBold.bold = true;
  CharStyle serifItalicBig = kSerif;
  serifItalicBig.italic = true;
  serifItalicBig.halfPoints = 40;
  const Doc doc{P({{QStringLiteral("plain "), kPlain},
                   {QStringLiteral("bold "), kBold},
                   {QStringLiteral("italic "), kItalic},
                   {QStringLiteral("underline "), kUnderline},
                   {QStringLiteral("red "), kRed},
                   {QStringLiteral("big "), kBig},
                   {QStringLiteral("all"), kEverything}}),
                P({{QStringLiteral("عربي"), courierBold},
                   {QStringLiteral(" and "), kPlain},
                   {QStringLiteral("日本語"), serifItalicBig},
                   {QStringLiteral(" and "), kPlain},
                   {QStringLiteral("สวัสดี"), kBig},
                   {QStringLiteral(" and "), kPlain},
                   {QStringLiteral("עברית"), serifItalicBig}}),
                Empty()};  // the paragraph count agrees both ways
  // Underline and colour are left to Latin text: LibreOffice 7.4 reads them in right-to-left
  // runs too, but does not write them back for such runs.
  const QByteArray rtf = Convert(doc, QStringLiteral("rtf"), QStringLiteral("rtf"));
  QTextDocument back;
  QString error;
  ASSERT_TRUE(DecodeStyledRtf(rtf, back, &error)) << error.toStdString();
  Doc runsOnly = Snapshot(back);
  for (Para& p : runsOnly) p.mark = kPlain;  // what a paragraph mark carries is LibreOffice's to choose
  Doc wanted = doc;
  for (Para& p : wanted) p.mark = kPlain;
  EXPECT_EQ(runsOnly, wanted);
}

// ---------------------------------------------------------------------------------------------
// Data that cannot be read whole

class DamagedInputTest : public testing::Test {
 protected:
  void SetUp() override {
    Fill(doc_, {P({{QStringLiteral("keep "), kBold}, {QStringLiteral("me"), kRed}}, kSerif), Empty(kBig)});
    doc_.setModified(true);
    before_ = Snapshot(doc_);
    revision_ = doc_.revision();
  }

  // Decoding must fail with a reason containing `reason` and leave the document alone.
  void ExpectRejected(const QByteArray& data, const QString& reason) {
    QString error;
    EXPECT_FALSE(DecodeStyledRtf(data, doc_, &error));
    EXPECT_TRUE(error.contains(reason)) << "error: " << error.toStdString();
    EXPECT_EQ(doc_.revision(), revision_);
    EXPECT_EQ(Snapshot(doc_), before_);
    EXPECT_TRUE(doc_.isModified());
  }

  QTextDocument doc_;
  Doc before_;
  int revision_ = 0;
};

TEST_F(DamagedInputTest, RejectsWithReason) {
  const QByteArray deep = QByteArray(200000, '{');  // twice what is read
  const struct {
    const char* name;
    QByteArray data;
    const char* reason;
  } cases[] = {
      {"empty", "", "not an RTF file"},
      {"plain text", "hello", "not an RTF file"},
      {"braces only", deep, "not an RTF file"},
      {"other binary", "\x89PNG\r\n\x1a\n", "not an RTF file"},
      {"unclosed group", "{\\rtf1 {\\b a}", "unexpected end of file"},
      {"header only", "{\\rtf", "unexpected end of file"},
      {"backslash at end", "{\\rtf1 a\\", "unexpected end of file"},
      {"hex escape cut", "{\\rtf1 \\'e", "unexpected end of file"},
      {"binary past end", "{\\rtf1 \\bin100 abc}", "unexpected end of file"},
      {"binary past end in skipped group", "{\\rtf1 {\\pict\\bin100 abc}}", "unexpected end of file"},
      {"unclosed skipped group", "{\\rtf1 {\\*\\generator x", "unexpected end of file"},
      {"deep nesting", "{\\rtf1 " + deep, "nesting too deep"},
      {"deep nesting, balanced", "{\\rtf1 " + deep + QByteArray(200000, '}') + "}", "nesting too deep"},
      {"deep nesting in skipped group", "{\\rtf1 {\\info " + deep, "nesting too deep"},
      // Control words have up to 32 letters and numbers up to 10 digits.
      {"control word of 33 letters", "{\\rtf1 \\" + QByteArray(33, 'b') + " x}", "control word too long at byte 7"},
      {"number of 11 digits", "{\\rtf1 \\fs" + QByteArray(11, '2') + " x}", "control word too long at byte 7"},
      {"negative number of 11 digits", "{\\rtf1 \\fs-" + QByteArray(11, '2') + " x}", "control word too long"},
      {"control word that never ends", "{\\rtf1 \\" + QByteArray(100000, 'b'), "control word too long"},
      {"control word too long in skipped group", "{\\rtf1 {\\info \\" + QByteArray(40, 'b') + "}}", "control word too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRejected(c.data, QString::fromLatin1(c.reason));
  }
}

TEST_F(DamagedInputTest, ControlWordsUpToTheirLengthAreRead) {
  QTextDocument doc;
  QString error;
  EXPECT_TRUE(DecodeStyledRtf("{\\rtf1 \\" + QByteArray(32, 'b') + "1234567890 x\\fs-1234567890 y}", doc, &error))
      << error.toStdString();
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("xy"));
}

// A control word that never ends, cut by the pieces a long file is read in, is found as damage
// soon after it begins: the rest of the file is not read, and the text before it is shown.
TEST_F(DamagedInputTest, EndlessControlWordIsDamageFoundWhereItBegins) {
  QByteArray data = "{\\rtf1 ";
  while (data.size() < 256 * 1024 - 10) data += "lorem ipsum\\par\n";
  data += "\\" + QByteArray(4 << 20, 'w');
  qsizetype given = 0;
  StyledRtfDecoder decoder([&](qsizetype most) {
    const QByteArray piece = data.mid(given, most);
    given += piece.size();
    return piece;
  });
  StyledRtfDecoder::Read read = StyledRtfDecoder::Read::kMore;
  QString error;
  bool part = false;
  while (read == StyledRtfDecoder::Read::kMore) read = decoder.Parse(64 * 1024, &error, &part);
  EXPECT_EQ(read, StyledRtfDecoder::Read::kDamaged);
  EXPECT_TRUE(error.contains(QStringLiteral("control word too long"))) << error.toStdString();
  EXPECT_LT(given, qsizetype(1) << 20);
  EXPECT_TRUE(part);
  QTextDocument doc;
  decoder.Build(doc, std::numeric_limits<qsizetype>::max());
  EXPECT_TRUE(doc.toPlainText().startsWith(QStringLiteral("lorem ipsum\nlorem ipsum")));
}

TEST_F(DamagedInputTest, ReportsWhereTheFileEnded) {
  ExpectRejected("{\\rtf1 {\\b a}", QStringLiteral("at byte 13"));
}

TEST_F(DamagedInputTest, RejectsEveryTruncation) {
  QTextDocument source;
  Fill(source, {P({{QStringLiteral("Tavrin é 日本 😀\t{}\\"), kEverything}, {QStringLiteral("x"), kPlain}}),
                Empty(kRed), P({{QStringLiteral("last"), WithFamily(QStringLiteral("Semi;Colon"))}})});
  const QByteArray rtf = EncodeStyledRtf(source);
  for (qsizetype cut = 0; cut < rtf.size(); ++cut) {
    SCOPED_TRACE(cut);
    // Too short to show its header, or cut anywhere after it.
    ExpectRejected(rtf.left(cut), cut < 5 ? QStringLiteral("not an RTF file") : QStringLiteral("unexpected end of file"));
    if (HasFailure()) break;
  }
}

TEST_F(DamagedInputTest, NullErrorIsAllowed) {
  EXPECT_FALSE(DecodeStyledRtf("{\\rtf1", doc_, nullptr));
  EXPECT_EQ(doc_.revision(), revision_);
}

// Random damage must never crash or hang, and a rejected file must leave the document alone.
TEST_F(DamagedInputTest, SurvivesRandomDamage) {
  QTextDocument source;
  Fill(source, {P({{QStringLiteral("ab{c}d\\ é 日 😀"), kEverything}, {QStringLiteral("plain\t"), kPlain}}),
                Empty(kRed), P(QStringLiteral("end"))});
  QByteArray valid = EncodeStyledRtf(source);
  // Inside the document, where it is read: skipped groups, binary data, and bytes in a
  // two-byte code page and in other scripts' runs.
  valid.insert(valid.lastIndexOf('}'), "{\\*\\x{\\pict\\bin3 abc}}{\\fonttbl{\\f9\\fcharset128 M;}{\\f8\\fcharset178 A;}}"
                                       "{\\f9 \\'93\\'fa\\'96e\\'83}{\\rtlch\\af8\\afs30\\ab \\'e3\\'d1 1\\ltrch\\dbch\\af9 \\'93\\'fa\\page}");
  {
    QTextDocument whole;
    ASSERT_TRUE(DecodeStyledRtf(valid, whole, nullptr));
    // \'96e is one character: its second byte looks like ASCII.
    ASSERT_TRUE(whole.toPlainText().contains(QStringLiteral("日貌"))) << whole.toPlainText().toStdString();
  }
  const char alphabet[] = "{}\\*'09azub;- ?";
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    QByteArray data = valid;
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const qsizetype at = qsizetype(rng() % quint32(data.size()));
      switch (rng() % 3) {
        case 0:
          data[at] = alphabet[rng() % (sizeof(alphabet) - 1)];
          break;
        case 1:
          data.insert(at, alphabet[rng() % (sizeof(alphabet) - 1)]);
          break;
        default:
          data.remove(at, 1 + qsizetype(rng() % 8));
          break;
      }
      if (data.isEmpty()) data = "{";
    }
    QTextDocument target;
    Fill(target, {P(QStringLiteral("before"))});
    const int revision = target.revision();
    QString error;
    if (!DecodeStyledRtf(data, target, &error)) {
      ASSERT_FALSE(error.isEmpty()) << data.toStdString();
      ASSERT_EQ(target.revision(), revision) << data.toStdString();
      ASSERT_EQ(target.toPlainText(), QStringLiteral("before"));
    }
  }
}

// Read and built in small interleaved steps, as the editor loads a long file from pieces read as
// they are needed, every file gives what it gives read at once: each paragraph's own style is
// known only at its end, the last run read may still grow, a mark right before the end opens no
// paragraph, and a token or binary data may straddle two pieces.
TEST(StyledRtfDecoderSteps, BuildTheSameDocumentAsReadingAtOnce) {
  QTextDocument source;
  Fill(source, {P({{QStringLiteral("Tavrin é 日本 😀\t{}\\"), kEverything}, {QStringLiteral("x"), kPlain}}),
                Empty(kRed), P({{QStringLiteral("last"), WithFamily(QStringLiteral("Semi;Colon"))}}), Empty(kBig)});
  const QByteArray ours = EncodeStyledRtf(source);
  // Longer than what the reader holds back from the end of what is in.
  QByteArray longer = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 M;}}";
  for (int i = 0; i < 1500; ++i) longer += "{\\b b" + QByteArray::number(i) + "}\\'93\\'fa\\f0\\'93\\'fa\\uc0\\u8364 \\par ";
  longer += "{\\pict\\bin9000 " + QByteArray(9000, '{') + "}a{\\*\\x\\bin9000 " + QByteArray(9000, '}') + "}b\\bin9000 " +
            QByteArray(9000, '\\') + "c\\" + QByteArray(5000, 'w') + " d}";
  QList<QByteArray> files = {ours, ours.left(ours.size() / 2), ours.left(ours.size() - 3),
                             "{\\rtf1 {\\pict\\bin5 {}{}}a\\par}", "{\\rtf1 a\\par\\par}",
                             longer, longer.left(longer.size() - 10000), longer.left(longer.size() - 20000),
                             longer.left(longer.size() / 2), QByteArray(10000, ' ') + "{\\rtf1 spaced}"};
  const QDir fixtures(QStringLiteral(TAVRIN_TEST_SOURCE_DIR "/rtf"));
  for (const QString& name : fixtures.entryList({QStringLiteral("*.rtf")}, QDir::Files))
    files << Fixture(name);
  std::mt19937 rng(777);
  for (const QByteArray& data : files) {
    SCOPED_TRACE(data.left(60).toStdString());
    QTextDocument atOnce;
    QString error;
    bool part = false;
    const bool whole = DecodeStyledRtf(data, atOnce, &error, &part);
    for (int round = 0; round < 4; ++round) {
      QTextDocument inSteps;
      qsizetype given = 0;
      // Pieces of any size, the whole data at once in the first round.
      StyledRtfDecoder decoder = round == 0 ? StyledRtfDecoder(data) : StyledRtfDecoder([&](qsizetype most) {
        const QByteArray piece = data.mid(given, std::min(most, 1 + qsizetype(rng() % 5000)));
        given += piece.size();
        return piece;
      });
      StyledRtfDecoder::Read read = StyledRtfDecoder::Read::kMore;
      QString stepError;
      bool stepPart = false;
      bool more = true;
      while (more) {
        if (read == StyledRtfDecoder::Read::kMore) read = decoder.Parse(1 + qsizetype(rng() % 900), &stepError, &stepPart);
        if (read != StyledRtfDecoder::Read::kDamaged || stepPart) more = decoder.Build(inSteps, 1 + qsizetype(rng() % 400));
        else more = false;
      }
      EXPECT_EQ(read == StyledRtfDecoder::Read::kWhole, whole);
      EXPECT_EQ(stepError, error);
      EXPECT_EQ(stepPart, part);
      if (whole || part) {
        EXPECT_EQ(Snapshot(inSteps), Snapshot(atOnce));
      }
    }
  }
}

// \bin data that runs on past the piece it begins in is skipped as the next pieces come in, and
// the bytes skipped still count in the place of damage found after them. The pieces above meet
// the data's end only by chance; here the piece ends just before it, on it and just after it, or
// every piece is one byte.
TEST(StyledRtfDecoderSteps, BinaryDataEndingAtAPieceEdgeIsSkippedWhole) {
  const QByteArray lead = "{\\rtf1 " + QByteArray(10000, 'a');  // longer than the reader holds back
  const QByteArray binary = QByteArray(2000, '{') + QByteArray(2000, '\\') + QByteArray(2000, '}');
  const QByteArray tooLong = "\\" + QByteArray(40, 'w');
  const struct {
    const char* name;
    QByteArray data;
    const char* error;  // read at once; the byte is where the damage starts
  } cases[] = {
      {"in text", lead + "\\bin6000 " + binary + "b}", ""},
      {"in a skipped group", lead + "{\\pict\\bin6000 " + binary + "}b}", ""},
      {"damage after it", lead + "\\bin6000 " + binary + "b" + tooLong + "}", "control word too long at byte 16017"},
      {"damage after it in a skipped group", lead + "{\\pict\\bin6000 " + binary + "}b" + tooLong + "}",
       "control word too long at byte 16024"},
      {"cut short", lead + "\\bin6000 " + binary.left(3000), "unexpected end of file at byte 13016"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTextDocument atOnce;
    QString error;
    bool part = false;
    const bool whole = DecodeStyledRtf(c.data, atOnce, &error, &part);
    EXPECT_EQ(error.toStdString(), c.error);
    const qsizetype binaryEnd = c.data.indexOf("\\bin6000 ") + 9 + 6000;
    for (const qsizetype edge : {binaryEnd - 1, binaryEnd, binaryEnd + 1, qsizetype(0)}) {
      SCOPED_TRACE(edge);
      qsizetype given = 0;
      StyledRtfDecoder decoder([&](qsizetype most) {
        const qsizetype upTo = edge == 0 ? given + 1 : given < edge ? edge : c.data.size();
        const QByteArray piece = c.data.mid(given, std::min(most, upTo - given));
        given += piece.size();
        return piece;
      });
      QString stepError;
      bool stepPart = false;
      EXPECT_EQ(decoder.Parse(&stepError, &stepPart), whole);
      EXPECT_EQ(stepError.toStdString(), error.toStdString());
      EXPECT_EQ(stepPart, part);
      QTextDocument inSteps;
      decoder.Build(inSteps, std::numeric_limits<qsizetype>::max());
      if (whole || part) {
        EXPECT_EQ(inSteps.toPlainText(), atOnce.toPlainText());
      }
    }
  }
}

}  // namespace
}  // namespace fw
