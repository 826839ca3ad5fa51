#include "platform/controls/rectangle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "platform/controls/window.h"

namespace fw {

namespace {
class RectWidget : public QWidget {
 public:
  RectWidget(Rectangle* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    owner_->Paint(p);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) {
      const QPoint pt = e->position().toPoint();
      owner_->RaiseMouseDown(pt.x(), pt.y(), e->modifiers());
    }
    e->accept();
  }

 private:
  Rectangle* owner_;
};
}  // namespace

Rectangle::Rectangle(Window* window, const QString& name) : RectControl(window, name, new RectWidget(this, window->Content())) {
  Widget()->setFocusPolicy(Qt::NoFocus);
}

void Rectangle::SetFillColor(Color c) { fill_ = c; Widget()->update(); }
void Rectangle::SetBorderWidth(int w) { borderWidth_ = w; Widget()->update(); }
void Rectangle::SetTopLeftColor(Color c) { topLeft_ = c; Widget()->update(); }
void Rectangle::SetBottomRightColor(Color c) { bottomRight_ = c; Widget()->update(); }
void Rectangle::SetBorderColor(Color c) { topLeft_ = bottomRight_ = c; Widget()->update(); }
void Rectangle::SetOval(int w, int h) { ovalW_ = w; ovalH_ = h; Widget()->update(); }

void Rectangle::Paint(QPainter& p) const {
  const QRectF r = QRectF(Widget()->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setRenderHint(QPainter::Antialiasing, ovalW_ > 0);
  p.setBrush(ToQColor(fill_));
  p.setPen(borderWidth_ > 0 ? QPen(ToQColor(topLeft_), borderWidth_) : QPen(Qt::NoPen));
  if (ovalW_ > 0) p.drawRoundedRect(r, ovalW_ / 2.0, ovalH_ / 2.0);
  else p.drawRect(r);
}

}  // namespace fw
