#pragma once
#include <QColor>
#include <cstdint>

namespace fw {

// A 24-bit colour as &h00RRGGBB.
using Color = uint32_t;

// Components outside 0..255 (a hand-edited file) are clamped rather than bleeding into the
// neighbouring component.
constexpr Color RGB(int r, int g, int b) {
  auto clamp = [](int v) { return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  return (clamp(r) << 16) | (clamp(g) << 8) | clamp(b);
}
constexpr int Red(Color c) { return static_cast<int>((c >> 16) & 255); }
constexpr int Green(Color c) { return static_cast<int>((c >> 8) & 255); }
constexpr int Blue(Color c) { return static_cast<int>(c & 255); }

constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kBlack = RGB(0, 0, 0);

inline QColor ToQColor(Color c) { return QColor(Red(c), Green(c), Blue(c)); }
inline Color FromQColor(const QColor& q) { return RGB(q.red(), q.green(), q.blue()); }

}  // namespace fw
