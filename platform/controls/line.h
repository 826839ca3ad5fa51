#pragma once
#include "platform/controls/color.h"
#include "platform/controls/rectcontrol.h"

namespace fw {

class Line : public RectControl {
  Q_OBJECT
 public:
  Line(Window* window, const QString& name);
  void SetPoints(int x1, int y1, int x2, int y2);
  void SetBorderWidth(int w) { width_ = w; Refresh(); }
  void SetLineColor(Color c) { color_ = c; Refresh(); }
  int X1() const { return x1_; }
  int Y1() const { return y1_; }
  int X2() const { return x2_; }
  int Y2() const { return y2_; }
  int BorderWidth() const { return width_; }
  Color LineColor() const { return color_; }

 private:
  int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0, width_ = 1;
  Color color_ = kBlack;
};

}  // namespace fw
