#pragma once
#include <QFont>
#include <QString>

#include "platform/controls/color.h"

class QPainter;
class QPaintDevice;

namespace fw {

// A drawing surface: the text settings that later drawing uses, and drawing on a painter when
// there is one (a list cell's hook only sets the settings the list then draws with). A printer's
// surface (PrinterGraphics) draws in points and has pages.
class Graphics {
 public:
  Graphics() = default;
  explicit Graphics(QPainter* painter, int width = 0, int height = 0) : painter_(painter), width_(width), height_(height) {}
  virtual ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Color ForeColor = kBlack;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  QString TextFont;
  int TextSize = 0;

  int Width() const { return width_; }
  int Height() const { return height_; }
  QPainter* Painter() const { return painter_; }
  // What text is laid out for (its resolution gives a point its size); the painter's device, or
  // for a printer the printer itself, also before its job has started.
  virtual QPaintDevice* Device() const;
  // Painter units per unit of this surface's coordinates.
  double Scale() const { return scale_; }
  // Draws one line with its baseline at y.
  void DrawString(const QString& text, int x, int y, int wrapWidth = 0, bool condense = false);
  // How far below its baseline a string drawn now may reach, in this surface's units.
  double TextDescent() const;
  // Ends the current page; later drawing goes on a new, empty one. Only a printer's surface has
  // pages.
  virtual void NextPage() {}

 protected:
  void SetPainter(QPainter* painter, int width, int height, double scale) {
    painter_ = painter;
    width_ = width;
    height_ = height;
    scale_ = scale;
  }

 private:
  QFont TextFontNow() const;
  QPainter* painter_ = nullptr;
  int width_ = 0, height_ = 0;
  double scale_ = 1;
};

}  // namespace fw
