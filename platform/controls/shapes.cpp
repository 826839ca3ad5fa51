#include "platform/controls/shapes.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionButton>

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

GroupBox::GroupBox(Window* window, const QString& name) : RectControl(window, name, new QGroupBox(window->Content())) {
  Widget()->setFocusPolicy(Qt::NoFocus);
}
void GroupBox::SetCaption(const QString& c) { static_cast<QGroupBox*>(Widget())->setTitle(c); }
QString GroupBox::Caption() const { return static_cast<QGroupBox*>(Widget())->title(); }

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

CheckBox::CheckBox(Window* window, const QString& name) : RectControl(window, name, new QCheckBox(window->Content())) {
  // As a push button: a space typed after a click must not toggle the box again.
  Widget()->setFocusPolicy(Qt::TabFocus);
  connect(static_cast<QCheckBox*>(Widget()), &QCheckBox::clicked, this, [this] { Raise(QStringLiteral("Action")); });
}
QString CheckBox::Caption() const { return static_cast<QCheckBox*>(Widget())->text(); }
void CheckBox::SetCaption(const QString& c) {
  static_cast<QCheckBox*>(Widget())->setText(c);
  FitText();
}

void CheckBox::FitText() {
  auto* box = static_cast<QCheckBox*>(Widget());
  QStyleOptionButton option;
  option.initFrom(box);
  option.text = box->text();
  FitTextInto(option.text, box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).size());
}
bool CheckBox::Value() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void CheckBox::SetValue(bool on) { static_cast<QCheckBox*>(Widget())->setChecked(on); }

namespace {
QProgressBar* Bar(const RectControl* c) { return static_cast<QProgressBar*>(c->Widget()); }
}  // namespace

ProgressBar::ProgressBar(Window* window, const QString& name) : RectControl(window, name, new QProgressBar(window->Content())) {
  // A bar alone, without a percentage beside it.
  Bar(this)->setTextVisible(false);
}
int ProgressBar::Maximum() const { return Bar(this)->maximum(); }
void ProgressBar::SetMaximum(int m) { Bar(this)->setMaximum(m); }
int ProgressBar::Value() const { return Bar(this)->value(); }
void ProgressBar::SetValue(int v) { Bar(this)->setValue(v); }

}  // namespace fw
