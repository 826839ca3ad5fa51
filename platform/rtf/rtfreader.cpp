#include "platform/rtf/rtfreader.h"

#include <QColor>
#include <QFont>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "platform/text/fontfamily.h"

namespace fw::rtf {
namespace {

// Real documents nest a few dozen groups at most, but word processors open files nested
// twenty thousand deep; beyond this bound the file is damaged or hostile. Groups live on the
// heap, never on the machine stack.
constexpr int kMaxGroupDepth = 100000;

// How our files began before they named their writer. They end their last paragraph without a
// mark, so a mark right before the end still opens an empty paragraph in them.
constexpr std::string_view kEarlierHeader = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 ";

QTextCharFormat MakeFormat(const Style& s, const InternTable<QString>& families) {
  QTextCharFormat f;
  if (s.family >= 0 && !families[size_t(s.family)].isEmpty()) SetNamedFamily(f, families[size_t(s.family)]);
  f.setFontPointSize(s.halfPoints / 2.0);
  f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
  f.setFontItalic(s.italic);
  f.setFontUnderline(s.underline);
  if (s.color != kAutoColor) f.setForeground(QColor::fromRgb(QRgb(0xFF000000u | unsigned(s.color))));
  return f;
}

}  // namespace

void RtfReader::CommitFont() {
  FlushBytes();
  if (!fontEntryOpen_) return;
  familyOfFont_.insert(fontEntryNumber_, fontEntryName_.isEmpty() ? kNoFamily : families_.Intern(fontEntryName_));
  if (fontEntryCodePage_ != 0) codePageOfFont_.insert(fontEntryNumber_, fontEntryCodePage_);
  fontEntryOpen_ = false;
  fontEntryCodePage_ = 0;
  fontEntryName_.clear();
  ++generation_;
}

// Text in an \rtlch or \dbch run is in the code page of the font named for it there.
int RtfReader::CodePageHere() const {
  const Group& g = groups_.back();
  int font = g.font;
  if (g.rtlRun && g.complex.font != kUnset) font = g.complex.font;
  if (!g.rtlRun && g.doubleByteRun && g.asian.font != kUnset) font = g.asian.font;
  const int own = g.dest == Dest::kFontTable ? fontEntryCodePage_ : codePageOfFont_.value(font, 0);
  return own != 0 ? own : documentCodePage_;
}

void RtfReader::EmitByte(unsigned char b) {
  if (b < 0x20 && b != '\t') return;  // control bytes carry nothing here
  if (b == 0x7F) return;
  bytes_.Add(b, CodePageHere(), [this](char16_t c) { EmitChar(c); });
}

// Everything that could change how the bytes held are read flushes them first.
void RtfReader::FlushBytes() {
  bytes_.Flush([this](char16_t c) { EmitChar(c); });
}

RtfReader::Associated* RtfReader::AssociatedHere() {
  Group& g = groups_.back();
  if (g.rtlRun) {
    if (!complexGiven_) ++generation_;  // styles resolved so far assumed the other way
    complexGiven_ = true;
    return &g.complex;
  }
  if (g.doubleByteRun) return &g.asian;
  return nullptr;  // elsewhere they name the font of high-ANSI Western text, which is \f here
}

void RtfReader::CommitColor() {
  colors_.push_back(colorEntrySet_ ? colorEntry_ : kAutoColor);
  colorEntrySet_ = false;
  colorEntry_ = 0;
  ++generation_;
}

int RtfReader::CurrentStyle(Script script) {
  Group& g = groups_.back();
  if (g.styleGeneration != generation_) {
    Touch();
    g.styleGeneration = generation_;
  }
  int& cached = g.style[int(script)];
  if (cached >= 0) return cached;
  int font = g.font;
  int halfPoints = g.halfPoints;
  bool bold = g.bold;
  bool italic = g.italic;
  if (script != Script::kWestern) {
    const Associated& a = script == Script::kAsian ? g.asian : g.complex;
    // East Asian text takes \fs \b \i unless \dbch said otherwise. Complex-script text has
    // its own size, bold and italic in files that speak of them at all; in files that never do
    // (ours before, simple editors) it looks like the text around it.
    const bool ownDefaults = script == Script::kComplex && complexGiven_;
    if (a.font != kUnset) font = a.font;
    if (a.halfPoints != kUnset) {
      halfPoints = a.halfPoints;
    } else if (ownDefaults) {
      halfPoints = kRtfDefaultHalfPoints;
    }
    if (a.bold != kUnset || ownDefaults) bold = a.bold != kUnset && a.bold != 0;
    if (a.italic != kUnset || ownDefaults) italic = a.italic != kUnset && a.italic != 0;
  }
  Style s;
  s.family = familyOfFont_.value(font, kNoFamily);
  s.halfPoints = ClampHalfPoints(halfPoints);
  s.color = g.color >= 0 && size_t(g.color) < colors_.size() ? colors_[size_t(g.color)] : kAutoColor;
  s.bold = bold;
  s.italic = italic;
  s.underline = g.underline;
  cached = styles_.Intern(s);
  return cached;
}

void RtfReader::EndParagraph() {
  paragraphs_.back().mark = CurrentStyle();
  paragraphs_.push_back({runs_.size(), -1});
  script_ = Script::kWestern;
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
  script_ = ScriptOf(c, script_);
  const int style = CurrentStyle(script_);
  if (runs_.size() > paragraphs_.back().firstRun && runs_.back().style == style) {
    ++runs_.back().length;
  } else {
    runs_.push_back({textBase_ + qsizetype(text_.size()), 1, style});
  }
  text_.push_back(c);
}

void RtfReader::EmitAscii(const char* s, qsizetype n) {
  // Spaces and digits after East Asian or complex-script text belong to it, up to a letter.
  for (; n > 0 && script_ != Script::kWestern; ++s, --n) EmitChar(char16_t(static_cast<unsigned char>(*s)));
  if (n == 0) return;
  const int style = CurrentStyle();
  if (runs_.size() > paragraphs_.back().firstRun && runs_.back().style == style) {
    runs_.back().length += n;
  } else {
    runs_.push_back({textBase_ + qsizetype(text_.size()), n, style});
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

bool RtfReader::Begin(QString* error) {
  if (!tokens_.StartsWith("{\\rtf")) return Fail(error, QStringLiteral("not an RTF file"));

  earlierHeader_ = tokens_.StartsWith(kEarlierHeader);
  // A long text is built while it is read, and what is built is dropped: no need to hold it all.
  text_.reserve(size_t(1) << 16);
  paragraphs_.push_back({0, -1});
  groups_.reserve(64);
  groups_.push_back(Group{});
  tokens_.Skip();
  return true;
}

RtfReader::Progress RtfReader::Parse(QString* error, qsizetype bytes) {
  if (finished_) return Progress::kWhole;
  const auto damaged = [this] {
    Drop();
    return Progress::kDamaged;
  };
  if (!begun_) {
    tokens_.SkipSpaces();
    if (!tokens_.CanBegin()) return Progress::kMore;
    begun_ = true;
    if (!Begin(error)) return damaged();
  }
  tokens_.PauseAfter(bytes);

  while (!groups_.empty()) {
    if (tokens_.Cut()) return Progress::kMore;
    if (tokens_.BinaryLeft()) {
      if (!tokens_.LastIn()) return Progress::kMore;
      FailEof(error);
      return damaged();
    }
    if (tokens_.Paused()) return Progress::kMore;
    if (groups_.back().dest == Dest::kSkip) {
      if (!SkipGroup(error)) return damaged();
      continue;
    }
    if (tokens_.AtEnd()) {
      FailEof(error);
      return damaged();
    }
    const char c = tokens_.Peek();
    switch (c) {
      case '{':
        FlushBytes();
        if (groups_.size() >= size_t(kMaxGroupDepth)) {
          FailAt(error, "nesting too deep");
          return damaged();
        }
        groups_.push_back(groups_.back());
        tokens_.Skip();
        ucSkip_ = 0;
        starPending_ = false;
        break;
      case '}':
        FlushBytes();
        CloseGroup();
        tokens_.Skip();
        ucSkip_ = 0;
        starPending_ = false;
        break;
      case '\\':
        if (!ParseControl(error)) return damaged();
        break;
      case '\r':
      case '\n':
        tokens_.Skip();  // line breaks in the file are not text
        break;
      default: {
        starPending_ = false;
        if (ucSkip_ > 0) {
          --ucSkip_;
          tokens_.Skip();
          break;
        }
        // The second byte of a two-byte character belongs to it even where it looks like ASCII.
        if (bytes_.TrailPending()) {
          EmitByte(tokens_.Take());
          break;
        }
        FlushBytes();
        const Dest dest = groups_.back().dest;
        if (dest == Dest::kText && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
          const std::string_view text = tokens_.ReadText();
          if (!text.empty()) {
            EmitAscii(text.data(), qsizetype(text.size()));
            break;
          }
        }
        const unsigned char b = tokens_.Take();
        if (b == ';' && dest == Dest::kFontTable) {
          CommitFont();
        } else if (b == ';' && dest == Dest::kColorTable) {
          CommitColor();
        } else if (b >= 0x80) {
          EmitByte(b);
        } else if (b == '\t' || (b >= 0x20 && b != 0x7F)) {
          EmitChar(char16_t(b));
        }
        break;
      }
    }
  }

  // Like word processors we stop at the brace that closes the document: padding, a second
  // closing brace or anything else after it is no part of it.

  // A paragraph mark ends its paragraph, so one right before the end opens no empty paragraph
  // after it. Our earlier files wrote no mark after the last paragraph, so in them it still does.
  const bool earlierFileOfOurs = earlierHeader_ && !sawGenerator_;
  if (!earlierFileOfOurs && paragraphs_.size() > 1 && paragraphs_.back().firstRun == runs_.size())
    paragraphs_.pop_back();
  Drop();
  return Progress::kWhole;
}

bool RtfReader::ParseControl(QString* error) {
  using Kind = RtfTokenizer::Control::Kind;
  const RtfTokenizer::Control control = tokens_.ReadControl();
  if (control.kind == Kind::kEnd) return FailEof(error);
  if (control.kind != Kind::kHex) FlushBytes();
  switch (control.kind) {
    case Kind::kCut:
      return true;  // waits for the rest of the word
    case Kind::kTooLong:
      return FailAt(error, "control word too long");
    case Kind::kBinary:
      if (ucSkip_ > 0) --ucSkip_;
      starPending_ = false;
      return true;
    case Kind::kWord:
      if (ucSkip_ > 0) {
        --ucSkip_;
        starPending_ = false;
        return true;
      }
      HandleWord(control.name, control.hasParam, control.param);
      return true;
    case Kind::kHex:
      starPending_ = false;
      if (ucSkip_ > 0) {
        --ucSkip_;
        return true;
      }
      if (control.hex >= 0) EmitByte(static_cast<unsigned char>(control.hex));
      return true;
    case Kind::kSymbol:
    case Kind::kEnd:
      break;
  }

  const char c = control.symbol;
  if (c == '*') {
    starPending_ = true;
    return true;
  }
  starPending_ = false;
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
  using Action = RtfKeyword::Action;
  Group& g = groups_.back();
  const bool starred = starPending_;
  starPending_ = false;

  if (starred && word == "generator") sawGenerator_ = true;
  const RtfKeyword* const keyword = FindRtfKeyword(word);
  if (!keyword) {
    if (starred) g.dest = Dest::kSkip;  // an optional destination we do not know
    return;
  }
  const RtfKeyword& k = *keyword;
  if (k.action == Action::kSkipContent) lostIfShown_ = k.lost;
  else lost_ |= k.lost;
  if (starred && k.action != Action::kUnicodeText) {
    g.dest = Dest::kSkip;
    return;
  }
  const bool on = !hasParam || param != 0;
  switch (k.action) {
    case Action::kNone:
      break;
    case Action::kFlag:
      g.*k.flag = on;
      if (k.associated) g.asian.*k.associated = kUnset;
      Touch();
      break;
    case Action::kFlagOff:
      g.*k.flag = false;
      Touch();
      break;
    case Action::kNumber:
      g.*k.number = hasParam ? param : k.value;
      if (k.associated) g.asian.*k.associated = kUnset;
      Touch();
      break;
    case Action::kRunKind:
      g.*k.flag = k.value != 0;
      break;
    case Action::kAssociated:
      if (Associated* a = AssociatedHere()) a->*k.associated = hasParam ? param : k.value;
      Touch();
      break;
    case Action::kAssociatedFlag:
      if (Associated* a = AssociatedHere()) a->*k.associated = on;
      Touch();
      break;
    case Action::kChar:
      EmitChar(char16_t(k.value));
      break;
    case Action::kSkip:
    case Action::kSkipContent:
      g.dest = Dest::kSkip;
      break;
    case Action::kFont:
      if (g.dest == Dest::kFontTable) {
        CommitFont();
        fontEntryOpen_ = true;
        fontEntryNumber_ = param;
      } else {
        g.font = param;
        Touch();
      }
      break;
    case Action::kDocumentCodePage:
      if (k.value != 0 || param > 0) documentCodePage_ = k.value != 0 ? k.value : param;
      break;
    case Action::kFontCharset:
      if (g.dest == Dest::kFontTable) fontEntryCodePage_ = CodePageOfCharset(param);
      break;
    case Action::kFontCodePage:
      if (g.dest == Dest::kFontTable && param > 0) fontEntryCodePage_ = param;
      break;
    case Action::kPlain:
      g.font = defaultFont_;
      g.halfPoints = kRtfDefaultHalfPoints;
      g.color = 0;
      g.bold = g.italic = g.underline = false;
      g.asian = g.complex = Associated{};
      g.rtlRun = g.doubleByteRun = false;
      Touch();
      break;
    case Action::kDefaultFont:
      defaultFont_ = param;
      if (groups_.size() == 1) {
        g.font = param;
        Touch();
      }
      break;
    case Action::kUnicodeSkip:
      g.uc = std::max(param, 0);
      break;
    case Action::kUnicode:
      // Some writers put a whole code point above U+FFFF in one \u instead of two halves.
      if (param > 0xFFFF && param <= 0x10FFFF) {
        EmitChar(QChar::highSurrogate(char32_t(param)));
        EmitChar(QChar::lowSurrogate(char32_t(param)));
      } else {
        EmitChar(char16_t(param & 0xFFFF));
      }
      ucSkip_ = g.uc;
      break;
    case Action::kFontTable:
      CommitFont();
      g.dest = Dest::kFontTable;
      break;
    case Action::kColorTable:
      colorEntrySet_ = false;
      colorEntry_ = 0;
      g.dest = Dest::kColorTable;
      break;
    case Action::kColorPart:
      if (g.dest == Dest::kColorTable) {
        const int shift = k.value;
        colorEntry_ = (colorEntry_ & ~(0xFF << shift)) | (std::clamp(param, 0, 255) << shift);
        colorEntrySet_ = true;
      }
      break;
    case Action::kAlternateUnicode:
      if (g.dest != Dest::kAlternate) g.outerDest = g.dest;
      g.dest = Dest::kAlternate;
      break;
    case Action::kUnicodeText:
      g.dest = g.dest == Dest::kAlternate ? g.outerDest : Dest::kSkip;
      break;
    case Action::kParagraph:
      if (g.dest == Dest::kText) EndParagraph();
      break;
    case Action::kBreak:
      // A page, column or section break at the start of a paragraph is where it begins, as
      // word processors read it; elsewhere it ends the paragraph.
      if (g.dest == Dest::kText && runs_.size() > paragraphs_.back().firstRun) EndParagraph();
      break;
  }
}

bool RtfReader::SkipGroup(QString* error) {
  bool watchText = lostIfShown_ != kNoneLost;
  const RtfTokenizer::SkipEnd end = tokens_.SkipGroup(size_t(kMaxGroupDepth) - groups_.size(), watchText);
  if (lostIfShown_ != kNoneLost && !watchText) {
    lost_ |= lostIfShown_;
    lostIfShown_ = kNoneLost;
  }
  switch (end) {
    case RtfTokenizer::SkipEnd::kPaused:
      return true;
    case RtfTokenizer::SkipEnd::kClosed:
      lostIfShown_ = kNoneLost;
      CloseGroup();
      ucSkip_ = 0;
      starPending_ = false;
      return true;
    case RtfTokenizer::SkipEnd::kTooDeep:
      return FailAt(error, "nesting too deep");
    case RtfTokenizer::SkipEnd::kTooLong:
      return FailAt(error, "control word too long");
    case RtfTokenizer::SkipEnd::kEnd:
      break;
  }
  return FailEof(error);
}

bool RtfReader::Build(QTextDocument& doc, BuildState& st, qsizetype characters) {
  qsizetype built = 0;
  // Styles are found as the text is read, and made into formats as they are first used: a file of
  // thousands of fonts has the font system look up each missing one (see SetNamedFamily), which
  // counts towards the step.
  constexpr qsizetype kFormatCost = 256;
  st.formats.resize(styles_.size());
  const auto formatOf = [&](int style) -> const QTextCharFormat& {
    static const QTextCharFormat none;
    if (style < 0) return none;
    std::optional<QTextCharFormat>& f = st.formats[size_t(style)];
    if (!f) {
      f = MakeFormat(styles_[size_t(style)], families_);
      built += kFormatCost;
    }
    return *f;
  };
  if (!st.begun) {
    // Loading is not an edit the user could undo; recording it would also double the cost.
    doc.setUndoRedoEnabled(false);
  }
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  if (!st.begun) {
    doc.clear();
    st.begun = true;
  } else {
    cursor.movePosition(QTextCursor::End);
  }
  const QTextBlockFormat blockFormat;
  while (st.paragraph < paragraphs_.size() && built < characters) {
    const Paragraph& para = paragraphs_[st.paragraph];
    // The paragraph being read may still grow, and its own format is known only at its end.
    const bool whole = finished_ || st.paragraph + 1 < paragraphs_.size();
    if (!st.inParagraph) {
      // An empty paragraph at the end of what is read may turn out to be no paragraph at all.
      if (!whole && para.firstRun == runs_.size()) break;
      const int mark = whole ? para.mark : st.paragraph > 0 ? paragraphs_[st.paragraph - 1].mark : -1;
      if (st.paragraph == 0) {
        if (mark >= 0) cursor.setBlockCharFormat(formatOf(mark));
      } else {
        cursor.insertBlock(blockFormat, formatOf(mark));
      }
      st.markLater = whole ? QTextBlock() : cursor.block();
      st.markGiven = mark;
      st.run = para.firstRun;
      st.inRun = 0;
      st.inParagraph = true;
      ++built;
    }
    const size_t runEnd = whole && st.paragraph + 1 < paragraphs_.size() ? paragraphs_[st.paragraph + 1].firstRun
                                                                          : runs_.size();
    // A run goes in a part at a time when it is long (a paragraph of one style, a pasted line of
    // megabytes): the editor shows the start at once and takes the rest from the event loop.
    while (st.run < runEnd && built < characters) {
      const Run& run = runs_[st.run];
      // The text before textBase_ is gone, and a run begun in an earlier step may start there:
      // only the place of its next character is within what is kept.
      const qsizetype at = run.start + st.inRun - textBase_;
      const qsizetype left = run.length - st.inRun;
      qsizetype n = std::min(left, characters - built);
      if (n > 0 && n < left && QChar::isHighSurrogate(text_[size_t(at + n - 1)])) ++n;  // never half a character
      if (n > 0) {
        const QChar* from = reinterpret_cast<const QChar*>(text_.data() + at);
        cursor.insertText(QString::fromRawData(from, n), formatOf(run.style));
      }
      st.inRun += n;
      st.text += n;
      built += n;
      if (st.inRun < run.length) break;
      // The last run read may still grow.
      if (!whole && st.run + 1 == runs_.size()) break;
      ++st.run;
      st.inRun = 0;
    }
    if (!whole || st.run < runEnd) break;
    if (st.markLater.isValid() && para.mark != st.markGiven) QTextCursor(st.markLater).setBlockCharFormat(formatOf(para.mark));
    st.markLater = QTextBlock();
    ++st.paragraph;
    st.inParagraph = false;
  }
  cursor.endEditBlock();
  doc.setModified(false);
  // What is built is not needed again; dropped in large pieces, the rest moves seldom.
  const qsizetype done = st.text - textBase_;
  if (done >= (qsizetype(1) << 20) && done * 2 >= qsizetype(text_.size())) {
    text_.erase(text_.begin(), text_.begin() + done);
    textBase_ += done;
  }
  return !finished_ || st.paragraph < paragraphs_.size();
}

qsizetype RtfReader::Unbuilt(const BuildState& st) const { return textBase_ + qsizetype(text_.size()) - st.text; }

bool RtfReader::EndAtDamage() {
  if (groups_.empty() || runs_.empty()) return false;
  FlushBytes();
  if (paragraphs_.back().mark < 0) paragraphs_.back().mark = CurrentStyle();
  return true;
}

}  // namespace fw::rtf
