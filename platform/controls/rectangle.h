#pragma once
#include "platform/controls/color.h"
#include "platform/controls/rectcontrol.h"

class QPainter;

namespace fw {

// A filled rectangle with a border; it reports presses and takes drops.
class Rectangle : public RectControl {
  Q_OBJECT
 public:
  Rectangle(Window* window, const QString& name);
  Color FillColor() const { return fill_; }
  void SetFillColor(Color c);
  void SetBorderWidth(int w);
  void SetTopLeftColor(Color c);
  void SetBottomRightColor(Color c);
  void SetBorderColor(Color c);
  void SetOval(int width, int height);  // rounded corners
  int BorderWidth() const { return borderWidth_; }
  Color TopLeftColor() const { return topLeft_; }
  Color BottomRightColor() const { return bottomRight_; }
  int OvalWidth() const { return ovalW_; }
  int OvalHeight() const { return ovalH_; }

  void Paint(QPainter& p) const;

 private:
  Color fill_ = kWhite;
  Color topLeft_ = kBlack, bottomRight_ = kBlack;
  int borderWidth_ = 1;
  int ovalW_ = 0, ovalH_ = 0;
};

}  // namespace fw
