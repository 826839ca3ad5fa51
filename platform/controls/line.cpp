#include "platform/controls/line.h"

#include <QPainter>
#include <QWidget>

#include "platform/controls/window.h"

namespace fw {

namespace {
class LineWidget : public QWidget {
 public:
  LineWidget(Line* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(ToQColor(owner_->LineColor()), owner_->BorderWidth()));
    const QPoint origin = pos();
    p.drawLine(QPoint(owner_->X1(), owner_->Y1()) - origin, QPoint(owner_->X2(), owner_->Y2()) - origin);
  }

 private:
  Line* owner_;
};
}  // namespace

Line::Line(Window* window, const QString& name) : RectControl(window, name, new LineWidget(this, window->Content())) {}

void Line::SetPoints(int x1, int y1, int x2, int y2) {
  x1_ = x1; y1_ = y1; x2_ = x2; y2_ = y2;
  const int pad = std::max(1, width_);
  ControlProperties p = Properties();
  p.Left = std::min(x1, x2);
  p.Top = std::min(y1, y2);
  p.Width = std::abs(x2 - x1) + pad;
  p.Height = std::abs(y2 - y1) + pad;
  SetProperties(p);
}

}  // namespace fw
