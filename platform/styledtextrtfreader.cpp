#include <QColor>
#include <QFont>
#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/styledtextrtf.h"
#include "platform/styledtextrtfstyle.h"

namespace fw {
namespace {

using namespace rtf;

// Real documents nest a few dozen groups at most; beyond this the file is damaged or hostile.
constexpr int kMaxGroupDepth = 1000;

constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b); }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

enum class Kw : unsigned char {
  kFont,
  kFontSize,
  kBold,
  kItalic,
  kUnderline,
  kUnderlineNone,
  kColor,
  kPlain,
  kDefaultFont,
  kUnicodeSkip,
  kUnicode,
  kFontTable,
  kColorTable,
  kRed,
  kGreen,
  kBlue,
  kBin,
  kSkipDestination,
  kAlternateUnicode,
  kUnicodeText,
  kParagraph,
  kChar,
};

struct KwInfo {
  Kw kw;
  char16_t ch = 0;  // for kChar
};

const std::unordered_map<std::string_view, KwInfo>& Keywords() {
  static const std::unordered_map<std::string_view, KwInfo> table = [] {
    std::unordered_map<std::string_view, KwInfo> t;
    t["f"] = {Kw::kFont};
    t["fs"] = {Kw::kFontSize};
    t["b"] = {Kw::kBold};
    t["i"] = {Kw::kItalic};
    t["ul"] = {Kw::kUnderline};
    for (const char* w :
         {"uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
          "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
      t[w] = {Kw::kUnderline};
    t["ulnone"] = {Kw::kUnderlineNone};
    t["cf"] = {Kw::kColor};
    t["plain"] = {Kw::kPlain};
    t["deff"] = {Kw::kDefaultFont};
    t["uc"] = {Kw::kUnicodeSkip};
    t["u"] = {Kw::kUnicode};
    t["fonttbl"] = {Kw::kFontTable};
    t["colortbl"] = {Kw::kColorTable};
    t["red"] = {Kw::kRed};
    t["green"] = {Kw::kGreen};
    t["blue"] = {Kw::kBlue};
    t["bin"] = {Kw::kBin};
    t["upr"] = {Kw::kAlternateUnicode};
    t["ud"] = {Kw::kUnicodeText};
    for (const char* w : {"par", "sect", "row", "nestrow"}) t[w] = {Kw::kParagraph};
    t["tab"] = {Kw::kChar, u'\t'};
    t["cell"] = {Kw::kChar, u'\t'};
    t["nestcell"] = {Kw::kChar, u'\t'};
    t["line"] = {Kw::kChar, 0x2028};
    t["lbr"] = {Kw::kChar, 0x2028};
    t["emdash"] = {Kw::kChar, 0x2014};
    t["endash"] = {Kw::kChar, 0x2013};
    t["emspace"] = {Kw::kChar, 0x2003};
    t["enspace"] = {Kw::kChar, 0x2002};
    t["qmspace"] = {Kw::kChar, 0x2005};
    t["bullet"] = {Kw::kChar, 0x2022};
    t["lquote"] = {Kw::kChar, 0x2018};
    t["rquote"] = {Kw::kChar, 0x2019};
    t["ldblquote"] = {Kw::kChar, 0x201C};
    t["rdblquote"] = {Kw::kChar, 0x201D};
    t["zwj"] = {Kw::kChar, 0x200D};
    t["zwnj"] = {Kw::kChar, 0x200C};
    t["zwbo"] = {Kw::kChar, 0x200B};
    t["ltrmark"] = {Kw::kChar, 0x200E};
    t["rtlmark"] = {Kw::kChar, 0x200F};
    // Groups whose content is not body text of this model.
    for (const char* w : {"stylesheet",
                          "info",
                          "pict",
                          "object",
                          "objdata",
                          "header",
                          "headerl",
                          "headerr",
                          "headerf",
                          "footer",
                          "footerl",
                          "footerr",
                          "footerf",
                          "footnote",
                          "fldinst",
                          "listtable",
                          "listoverridetable",
                          "revtbl",
                          "rsidtbl",
                          "filetbl",
                          "author",
                          "title",
                          "subject",
                          "operator",
                          "keywords",
                          "comment",
                          "doccomm",
                          "company",
                          "manager",
                          "category",
                          "creatim",
                          "revtim",
                          "printim",
                          "buptim",
                          "pgdsctbl",
                          "template",
                          "xe",
                          "tc",
                          "txe",
                          "nonshppict",
                          "shp",
                          "shpinst",
                          "macpict",
                          "wmetafile",
                          "pmmetafile",
                          "dibitmap",
                          "wbitmap",
                          "pn",
                          "pntxta",
                          "pntxtb",
                          "annotation",
                          "atnid",
                          "atnauthor",
                          "falt",
                          "panose",
                          "fchars",
                          "lchars",
                          "private",
                          "userprops",
                          "xmlnstbl",
                          "themedata",
                          "colorschememapping",
                          "latentstyles",
                          "datastore",
                          "generator",
                          "ftnsep",
                          "ftnsepc",
                          "ftncn",
                          "aftnsep",
                          "aftnsepc",
                          "aftncn",
                          "bkmkstart",
                          "bkmkend"})
      t[w] = {Kw::kSkipDestination};
    return t;
  }();
  return table;
}

class RtfReader {
 public:
  explicit RtfReader(const QByteArray& data)
      : begin_(data.constData()), p_(begin_), end_(begin_ + data.size()) {}

  bool Parse(QString* error);
  void Build(QTextDocument& doc) const;

 private:
  enum class Dest : unsigned char {
    kText,
    kFontTable,
    kColorTable,
    kSkip,
    kAlternate,  // \upr: an ANSI stand-in for the \ud text that follows
  };

  struct Group {
    int font = -1;  // RTF font number
    int halfPoints = kRtfDefaultHalfPoints;
    int color = 0;  // colour table index; 0 is "auto" in practice
    int uc = 1;
    int style = -1;  // interned style, valid while styleGeneration == generation_
    unsigned styleGeneration = 0;
    Dest dest = Dest::kText;
    Dest outerDest = Dest::kText;  // what \ud restores inside \upr
    bool bold = false;
    bool italic = false;
    bool underline = false;
  };

  struct Run {
    qsizetype start;
    qsizetype length;
    int style;
  };
  struct Paragraph {
    size_t firstRun;
    int mark;  // style at the paragraph mark: the paragraph's own char format
  };

  bool Fail(QString* error, const QString& reason) {
    if (error) *error = reason;
    return false;
  }
  bool FailAt(QString* error, const char* what) {
    return Fail(error, QStringLiteral("%1 at byte %2").arg(QLatin1String(what)).arg(p_ - begin_));
  }
  bool FailEof(QString* error) {
    return Fail(error, QStringLiteral("unexpected end of file at byte %1").arg(end_ - begin_));
  }

  bool ParseControl(QString* error);
  void HandleWord(std::string_view word, bool hasParam, int param);
  bool SkipGroup(QString* error);
  void CloseGroup();
  void EmitChar(char16_t c);
  void EmitAscii(const char* s, qsizetype n);
  void EndParagraph();
  int CurrentStyle();
  void CommitFont();
  void CommitColor();
  int FamilyId(const QString& name);

  void Touch() { groups_.back().style = -1; }

  const char* begin_;
  const char* p_;
  const char* end_;

  std::vector<Group> groups_;
  int ucSkip_ = 0;  // fallback characters still to drop after a \u
  bool starPending_ = false;
  int defaultFont_ = -1;

  QHash<int, int> familyOfFont_;  // RTF font number -> families_ index
  QStringList families_;
  QHash<QString, int> familyIds_;
  bool fontEntryOpen_ = false;
  int fontEntryNumber_ = 0;
  QString fontEntryName_;

  std::vector<int> colors_;  // 0xRRGGBB or kAutoColor
  bool colorEntrySet_ = false;
  int colorEntry_ = 0;

  unsigned generation_ = 1;  // bumped when a table changes, so cached styles get re-resolved
  std::vector<Style> styles_;
  QHash<Style, int> styleIds_;

  std::vector<char16_t> text_;
  std::vector<Run> runs_;
  std::vector<Paragraph> paragraphs_;
};

int RtfReader::FamilyId(const QString& name) {
  auto it = familyIds_.constFind(name);
  if (it != familyIds_.constEnd()) return *it;
  const int id = int(families_.size());
  families_.push_back(name);
  familyIds_.insert(name, id);
  return id;
}

void RtfReader::CommitFont() {
  if (!fontEntryOpen_) return;
  familyOfFont_.insert(fontEntryNumber_, fontEntryName_.isEmpty() ? kNoFamily : FamilyId(fontEntryName_));
  fontEntryOpen_ = false;
  fontEntryName_.clear();
  ++generation_;
}

void RtfReader::CommitColor() {
  colors_.push_back(colorEntrySet_ ? colorEntry_ : kAutoColor);
  colorEntrySet_ = false;
  colorEntry_ = 0;
  ++generation_;
}

int RtfReader::CurrentStyle() {
  Group& g = groups_.back();
  if (g.style >= 0 && g.styleGeneration == generation_) return g.style;
  Style s;
  s.family = familyOfFont_.value(g.font, kNoFamily);
  s.halfPoints = ClampHalfPoints(g.halfPoints);
  s.color = g.color >= 0 && size_t(g.color) < colors_.size() ? colors_[size_t(g.color)] : kAutoColor;
  s.bold = g.bold;
  s.italic = g.italic;
  s.underline = g.underline;
  auto it = styleIds_.constFind(s);
  if (it != styleIds_.constEnd()) {
    g.style = *it;
  } else {
    g.style = int(styles_.size());
    styles_.push_back(s);
    styleIds_.insert(s, g.style);
  }
  g.styleGeneration = generation_;
  return g.style;
}

void RtfReader::EndParagraph() {
  paragraphs_.back().mark = CurrentStyle();
  paragraphs_.push_back({runs_.size(), -1});
}

void RtfReader::EmitChar(char16_t c) {
  switch (groups_.back().dest) {
    case Dest::kText:
      break;
    case Dest::kFontTable:
      if (fontEntryOpen_ || c != ' ') {
        fontEntryOpen_ = true;
        fontEntryName_.append(QChar(c));
      }
      return;
    default:
      return;
  }
  // Characters a QTextDocument would turn into block or frame boundaries.
  if (c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1) {
    EndParagraph();
    return;
  }
  const int style = CurrentStyle();
  if (runs_.size() > paragraphs_.back().firstRun && runs_.back().style == style) {
    ++runs_.back().length;
  } else {
    runs_.push_back({qsizetype(text_.size()), 1, style});
  }
  text_.push_back(c);
}

void RtfReader::EmitAscii(const char* s, qsizetype n) {
  const int style = CurrentStyle();
  if (runs_.size() > paragraphs_.back().firstRun && runs_.back().style == style) {
    runs_.back().length += n;
  } else {
    runs_.push_back({qsizetype(text_.size()), n, style});
  }
  const size_t at = text_.size();
  text_.resize(at + size_t(n));
  char16_t* out = text_.data() + at;
  for (qsizetype i = 0; i < n; ++i) out[i] = char16_t(static_cast<unsigned char>(s[i]));
}

void RtfReader::CloseGroup() {
  Group& g = groups_.back();
  if (g.dest == Dest::kFontTable) CommitFont();  // entries may omit the closing ';'
  if (g.dest == Dest::kColorTable && colorEntrySet_) CommitColor();
  if (groups_.size() == 1) paragraphs_.back().mark = CurrentStyle();
  groups_.pop_back();
}

bool RtfReader::Parse(QString* error) {
  while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
  if (end_ - p_ < 5 || std::memcmp(p_, "{\\rtf", 5) != 0)
    return Fail(error, QStringLiteral("not an RTF file"));

  text_.reserve(size_t(end_ - p_) / 2);
  paragraphs_.push_back({0, -1});
  groups_.reserve(64);
  groups_.push_back(Group{});
  ++p_;

  while (!groups_.empty()) {
    if (groups_.back().dest == Dest::kSkip) {
      if (!SkipGroup(error)) return false;
      continue;
    }
    if (p_ == end_) return FailEof(error);
    const char c = *p_;
    switch (c) {
      case '{':
        if (groups_.size() >= size_t(kMaxGroupDepth)) return FailAt(error, "nesting too deep");
        groups_.push_back(groups_.back());
        ++p_;
        ucSkip_ = 0;
        starPending_ = false;
        break;
      case '}':
        CloseGroup();
        ++p_;
        ucSkip_ = 0;
        starPending_ = false;
        break;
      case '\\':
        if (!ParseControl(error)) return false;
        break;
      case '\r':
      case '\n':
        ++p_;  // line breaks in the file are not text
        break;
      default: {
        starPending_ = false;
        if (ucSkip_ > 0) {
          --ucSkip_;
          ++p_;
          break;
        }
        const Dest dest = groups_.back().dest;
        if (dest == Dest::kText && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
          const char* s = p_;
          while (p_ < end_) {
            const unsigned char b = static_cast<unsigned char>(*p_);
            if (b < 0x20 || b >= 0x7F || b == '\\' || b == '{' || b == '}') break;
            ++p_;
          }
          if (p_ > s) {
            EmitAscii(s, p_ - s);
            break;
          }
        }
        const unsigned char b = static_cast<unsigned char>(*p_++);
        if (b == ';' && dest == Dest::kFontTable) {
          CommitFont();
        } else if (b == ';' && dest == Dest::kColorTable) {
          CommitColor();
        } else if (b == '\t') {
          EmitChar(u'\t');
        } else if (b >= 0x20 && b != 0x7F) {
          EmitChar(FromCp1252(b));
        }
        break;
      }
    }
  }

  // Writers may pad the file; anything else after the last brace means it is not what it seems.
  while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n' || *p_ == '\0')) ++p_;
  if (p_ < end_) {
    return FailAt(error, *p_ == '}' ? "unbalanced braces" : "unexpected data after the end of the document");
  }
  return true;
}

bool RtfReader::ParseControl(QString* error) {
  ++p_;  // backslash
  if (p_ == end_) return FailEof(error);
  const char c = *p_;
  if (IsLetter(c)) {
    const char* w = p_;
    while (p_ < end_ && IsLetter(*p_)) ++p_;
    const std::string_view word(w, size_t(p_ - w));
    bool negative = false;
    if (p_ + 1 < end_ && *p_ == '-' && IsDigit(p_[1])) {
      negative = true;
      ++p_;
    }
    bool hasParam = false;
    long long value = 0;
    while (p_ < end_ && IsDigit(*p_)) {
      hasParam = true;
      if (value < 100000000) value = value * 10 + (*p_ - '0');  // stays within int
      ++p_;
    }
    if (p_ < end_ && *p_ == ' ') ++p_;
    const int param = int(negative ? -value : value);
    if (word == "bin") {
      // Binary data is skipped however it is used; it may contain braces and backslashes.
      if (hasParam && param > 0) {
        if (end_ - p_ < param) return FailEof(error);
        p_ += param;
      }
      if (ucSkip_ > 0) --ucSkip_;
      starPending_ = false;
      return true;
    }
    if (ucSkip_ > 0) {
      --ucSkip_;
      starPending_ = false;
      return true;
    }
    HandleWord(word, hasParam, param);
    return true;
  }

  ++p_;
  if (c == '*') {
    starPending_ = true;
    return true;
  }
  starPending_ = false;
  if (c == '\'') {
    // Only hex digits are consumed, so a damaged escape cannot swallow a brace.
    if (p_ == end_) return FailEof(error);
    const int hi = HexValue(*p_);
    int lo = -1;
    if (hi >= 0) {
      if (++p_ == end_) return FailEof(error);
      lo = HexValue(*p_);
      if (lo >= 0) ++p_;
    }
    if (ucSkip_ > 0) {
      --ucSkip_;
      return true;
    }
    if (lo < 0) return true;  // not a hex escape after all; nothing to show
    const unsigned char b = static_cast<unsigned char>(hi * 16 + lo);
    if (b == '\t') {
      EmitChar(u'\t');
    } else if (b >= 0x20 && b != 0x7F) {
      EmitChar(FromCp1252(b));
    }
    return true;
  }
  if (ucSkip_ > 0) {
    --ucSkip_;
    return true;
  }
  switch (c) {
    case '\\':
    case '{':
    case '}':
      EmitChar(char16_t(c));
      break;
    case '~':
      EmitChar(0x00A0);
      break;
    case '_':
      EmitChar(0x2011);
      break;
    case '-':
      EmitChar(0x00AD);
      break;
    case '\r':
    case '\n':
      if (groups_.back().dest == Dest::kText) EndParagraph();
      break;
    case '\t':
      EmitChar(u'\t');
      break;
    default:
      break;  // \: \| and unknown symbols carry nothing for this model
  }
  return true;
}

void RtfReader::HandleWord(std::string_view word, bool hasParam, int param) {
  Group& g = groups_.back();
  const bool starred = starPending_;
  starPending_ = false;

  const auto& table = Keywords();
  const auto it = table.find(word);
  if (it == table.end()) {
    if (starred) g.dest = Dest::kSkip;  // an optional destination we do not know
    return;
  }
  const KwInfo info = it->second;
  if (starred && info.kw != Kw::kUnicodeText) {
    g.dest = Dest::kSkip;
    return;
  }
  const bool on = !hasParam || param != 0;
  switch (info.kw) {
    case Kw::kFont:
      if (g.dest == Dest::kFontTable) {
        CommitFont();
        fontEntryOpen_ = true;
        fontEntryNumber_ = param;
      } else {
        g.font = param;
        Touch();
      }
      break;
    case Kw::kFontSize:
      g.halfPoints = hasParam ? param : kRtfDefaultHalfPoints;
      Touch();
      break;
    case Kw::kBold:
      g.bold = on;
      Touch();
      break;
    case Kw::kItalic:
      g.italic = on;
      Touch();
      break;
    case Kw::kUnderline:
      g.underline = on;
      Touch();
      break;
    case Kw::kUnderlineNone:
      g.underline = false;
      Touch();
      break;
    case Kw::kColor:
      g.color = hasParam ? param : 0;
      Touch();
      break;
    case Kw::kPlain:
      g.font = defaultFont_;
      g.halfPoints = kRtfDefaultHalfPoints;
      g.color = 0;
      g.bold = g.italic = g.underline = false;
      Touch();
      break;
    case Kw::kDefaultFont:
      defaultFont_ = param;
      if (groups_.size() == 1) {
        g.font = param;
        Touch();
      }
      break;
    case Kw::kUnicodeSkip:
      g.uc = std::max(param, 0);
      break;
    case Kw::kUnicode:
      // Some writers put a whole code point above U+FFFF in one \u instead of two halves.
      if (param > 0xFFFF && param <= 0x10FFFF) {
        EmitChar(QChar::highSurrogate(char32_t(param)));
        EmitChar(QChar::lowSurrogate(char32_t(param)));
      } else {
        EmitChar(char16_t(param & 0xFFFF));
      }
      ucSkip_ = g.uc;
      break;
    case Kw::kFontTable:
      CommitFont();
      g.dest = Dest::kFontTable;
      break;
    case Kw::kColorTable:
      colorEntrySet_ = false;
      colorEntry_ = 0;
      g.dest = Dest::kColorTable;
      break;
    case Kw::kRed:
    case Kw::kGreen:
    case Kw::kBlue:
      if (g.dest == Dest::kColorTable) {
        const int shift = info.kw == Kw::kRed ? 16 : info.kw == Kw::kGreen ? 8 : 0;
        colorEntry_ = (colorEntry_ & ~(0xFF << shift)) | (std::clamp(param, 0, 255) << shift);
        colorEntrySet_ = true;
      }
      break;
    case Kw::kSkipDestination:
      g.dest = Dest::kSkip;
      break;
    case Kw::kAlternateUnicode:
      if (g.dest != Dest::kAlternate) g.outerDest = g.dest;
      g.dest = Dest::kAlternate;
      break;
    case Kw::kUnicodeText:
      g.dest = g.dest == Dest::kAlternate ? g.outerDest : Dest::kSkip;
      break;
    case Kw::kParagraph:
      if (g.dest == Dest::kText) EndParagraph();
      break;
    case Kw::kChar:
      EmitChar(info.ch);
      break;
    case Kw::kBin:
      break;  // handled by the caller
  }
}

// Consumes the rest of a group we do not read, nested groups included, without keeping state.
bool RtfReader::SkipGroup(QString* error) {
  size_t depth = 1;
  while (p_ < end_) {
    const char c = *p_;
    if (c == '{') {
      if (groups_.size() + depth >= size_t(kMaxGroupDepth)) return FailAt(error, "nesting too deep");
      ++depth;
      ++p_;
    } else if (c == '}') {
      ++p_;
      if (--depth == 0) {
        if (groups_.size() == 1) paragraphs_.back().mark = CurrentStyle();  // a skipped outer group
        groups_.pop_back();
        ucSkip_ = 0;
        starPending_ = false;
        return true;
      }
    } else if (c == '\\') {
      ++p_;
      if (p_ == end_) break;
      if (!IsLetter(*p_)) {
        ++p_;  // a control symbol, including \{ \} and \\; \'hh digits are harmless
        continue;
      }
      const char* w = p_;
      while (p_ < end_ && IsLetter(*p_)) ++p_;
      const bool isBin = (p_ - w) == 3 && std::memcmp(w, "bin", 3) == 0;
      bool negative = false;
      if (p_ + 1 < end_ && *p_ == '-' && IsDigit(p_[1])) {
        negative = true;
        ++p_;
      }
      long long value = 0;
      while (p_ < end_ && IsDigit(*p_)) {
        if (value < 100000000) value = value * 10 + (*p_ - '0');
        ++p_;
      }
      if (p_ < end_ && *p_ == ' ') ++p_;
      if (isBin && !negative && value > 0) {
        if (end_ - p_ < value) return FailEof(error);
        p_ += value;
      }
    } else {
      ++p_;
    }
  }
  return FailEof(error);
}

QTextCharFormat MakeFormat(const Style& s, const QStringList& families) {
  QTextCharFormat f;
  if (s.family >= 0 && !families[s.family].isEmpty()) f.setFontFamilies(QStringList{families[s.family]});
  f.setFontPointSize(s.halfPoints / 2.0);
  f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(s.italic);
  f.setFontUnderline(s.underline);
  if (s.color != kAutoColor) f.setForeground(QColor::fromRgb(QRgb(0xFF000000u | unsigned(s.color))));
  return f;
}

void RtfReader::Build(QTextDocument& doc) const {
  std::vector<QTextCharFormat> formats;
  formats.reserve(styles_.size());
  for (const Style& s : styles_) formats.push_back(MakeFormat(s, families_));

  // Loading is not an edit the user could undo; recording it would also double the cost.
  const bool undo = doc.isUndoRedoEnabled();
  doc.setUndoRedoEnabled(false);
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  doc.clear();
  const QTextBlockFormat blockFormat;
  for (size_t pi = 0; pi < paragraphs_.size(); ++pi) {
    const Paragraph& para = paragraphs_[pi];
    const QTextCharFormat& mark = formats[size_t(para.mark)];
    if (pi == 0) {
      cursor.setBlockCharFormat(mark);
    } else {
      cursor.insertBlock(blockFormat, mark);
    }
    const size_t runEnd = pi + 1 < paragraphs_.size() ? paragraphs_[pi + 1].firstRun : runs_.size();
    for (size_t r = para.firstRun; r < runEnd; ++r) {
      const Run& run = runs_[r];
      cursor.insertText(
          QString::fromRawData(reinterpret_cast<const QChar*>(text_.data() + run.start), run.length),
          formats[size_t(run.style)]);
    }
  }
  cursor.endEditBlock();
  doc.setUndoRedoEnabled(undo);
  doc.setModified(false);
}

}  // namespace

bool DecodeStyledRtf(const QByteArray& data, QTextDocument& doc, QString* error) {
  RtfReader reader(data);
  if (!reader.Parse(error)) return false;
  reader.Build(doc);
  return true;
}

}  // namespace fw
