#include <QFont>
#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text/fontfamily.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/rtf/styledtextrtfgenerator.h"
#include "platform/rtf/interntable.h"
#include "platform/rtf/styledtextrtfstyle.h"

namespace fw {
namespace {

using namespace rtf;

// Output buffer written through a raw pointer: the encoder is dominated by per-character work,
// so the capacity is checked once per chunk instead of once per byte.
class ByteSink {
 public:
  explicit ByteSink(qsizetype reserve) {
    buf_.resize(std::max<qsizetype>(reserve, 256));
    p_ = buf_.data();
    end_ = p_ + buf_.size();
  }

  // Guarantees room for n more bytes; returns the write position.
  char* Reserve(qsizetype n) {
    if (end_ - p_ < n) {
      const qsizetype used = p_ - buf_.data();
      buf_.resize(std::max(buf_.size() * 2, used + n + 4096));
      p_ = buf_.data() + used;
      end_ = buf_.data() + buf_.size();
    }
    return p_;
  }
  void Commit(char* p) { p_ = p; }

  void Append(std::string_view s) {
    char* p = Reserve(qsizetype(s.size()));
    std::memcpy(p, s.data(), s.size());
    p_ = p + s.size();
  }

  QByteArray Take() {
    buf_.resize(p_ - buf_.data());
    p_ = end_ = nullptr;
    return std::move(buf_);
  }

 private:
  QByteArray buf_;
  char* p_ = nullptr;
  char* end_ = nullptr;
};

char* PutLiteral(char* p, std::string_view s) {
  std::memcpy(p, s.data(), s.size());
  return p + s.size();
}

char* PutInt(char* p, int v) {
  unsigned int u = v < 0 ? 0u - unsigned(v) : unsigned(v);
  if (v < 0) *p++ = '-';
  char tmp[12];
  int n = 0;
  do {
    tmp[n++] = char('0' + u % 10);
    u /= 10;
  } while (u != 0);
  while (n > 0) *p++ = tmp[--n];
  return p;
}

// RTF's \u takes a signed 16-bit number, one per UTF-16 code unit.
char* PutUnicodeEscape(char* p, char16_t c) {
  p = PutLiteral(p, "\\u");
  p = PutInt(p, c >= 0x8000 ? int(c) - 0x10000 : int(c));
  *p++ = '?';  // fallback for readers without \u; \uc1 (the default) skips it
  return p;
}

constexpr qsizetype kMaxBytesPerUnit = 10;  // "\u-32768?" or a delimiter space plus one byte

class RtfWriter {
 public:
  explicit RtfWriter(const QTextDocument& doc) : body_(doc.characterCount() * 5 / 4 + 1024) {
    const QFont font = doc.defaultFont();
    const QStringList families = font.families();
    defaultFamily_ = families.isEmpty() ? font.family() : families.first();
    double pt = font.pointSizeF();
    if (pt <= 0 && font.pixelSize() > 0) pt = font.pixelSize() * 0.75;
    defaultHalfPoints_ = pt > 0 ? ClampHalfPoints(qRound64(pt * 2)) : kRtfDefaultHalfPoints;
    defaultBold_ = font.weight() >= QFont::Bold;
    defaultItalic_ = font.italic();
    defaultUnderline_ = font.underline();
  }

  QByteArray Write(const QTextDocument& doc) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
      script_ = Script::kWestern;
      for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || fragment.length() == 0) continue;
        const int styleId = StyleIdFor(fragment.charFormatIndex(), fragment.charFormat());
        SwitchTo(styleId);
        const QString text = fragment.text();
        StateOtherScripts(text, styles_[size_t(styleId)]);
        WriteText(text.constData(), text.size());
      }
      // The paragraph mark carries the paragraph's own char format, which is what an empty
      // paragraph (or an empty document) hands to text typed into it. Every paragraph ends in
      // its mark, the last one too, as word processors write it and read it.
      SwitchTo(StyleIdFor(block.charFormatIndex(), block.charFormat()));
      body_.Append("\\par\n");
      needDelimiter_ = false;
    }
    body_.Append("}");
    QByteArray body = body_.Take();

    ByteSink out(body.size() + 256 + 64 * qsizetype(fontNames_.size() + colors_.size()));
    out.Append("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl");
    for (size_t i = 0; i < fontNames_.size(); ++i) {
      const QString& name = fontNames_[i];
      char* p = out.Reserve(32 + name.size() * kMaxBytesPerUnit);
      p = PutLiteral(p, "{\\f");
      p = PutInt(p, int(i));
      *p++ = ' ';
      p = PutFontName(p, name);
      p = PutLiteral(p, ";}");
      out.Commit(p);
    }
    out.Append("}{\\colortbl;");
    for (int rgb : colors_) {
      char* p = out.Reserve(64);
      p = PutLiteral(p, "\\red");
      p = PutInt(p, (rgb >> 16) & 0xFF);
      p = PutLiteral(p, "\\green");
      p = PutInt(p, (rgb >> 8) & 0xFF);
      p = PutLiteral(p, "\\blue");
      p = PutInt(p, rgb & 0xFF);
      *p++ = ';';
      out.Commit(p);
    }
    out.Append("}{\\*\\generator " TAVRIN_RTF_GENERATOR ";}\n");
    out.Append(std::string_view(body.constData(), size_t(body.size())));
    return out.Take();
  }

 private:
  Style StyleOf(const QTextCharFormat& f) {
    Style s;
    QString family = NamedFamily(f);
    if (family.isEmpty()) family = f.property(QTextFormat::FontFamily).toString();
    if (family.isEmpty()) family = defaultFamily_;
    s.family = fontNames_.Intern(family);

    double pt = 0;
    if (f.hasProperty(QTextFormat::FontPointSize)) pt = f.doubleProperty(QTextFormat::FontPointSize);
    if (pt <= 0 && f.hasProperty(QTextFormat::FontPixelSize))
      pt = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    s.halfPoints = pt > 0 ? ClampHalfPoints(qRound64(pt * 2)) : defaultHalfPoints_;

    s.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::Bold : defaultBold_;
    s.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultItalic_;
    s.underline = f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline)
                      ? f.fontUnderline()
                      : defaultUnderline_;

    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
      const QBrush brush = f.foreground();
      if (brush.style() != Qt::NoBrush) s.color = int(brush.color().rgb() & 0xFFFFFFu);
    }
    if (s.color != kAutoColor) colors_.Intern(s.color);
    return s;
  }

  int StyleIdFor(int formatIndex, const QTextCharFormat& format) {
    if (formatIndex >= 0 && size_t(formatIndex) < styleOfFormat_.size() &&
        styleOfFormat_[size_t(formatIndex)] >= 0)
      return styleOfFormat_[size_t(formatIndex)];
    const int id = styles_.Intern(StyleOf(format));
    if (formatIndex >= 0) {
      if (size_t(formatIndex) >= styleOfFormat_.size()) styleOfFormat_.resize(size_t(formatIndex) + 1, -1);
      styleOfFormat_[size_t(formatIndex)] = id;
    }
    return id;
  }

  void SwitchTo(int styleId) {
    if (styleId == currentId_) return;
    const Style& s = styles_[size_t(styleId)];
    const bool all = currentId_ < 0;
    const Style& c = all ? s : styles_[size_t(currentId_)];
    char* p = body_.Reserve(80);
    if (all || s.family != c.family) {
      p = PutLiteral(p, "\\f");
      p = PutInt(p, s.family);
    }
    if (all || s.halfPoints != c.halfPoints) {
      p = PutLiteral(p, "\\fs");
      p = PutInt(p, s.halfPoints);
    }
    if (all || s.bold != c.bold) p = PutLiteral(p, s.bold ? "\\b" : "\\b0");
    if (all || s.italic != c.italic) p = PutLiteral(p, s.italic ? "\\i" : "\\i0");
    if (all || s.underline != c.underline) p = PutLiteral(p, s.underline ? "\\ul" : "\\ulnone");
    if (all || s.color != c.color) {
      p = PutLiteral(p, "\\cf");
      p = PutInt(p, s.color == kAutoColor ? 0 : colors_.Intern(s.color) + 1);  // entry 0 is "auto"
    }
    body_.Commit(p);
    currentId_ = styleId;
    needDelimiter_ = true;
  }

  // Word processors show East Asian and complex-script text in their own font, size, bold and
  // italic unless the file states them; before such text, the set it is read with is made to
  // say the run's style. The reader clears the East Asian size, bold and italic at each \fs \b
  // \i, as word processors do, so of that set only the font can be out of date.
  void StateOtherScripts(const QString& text, const Style& s) {
    bool asian = false;
    bool complex = false;
    for (const QChar c : text) {
      if (c.unicode() < 0x80 && script_ == Script::kWestern) continue;  // the common case, cheaply
      script_ = ScriptOf(c.unicode(), script_);
      asian |= script_ == Script::kAsian;
      complex |= script_ == Script::kComplex;
    }
    const Associated wanted{s.family, s.halfPoints, s.bold, s.italic};
    if (complex && !(complexStated_ && complex_ == wanted)) {
      body_.Commit(PutAssociated(body_.Reserve(80), "\\rtlch", wanted, "\\ltrch"));
      complex_ = wanted;
      complexStated_ = true;
      needDelimiter_ = true;
    }
    if (asian && asianFamily_ != s.family) {
      body_.Commit(PutAssociated(body_.Reserve(80), "\\dbch", wanted, "\\loch"));
      asianFamily_ = s.family;
      needDelimiter_ = true;
    }
  }

  struct Associated {
    int family;
    int halfPoints;
    bool bold;
    bool italic;
    bool operator==(const Associated&) const = default;
  };

  static char* PutAssociated(char* p, std::string_view open, const Associated& a, std::string_view close) {
    p = PutLiteral(p, open);
    p = PutLiteral(p, "\\af");
    p = PutInt(p, a.family);
    p = PutLiteral(p, "\\afs");
    p = PutInt(p, a.halfPoints);
    p = PutLiteral(p, a.bold ? "\\ab" : "\\ab0");
    p = PutLiteral(p, a.italic ? "\\ai" : "\\ai0");
    return PutLiteral(p, close);
  }

  void WriteText(const QChar* text, qsizetype n) {
    char* p = body_.Reserve(n * kMaxBytesPerUnit + 1);
    bool delimit = needDelimiter_;
    for (qsizetype i = 0; i < n; ++i) {
      const char16_t c = text[i].unicode();
      if (c >= 0x20 && c < 0x7F) {
        if (c == '\\' || c == '{' || c == '}') {
          *p++ = '\\';
        } else if (delimit) {
          *p++ = ' ';
        }
        *p++ = char(c);
        delimit = false;
      } else if (c == '\t') {
        p = PutLiteral(p, "\\tab");
        delimit = true;
      } else if (c == 0x2028) {
        p = PutLiteral(p, "\\line");
        delimit = true;
      } else {
        p = PutUnicodeEscape(p, c);
        delimit = false;
      }
    }
    body_.Commit(p);
    needDelimiter_ = delimit;
  }

  // ';' ends a font table entry, so inside a name it goes as a hex escape.
  static char* PutFontName(char* p, const QString& name) {
    for (const QChar qc : name) {
      const char16_t c = qc.unicode();
      if (c == ';') {
        p = PutLiteral(p, "\\'3b");
      } else if (c >= 0x20 && c < 0x7F) {
        if (c == '\\' || c == '{' || c == '}') *p++ = '\\';
        *p++ = char(c);
      } else {
        p = PutUnicodeEscape(p, c);
      }
    }
    return p;
  }

  ByteSink body_;
  QString defaultFamily_;
  int defaultHalfPoints_ = kRtfDefaultHalfPoints;
  bool defaultBold_ = false;
  bool defaultItalic_ = false;
  bool defaultUnderline_ = false;

  InternTable<QString> fontNames_;
  InternTable<int> colors_;
  InternTable<Style> styles_;
  std::vector<int> styleOfFormat_;
  int currentId_ = -1;
  bool needDelimiter_ = false;
  Script script_ = Script::kWestern;  // of the last character written in this paragraph
  Associated complex_{};
  bool complexStated_ = false;
  int asianFamily_ = kNoFamily - 1;  // none stated yet
};

}  // namespace

QByteArray EncodeStyledRtf(const QTextDocument& doc) {
  RtfWriter writer(doc);
  return writer.Write(doc);
}

}  // namespace fw
