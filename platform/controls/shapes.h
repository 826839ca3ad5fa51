#pragma once
// The passive controls: group box, rectangle, rounded rectangle, line, check box, progress bar.

#include "platform/controls/color.h"
#include "platform/controls/rectcontrol.h"

class QPainter;

namespace fw {

class GroupBox : public RectControl {
  Q_OBJECT
 public:
  GroupBox(Window* window, const QString& name);
  void SetCaption(const QString& c);
  QString Caption() const;
};

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

class RoundRectangle : public Rectangle {
  Q_OBJECT
 public:
  RoundRectangle(Window* window, const QString& name) : Rectangle(window, name) { SetOval(16, 16); }
};

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

class CheckBox : public RectControl {
  Q_OBJECT
 public:
  CheckBox(Window* window, const QString& name);
  QString Caption() const;
  void SetCaption(const QString& c);
  bool Value() const;
  void SetValue(bool on);

 protected:
  void FitText() override;
};

class ProgressBar : public RectControl {
  Q_OBJECT
 public:
  ProgressBar(Window* window, const QString& name);
  // A maximum of 0 shows a busy bar: work under way whose length is not known.
  int Maximum() const;
  void SetMaximum(int m);
  int Value() const;
  void SetValue(int v);
};

}  // namespace fw
