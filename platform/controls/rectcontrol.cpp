#include "platform/controls/rectcontrol.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QWidget>

#include "platform/system/application.h"
#include "platform/controls/dragitem.h"
#include "platform/controls/graphics.h"
#include "platform/controls/widgetsupport.h"
#include "platform/controls/window.h"

namespace fw {

namespace {
Qt::KeyboardModifiers g_pressModifiers;
bool g_inPress = false;

class DropFilter : public QObject {
 public:
  explicit DropFilter(RectControl* c) : QObject(c), control_(c) {}
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* d = static_cast<QDragMoveEvent*>(e);
        if (d->mimeData() && control_->AcceptsDropOf(d->mimeData()->formats())) d->acceptProposedAction();
        else d->ignore();
        return true;
      }
      case QEvent::Drop: {
        auto* d = static_cast<QDropEvent*>(e);
        DragItem item = DragItem::FromMimeData(d->mimeData());
        d->acceptProposedAction();
        control_->RaiseDropObject(item, static_cast<int>(d->dropAction()));
        return true;
      }
      default:
        return false;
    }
  }
 private:
  RectControl* control_;
};
}  // namespace

ControlProperties PlacedAt(int left, int top, int width, int height, bool lockLeft, bool lockTop, bool lockRight,
                           bool lockBottom) {
  ControlProperties p;
  p.Left = left;
  p.Top = top;
  p.Width = width;
  p.Height = height;
  p.LockLeft = lockLeft;
  p.LockTop = lockTop;
  p.LockRight = lockRight;
  p.LockBottom = lockBottom;
  return p;
}

ControlProperties TabStopAt(int left, int top, int width, int height, bool bold, int tabIndex) {
  ControlProperties p = PlacedAt(left, top, width, height);
  p.Bold = bold;
  p.TabIndex = tabIndex;
  return p;
}

ControlProperties TabStopAt(int left, int top, int width, int height, bool bold, int tabIndex, const QString& font,
                            int size) {
  ControlProperties p = TabStopAt(left, top, width, height, bold, tabIndex);
  p.TextFont = font;
  p.TextSize = size;
  return p;
}

RectControl::RectControl(Window* window, const QString& name, QWidget* widget)
    : QObject(nullptr), window_(window), name_(name), widget_(widget) {
  widget_->setObjectName(name);
  designSize_ = currentSize_ = QSize(window->DesignWidth(), window->DesignHeight());
}

RectControl::~RectControl() = default;

void RectControl::SetProperties(const ControlProperties& p) {
  props_ = p;
  anchor_ = QRect(p.Left, p.Top, p.Width, p.Height);
  PlaceWidget();
  widget_->setVisible(p.Visible);
  widget_->setEnabled(p.Enabled);
  widget_->setToolTip(p.HelpTag);
  SetWidgetFont();
}

QFont RectControl::DesignFont() const {
  QFont f = props_.TextFont == QLatin1String("System") || props_.TextFont.isEmpty()
                ? QApplication::font()
                : QFont(props_.TextFont);
  if (props_.TextSize > 0) f.setPointSize(props_.TextSize);
  f.setBold(props_.Bold);
  f.setItalic(props_.Italic);
  f.setUnderline(props_.Underline);
  return f;
}

void RectControl::SetWidgetFont() {
  widget_->setFont(DesignFont());
  FitText();
}

void RectControl::FitTextInto(const QString& text, QSize room, Qt::Alignment grow) {
  if (fitting_) return;
  const QScopedValueRollback<bool> busy(fitting_, true);
  constexpr qreal kSmallest = 6;  // points; below this nothing is readable anyway
  QFont f = DesignFont();
  const QSize padding = widget_->size() - room;  // what the widget keeps around its text
  if (growLeft_ || growRight_) {
    growLeft_ = growRight_ = 0;
    PlaceWidget();
  }
  // A somewhat smaller size keeps the design's places; only a text that would need less than that
  // takes free space beside the control too.
  const qreal designSize = f.pointSizeF();
  const auto fitsAt = [&](const QFont& font, int width, int height) {
    const QFontMetrics m(font);
    return m.horizontalAdvance(text) <= width && m.height() <= height;
  };
  const auto shrink = [&](qreal floor, QSize into) {
    for (qreal pt = f.pointSizeF(); !text.isEmpty() && pt > floor && !fitsAt(f, into.width(), into.height());) {
      pt = std::max(floor, pt - 0.5);
      f.setPointSizeF(pt);
    }
  };
  const QSize designRoom = widget_->size() - padding;
  shrink(std::max(kSmallest, designSize * 0.8), designRoom);
  const int needed = QFontMetrics(f).horizontalAdvance(text) - designRoom.width();
  if (needed > 0 && !text.isEmpty() && grow) {
    int remaining = needed;
    const auto take = [&](bool rightwards) {
      const int g = std::min(remaining, FreeWidth(rightwards));
      (rightwards ? growRight_ : growLeft_) += g;
      remaining -= g;
      PlaceWidget();
    };
    if ((grow & Qt::AlignLeft) && (grow & Qt::AlignRight)) {
      // A centred text stays centred as far as both sides have room.
      const int each = std::min({(needed + 1) / 2, FreeWidth(false), FreeWidth(true)});
      growLeft_ = growRight_ = each;
      remaining -= 2 * each;
      PlaceWidget();
      take(false);
      take(true);
    } else {
      take(grow & Qt::AlignRight);
      take(!(grow & Qt::AlignRight));
    }
  }
  shrink(kSmallest, widget_->size() - padding);
  widget_->setFont(f);
}

int RectControl::FreeWidth(bool rightwards) const {
  constexpr int kMargin = 20;  // kept free at the window's edges, as the designs keep it
  const QRect me = widget_->geometry();
  int limit = rightwards ? window_->Width() - kMargin : kMargin;
  for (RectControl* c : window_->Controls()) {
    if (c == this || !c->Visible()) continue;
    const QRect other = c->Widget()->geometry();
    if (other.bottom() < me.top() || other.top() > me.bottom()) continue;
    // Only what stands wholly on that side, starting beyond this control's far edge; a
    // neighbour the design already lets overlap stops the growth at once.
    if (rightwards && other.left() > me.left()) limit = std::min(limit, other.left());
    if (!rightwards && other.right() < me.right()) limit = std::max(limit, other.right() + 1);
  }
  return std::max(0, rightwards ? limit - (me.right() + 1) : me.left() - limit);
}

void RectControl::PlaceWidget() {
  const int dW = currentSize_.width() - designSize_.width();
  const int dH = currentSize_.height() - designSize_.height();
  QRect r = anchor_.adjusted(-growLeft_, 0, growRight_, 0);
  if (props_.LockRight && props_.LockLeft) r.setWidth(anchor_.width() + dW);
  else if (props_.LockRight) r.moveLeft(anchor_.left() + dW);
  if (props_.LockBottom && props_.LockTop) r.setHeight(anchor_.height() + dH);
  else if (props_.LockBottom) r.moveTop(anchor_.top() + dH);
  widget_->setGeometry(r);
  if (!fitting_) FitText();
}

void RectControl::ApplyLocks(QSize designSize, QSize size) {
  designSize_ = designSize;
  currentSize_ = size;
  PlaceWidget();
}

int RectControl::Left() const { return widget_->x(); }
int RectControl::Top() const { return widget_->y(); }
int RectControl::Width() const { return widget_->width(); }
int RectControl::Height() const { return widget_->height(); }

void RectControl::SetLeft(int v) { anchor_.moveLeft(anchor_.left() + (v - Left())); PlaceWidget(); }
void RectControl::SetTop(int v) { anchor_.moveTop(anchor_.top() + (v - Top())); PlaceWidget(); }
void RectControl::SetWidth(int v) { anchor_.setWidth(anchor_.width() + (v - Width())); PlaceWidget(); }
void RectControl::SetHeight(int v) { anchor_.setHeight(anchor_.height() + (v - Height())); PlaceWidget(); }

bool RectControl::Enabled() const { return widget_->isEnabled(); }
void RectControl::SetEnabled(bool on) { widget_->setEnabled(on); }
bool RectControl::Visible() const { return props_.Visible && !widget_->isHidden(); }
void RectControl::SetVisible(bool on) { props_.Visible = on; widget_->setVisible(on); }
void RectControl::Refresh(bool) { RepaintNowOrLater(*widget_); }
void RectControl::SetFocus() { widget_->setFocus(Qt::OtherFocusReason); }
bool RectControl::HasFocus() const { return widget_->hasFocus() || (widget_->focusProxy() && widget_->focusProxy()->hasFocus()); }
bool RectControl::AcceptFocus() const { return widget_->focusPolicy() != Qt::NoFocus; }

void RectControl::AcceptMacDataDrop(const QString& type) {
  if (dropTypes_.isEmpty()) widget_->installEventFilter(new DropFilter(this));
  if (!dropTypes_.contains(type)) dropTypes_ << type;
  widget_->setAcceptDrops(true);
}

bool RectControl::AcceptsDropOf(const QStringList& mimeFormats) const {
  for (const QString& t : dropTypes_)
    if (mimeFormats.contains(DragItem::MimeTypeFor(t))) return true;
  return false;
}

void RectControl::InstallHandler(const QString& e, ActionHandler h) { actions_[e] = std::move(h); }
void RectControl::InstallHandler(const QString& e, MouseDownHandler h) { mouseDowns_[e] = std::move(h); }
void RectControl::InstallHandler(const QString& e, DropObjectHandler h) { drops_[e] = std::move(h); }
void RectControl::InstallHandler(const QString& e, CellTextPaintHandler h) { paints_[e] = std::move(h); }

bool RectControl::HasHandler(const QString& e) const {
  return actions_.contains(e) || mouseDowns_.contains(e) || drops_.contains(e) || paints_.contains(e);
}

void RectControl::Raise(const QString& e) {
  Trace(window_->ClassName() + u'.' + name_ + u'.' + e);
  auto it = actions_.constFind(e);
  if (it == actions_.constEnd()) return;
  ActionHandler h = it.value();  // a copy: the handler may replace or destroy the binding
  Dispatch([&] { h(); });
}

bool RectControl::RaiseMouseDown(int x, int y, Qt::KeyboardModifiers modifiers) {
  auto it = mouseDowns_.constFind(QStringLiteral("MouseDown"));
  if (it == mouseDowns_.constEnd()) return false;
  MouseDownHandler h = it.value();
  bool result = false;
  const Qt::KeyboardModifiers savedModifiers = g_pressModifiers;
  const bool savedInPress = g_inPress;
  g_pressModifiers = modifiers;
  g_inPress = true;
  struct Restore {
    Qt::KeyboardModifiers m; bool in;
    ~Restore() { g_pressModifiers = m; g_inPress = in; }
  } restore{savedModifiers, savedInPress};
  Dispatch([&] { result = h(x, y); });
  return result;
}

void RectControl::RaiseDropObject(DragItem& item, int action) {
  auto it = drops_.constFind(QStringLiteral("DropObject"));
  if (it == drops_.constEnd()) return;
  DropObjectHandler h = it.value();
  Dispatch([&] { h(item, action); });
}

bool RectControl::RaiseCellTextPaint(Graphics& g, int row, int column, int x, int y) {
  auto it = paints_.constFind(QStringLiteral("CellTextPaint"));
  if (it == paints_.constEnd()) return false;
  CellTextPaintHandler h = it.value();
  bool result = false;
  Dispatch([&] { result = h(g, row, column, x, y); });
  return result;
}

Qt::KeyboardModifiers RectControl::PressModifiers() {
  return g_inPress ? g_pressModifiers : QGuiApplication::queryKeyboardModifiers();
}

namespace Keyboard {
bool ControlKey() { return RectControl::PressModifiers().testFlag(Qt::ControlModifier); }
}  // namespace Keyboard

}  // namespace fw
