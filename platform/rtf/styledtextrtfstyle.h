#pragma once

// What the section text file's reader and writer share: the per-character style they both
// keep, and its limits.

#include <QChar>
#include <QHash>
#include <algorithm>

namespace fw::rtf {

// Word processors offer 1..1638 pt; clamping keeps a damaged file from asking for absurd fonts.
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;
constexpr int kRtfDefaultHalfPoints = 24;
constexpr int kAutoColor = -1;  // "no explicit foreground": shown in the editor's text colour
constexpr int kNoFamily = -1;

struct Style {
  int family = kNoFamily;  // index into the font list of the encoder or decoder
  int halfPoints = kRtfDefaultHalfPoints;
  int color = kAutoColor;  // 0xRRGGBB or kAutoColor
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const Style&) const = default;
};

inline size_t qHash(const Style& s, size_t seed = 0) {
  return qHashMulti(seed, s.family, s.halfPoints, s.color, s.bold, s.italic, s.underline);
}

inline int ClampHalfPoints(long long hp) {
  return int(std::clamp<long long>(hp, kMinHalfPoints, kMaxHalfPoints));
}

// Word processors keep three sets of font, size, bold and italic and pick one by the script of
// each character: the Western one (\f \fs \b \i), the East Asian one (\af \afs \ab \ai given
// in a \dbch run) and the one for complex scripts (the same words in a \rtlch run). Our model
// has one style per character, so the writer states it in every set a character may be read
// with, and the reader takes each character's style from the set of its script.
enum class Script : unsigned char { kWestern, kAsian, kComplex };

// Spaces, digits, punctuation and marks belong to no script: they take the script of the
// character before them in the paragraph, as word processors have it.
inline Script ScriptOf(char32_t c, Script previous) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? Script::kWestern : previous;
  if (QChar::isHighSurrogate(c)) return c >= 0xD840 && c < 0xD8C0 ? Script::kAsian : previous;  // U+2xxxx, U+3xxxx
  switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
      return Script::kAsian;
    case QChar::Script_Arabic:
    case QChar::Script_Hebrew:
    case QChar::Script_Syriac:
    case QChar::Script_Thaana:
    case QChar::Script_Nko:
    case QChar::Script_Samaritan:
    case QChar::Script_Mandaic:
    case QChar::Script_Devanagari:
    case QChar::Script_Bengali:
    case QChar::Script_Gurmukhi:
    case QChar::Script_Gujarati:
    case QChar::Script_Oriya:
    case QChar::Script_Tamil:
    case QChar::Script_Telugu:
    case QChar::Script_Kannada:
    case QChar::Script_Malayalam:
    case QChar::Script_Sinhala:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Tibetan:
    case QChar::Script_Myanmar:
    case QChar::Script_Khmer:
      return Script::kComplex;
    case QChar::Script_Common:
    case QChar::Script_Inherited:
    case QChar::Script_Unknown:
      // CJK punctuation and full-width forms are East Asian text although no script owns them.
      if ((c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xFE30 && c < 0xFE50) ||
          (c >= 0xFF00 && c < 0xFFF0))
        return Script::kAsian;
      return previous;
    default:
      return Script::kWestern;
  }
}

}  // namespace fw::rtf
