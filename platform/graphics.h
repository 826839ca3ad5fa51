#pragma once
#include <QString>

#include "color.h"

class QPainter;

namespace fw {

// A drawing surface: the text settings that later drawing uses, and drawing on a painter when
// there is one (a list cell's hook only sets the settings the list then draws with).
class Graphics {
 public:
  Graphics() = default;
  explicit Graphics(QPainter* painter, int width = 0, int height = 0) : painter_(painter), width_(width), height_(height) {}

  Color ForeColor = kBlack;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  QString TextFont;
  int TextSize = 0;

  int Width() const { return width_; }
  int Height() const { return height_; }
  QPainter* Painter() const { return painter_; }
  // Draws one line with its baseline at y.
  void DrawString(const QString& text, int x, int y, int wrapWidth = 0, bool condense = false);

 private:
  QPainter* painter_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace fw
