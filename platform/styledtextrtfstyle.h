#pragma once

// What the section text file's reader and writer share: the per-character style they both
// keep, and its limits.

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

}  // namespace fw::rtf
