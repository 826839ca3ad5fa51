// The string and number helpers the journal's parsers and find are written against: 1-based
// positions in QString units, case-blind search and equality, and Val's forgiving number reading.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/text/fontfamily.h"
#include "platform/system/strings.h"

namespace {

const QString kClef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // U+1D11E, two QString units

struct InStrCase {
  int start;  // 0: the two-argument form
  QString source, find;
  int expected;
};

TEST(StringsTest, InStr) {
  const InStrCase cases[] = {
      {0, "Hello World", "world", 7},
      {0, "Hello World", "HELLO", 1},
      {0, "abc", "d", 0},
      {0, "", "a", 0},
      {0, QString::fromUtf8("GRÜN und grün"), QString::fromUtf8("grün"), 1},
      {3, "abcabc", "a", 4},
      {4, "abcabc", "A", 4},
      {5, "abcabc", "a", 0},
      {1, "abc", "c", 3},
      {10, "abc", "a", 0},
      {0, "a" + kClef + "b", "b", 4},
      {0, "a" + kClef + "b", kClef, 2},
  };
  for (const InStrCase& c : cases) {
    const int got = c.start == 0 ? fw::InStr(c.source, c.find) : fw::InStr(c.start, c.source, c.find);
    EXPECT_EQ(got, c.expected) << "start " << c.start << " in \"" << c.source.toStdString() << "\" for \""
                               << c.find.toStdString() << '"';
  }
}

struct SliceCase {
  const char* what;
  QString got, expected;
};

TEST(StringsTest, MidLeftRightLenCountQStringUnits) {
  const QString s = "a" + kClef + "bc";  // a, high, low, b, c
  EXPECT_EQ(fw::Len(s), 5);
  EXPECT_EQ(fw::Len(QString()), 0);
  const SliceCase cases[] = {
      {"Mid(s,2,2)", fw::Mid(s, 2, 2), kClef},
      {"Mid(s,4)", fw::Mid(s, 4), "bc"},
      {"Mid(s,1,1)", fw::Mid(s, 1, 1), "a"},
      {"Mid(s,5,10)", fw::Mid(s, 5, 10), "c"},
      {"Mid(s,6)", fw::Mid(s, 6), ""},
      {"Mid(s,2,0)", fw::Mid(s, 2, 0), ""},
      {"Left(s,3)", fw::Left(s, 3), "a" + kClef},
      {"Left(s,0)", fw::Left(s, 0), ""},
      {"Left(s,-1)", fw::Left(s, -1), ""},
      {"Left(s,99)", fw::Left(s, 99), s},
      {"Right(s,4)", fw::Right(s, 4), kClef + "bc"},
      {"Right(s,0)", fw::Right(s, 0), ""},
      {"Right(s,99)", fw::Right(s, 99), s},
  };
  for (const SliceCase& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

struct FieldCase {
  QString s, separator;
  int n;
  QString expected;
};

TEST(StringsTest, NthField) {
  const FieldCase cases[] = {
      {"150,150,700,500", ",", 1, "150"},
      {"150,150,700,500", ",", 4, "500"},
      {"150,150,700,500", ",", 5, ""},
      {"a,,c", ",", 2, ""},
      {"a,,c", ",", 3, "c"},
      {"a,b,", ",", 3, ""},
      {"a,b,", ",", 4, ""},
      {"abc", ",", 1, "abc"},
      {"abc", ",", 2, ""},
      {"", ",", 1, ""},
      {"a::b::c", "::", 2, "b"},
      {"a\tb", "\t", 2, "b"},
      {"a,b", ",", 0, ""},
  };
  for (const FieldCase& c : cases)
    EXPECT_EQ(fw::NthField(c.s, c.separator, c.n), c.expected)
        << '"' << c.s.toStdString() << "\" field " << c.n;
}

struct ValCase {
  QString s;
  double expected;
};

TEST(StringsTest, Val) {
  const ValCase cases[] = {
      {"12", 12},      {"  12abc", 12},  {"abc", 0},     {"", 0},         {"1.5e3", 1500},
      {"1.5e+2", 150}, {"2e-1", 0.2},    {"1e", 1},      {"3.25", 3.25},  {"-7", -7},
      {"+4", 4},       {".5", 0.5},      {"-", 0},       {".", 0},        {"12,5", 12},
      {"&hFF", 255},   {"&HFF", 255},    {"&hff", 255},  {"&h", 0},       {"&h1G", 1},
      {" &h10", 16},   {"&o17", 15},     {"&b101", 5},   {"&", 0},        {"7 8", 7},
  };
  for (const ValCase& c : cases) EXPECT_DOUBLE_EQ(fw::Val(c.s), c.expected) << '"' << c.s.toStdString() << '"';
}

// Separators are found four units at a time: one in each place of such a group and in the tail
// becomes '\n', and the characters next to them in value stay.
TEST(StringsTest, UnseparatedTurnsEverySeparatorIntoANewlineAndNothingElse) {
  const QChar para(0x2029), line(0x2028);
  for (int length = 1; length <= 9; ++length) {
    for (int at = 0; at < length; ++at) {
      for (const QChar sep : {para, line}) {
        QString s(length, u'a');
        s[at] = sep;
        QString expected(length, u'a');
        expected[at] = u'\n';
        EXPECT_EQ(fw::Unseparated(s), expected) << "length " << length << " at " << at;
      }
    }
  }
  const QString neighbours = QString(QChar(0x2027)) + QChar(0x202A) + QChar(0x2129) + QChar(0x3029) + QChar(0x2009);
  EXPECT_EQ(fw::Unseparated(neighbours), neighbours);
  EXPECT_EQ(fw::Unseparated(QString()), QString());
}

TEST(StringsTest, ToInt32TruncatesAndClamps) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    double d;
    int32_t expected;
  } cases[] = {
      {0, 0},
      {1.9, 1},
      {-1.9, -1},
      {2147483647.0, kMax},
      {2147483646.5, 2147483646},
      {3e9, kMax},
      {-3e9, kMin},
      {1e300, kMax},
      {std::numeric_limits<double>::infinity(), kMax},
      {-std::numeric_limits<double>::infinity(), kMin},
      {std::nan(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::ToInt32(c.d), c.expected) << c.d;
}

TEST(StringsTest, StrComp) {
  const struct {
    QString a, b;
    int mode, expected;
  } cases[] = {
      {"abc", "abc", 0, 0}, {"a", "A", 0, 1},  {"a", "A", 1, 0},  {"B", "a", 0, -1},
      {"B", "a", 1, 1},     {"abc", "abd", 1, -1}, {"abd", "ABC", 1, 1}, {"", "", 0, 0},
      {"", "a", 1, -1},     {"ab", "a", 0, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fw::StrComp(c.a, c.b, c.mode), c.expected)
        << '"' << c.a.toStdString() << "\" vs \"" << c.b.toStdString() << "\" mode " << c.mode;
}

TEST(StringsTest, StrEqIgnoresCaseOnly) {
  const struct {
    QString a, b;
    bool expected;
  } cases[] = {
      {"Work", "wORK", true},
      {"", "", true},
      {QString::fromUtf8("Äpfel"), QString::fromUtf8("äPFEL"), true},
      {"Work", "Work ", false},
      {"Work", "Wörk", false},
      {"", "a", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fw::StrEq(c.a, c.b), c.expected) << '"' << c.a.toStdString() << "\" = \"" << c.b.toStdString() << '"';
}

TEST(StringsTest, SameNameIgnoresCaseAndHowAccentsAreEncoded) {
  const QString composed = QString::fromUtf8("Caf\u00e9");        // é as one code point
  const QString decomposed = QString::fromUtf8("Cafe\u0301");     // e + combining acute
  const struct {
    QString a, b;
    bool expected;
  } cases[] = {
      {composed, decomposed, true},
      {composed.toUpper(), decomposed, true},
      {QString::fromUtf8("A\u030angstr\u00f6m"), QString::fromUtf8("\u00c5NGSTRO\u0308M"), true},
      {"Work", "wORK", true},
      {composed, "Cafe", false},
      {decomposed, "Cafe", false},
      {"Work", "Work ", false},
      // Only canonical equivalence: a ligature or a full-width letter is another name.
      {QString::fromUtf8("\ufb01le"), "file", false},
      {QString::fromUtf8("\uff37ork"), "Work", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fw::SameName(c.a, c.b), c.expected) << '"' << c.a.toStdString() << "\" = \"" << c.b.toStdString() << '"';
}

}  // namespace

namespace {

// The font menu's names: the font database tags a family that several foundries make with the
// foundry, a name that no stored style or font request expects.
TEST(FontFamilies, ArePlainNamesEachOnce) {
  const struct {
    QStringList database;
    QStringList plain;
  } cases[] = {
      {{"C059 [UKWN]", "C059 [urw]", "DejaVu Sans"}, {"C059", "DejaVu Sans"}},
      {{"Nimbus Sans [urw]", "Nimbus Sans", "Nimbus Sans Narrow"}, {"Nimbus Sans", "Nimbus Sans Narrow"}},
      {{"Liberation Mono", "Liberation Mono"}, {"Liberation Mono"}},
      {{"Odd [name] inside", "[x]"}, {"Odd [name] inside"}},
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::PlainFamilies(c.database), c.plain) << c.database.join(", ").toStdString();

  QStringList installed;
  for (int i = 0; i < fw::FontCount(); ++i) installed << fw::Font(i);
  EXPECT_FALSE(installed.isEmpty());
  EXPECT_EQ(installed.removeDuplicates(), 0);
  for (const QString& f : installed) EXPECT_FALSE(f.endsWith(u']')) << f.toStdString();
}

}  // namespace
