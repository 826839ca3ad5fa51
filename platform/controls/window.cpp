#include "platform/controls/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/system/application.h"
#include "platform/controls/menubar.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/widgetsupport.h"

namespace fw {

namespace {
QList<Window*>& Registry() {
  static QList<Window*> windows;
  return windows;
}

// The top-level widget: a menu bar strip and the content area below it, placed by hand so that the
// content area has exactly the window's width and height.
class TopLevel : public QWidget {
 public:
  explicit TopLevel(Window* owner) : QWidget(nullptr, Qt::Window), owner_(owner) {}
  QMenuBar* menuBar = nullptr;
  QWidget* content = nullptr;
  int MenuHeight() const { return menuBar && !menuBar->isHidden() ? menuBar->sizeHint().height() : 0; }
  void Place() {
    const int mh = MenuHeight();
    if (menuBar) menuBar->setGeometry(0, 0, width(), mh);
    content->setGeometry(0, mh, width(), height() - mh);
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The window hides itself once its Close event has run, and stays when the event refused.
    e->ignore();
    if (owner_) owner_->HandleCloseRequest();
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (owner_) owner_->HandleMoved();
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    Place();
    if (owner_) {
      owner_->HandleContentResized();
      owner_->HandleResized(QGuiApplication::mouseButtons() != Qt::NoButton);
    }
  }
  void changeEvent(QEvent* e) override {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && owner_) {
      auto* s = static_cast<QWindowStateChangeEvent*>(e);
      if ((s->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized)) owner_->HandleRestored();
    }
  }

 public:
  QPointer<Window> owner_;
};

class ContentArea : public QWidget {
 public:
  ContentArea(Window* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (owner_ && owner_->HandleKey(e->key())) {
      e->accept();
      return;
    }
    QWidget::keyPressEvent(e);
  }

 private:
  QPointer<Window> owner_;
};

TopLevel* AsTop(QWidget* w) { return static_cast<TopLevel*>(w); }
}  // namespace

Window::Window(const QString& className) : className_(className) {
  auto* top = new TopLevel(this);
  top->content = new ContentArea(this, top);
  content_ = top->content;
  top_ = top;
}

Window::~Window() {
  Unregister();
  for (RectControl* c : controls_) delete c;
  controls_.clear();
  if (auto* t = AsTop(top_)) t->owner_ = nullptr;
  delete top_;
}

void Window::Constructor() {
  Layout();
  CreateControls();
  ApplyTabOrder();
  if (!Registry().contains(this)) Registry().append(this);
}

void Window::Unregister() { Registry().removeAll(this); }

WindowProperties FixedWindow(const QString& title, int width, int height) {
  WindowProperties p;
  p.Title = title;
  p.Width = width;
  p.Height = height;
  p.Resizeable = false;
  p.MinimizeButton = p.MaximizeButton = false;
  return p;
}

void Window::SetProperties(const WindowProperties& p) {
  props_ = p;
  TopLevel* t = AsTop(top_);
  Qt::WindowFlags flags = (p.Frame == 1 ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (p.CloseButton) flags |= Qt::WindowCloseButtonHint;
  if (p.MinimizeButton) flags |= Qt::WindowMinimizeButtonHint;
  if (p.MaximizeButton) flags |= Qt::WindowMaximizeButtonHint;
  t->setWindowFlags(flags);
  if (p.Frame == 1) t->setWindowModality(Qt::ApplicationModal);
  SetTitle(p.Title);
  if (p.HasBackColor) {
    QPalette pal = content_->palette();
    pal.setColor(QPalette::Window, ToQColor(p.BackColor));
    content_->setPalette(pal);
    content_->setAutoFillBackground(true);
  }
  if (t->menuBar) t->menuBar->setVisible(p.MenuBarVisible);
  const int mh = t->MenuHeight();
  if (p.Resizeable) {
    t->setMinimumSize(p.MinWidth, p.MinHeight + mh);
    t->setMaximumSize(p.MaxWidth, p.MaxHeight + mh);
  } else {
    t->setFixedSize(p.Width, p.Height + mh);
  }
  t->resize(p.Width, p.Height + mh);
  t->Place();
}

void Window::SetMenuBar(MenuBar* bar) {
  TopLevel* t = AsTop(top_);
  delete t->menuBar;
  t->menuBar = bar ? bar->BuildQMenuBar(t) : nullptr;
  if (t->menuBar) t->menuBar->setVisible(props_.MenuBarVisible);
}

QMenuBar* Window::QtMenuBar() const { return AsTop(top_)->menuBar; }

void Window::AddControl(RectControl* c) { controls_.push_back(c); }

RectControl* Window::ControlByName(const QString& name) const {
  for (RectControl* c : controls_)
    if (c->Name() == name) return c;
  return nullptr;
}

void Window::ApplyTabOrder() {
  // The focus order: controls on the window by their TabIndex; the controls inside a group box
  // take the group box's place, ordered among themselves by their own TabIndex.
  auto key = [this](RectControl* c) {
    const ControlProperties& p = c->Properties();
    if (!p.InitialParent.isEmpty())
      if (RectControl* parent = ControlByName(p.InitialParent)) return std::pair(parent->Properties().TabIndex, p.TabIndex);
    return std::pair(p.TabIndex, -1);
  };
  std::vector<RectControl*> order;
  for (RectControl* c : controls_)
    if (c->AcceptFocus() && c->Properties().TabIndex >= 0) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [&](RectControl* a, RectControl* b) { return key(a) < key(b); });
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->Widget(), order[i]->Widget());
}

void Window::Open() {
  if (opened_) return;
  opened_ = true;
  for (RectControl* c : controls_) c->Raise(QStringLiteral("Open"));
  Trace(className_ + QStringLiteral(".Open"));
  Dispatch([this] { Event_Open(); });
}

void Window::Show() {
  QPointer<Window> self(this);
  Open();
  if (!self || closed_) return;
  PlaceOnOwner();
  ShowOnTop();
}

void Window::ShowModal() {
  QPointer<Window> self(this);
  Open();
  if (!self || closed_) return;
  PlaceOnOwner();
  top_->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  modalLoop_ = &loop;
  // Forgotten however ShowModal is left: a Close after a failure would quit a loop long gone.
  const auto forget = qScopeGuard([&] {
    if (self) modalLoop_ = nullptr;
  });
  ShowOnTop();
  RunNestedLoop([&] { loop.exec(); });
}

void Window::ShowOnTop() {
  top_->show();
  top_->raise();
  top_->activateWindow();
}

void Window::Close() { HandleCloseRequest(); }

void Window::HandleCloseRequest() {
  if (closing_ || closed_) return;
  closing_ = true;
  // While the Close event runs the window is still the one of its class: the saving code reaches
  // its controls through it.
  Trace(className_ + QStringLiteral(".Close"));
  QPointer<Window> self(this);
  Dispatch([this] { Event_Close(); });
  if (!self) return;
  if (closeCancelled_) {
    closeCancelled_ = false;
    closing_ = false;
    return;
  }
  closed_ = true;
  Unregister();
  emit Closed();
  top_->hide();
  if (modalLoop_) modalLoop_->quit();
  deleteLater();
}

void Window::BringToFront() {
  if (!opened_ || closed_) return;
  top_->setWindowState(top_->windowState() & ~Qt::WindowMinimized);
  ShowOnTop();
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != top_) {
    modal->raise();
    modal->activateWindow();
  }
}

void Window::Refresh(bool) { RepaintNowOrLater(*top_); }

// Top and left are the frame's, the measure move() uses, so that a rectangle recorded from the
// window and applied to it again puts it back where it was.
int Window::Top() const { return top_->pos().y(); }
int Window::Left() const { return top_->pos().x(); }
// From the top-level widget, which a hidden window resizes at once; the content area follows only
// when the window is shown.
int Window::Width() const { return top_->width(); }
int Window::Height() const { return top_->height() - AsTop(top_)->MenuHeight(); }

// A hand-edited rectangle may hold any int32: coordinates are kept where Qt's own arithmetic
// (right = left + width - 1) cannot overflow, sizes within what a widget can have; KeepOnScreen
// then puts the window where the user can reach it.
namespace {
constexpr int kFarthest = 1 << 24;
int Coordinate(int v) { return std::clamp(v, -kFarthest, kFarthest); }
int Extent(qint64 v) { return static_cast<int>(std::clamp<qint64>(v, 0, QWIDGETSIZE_MAX)); }
}  // namespace

// A rectangle is applied one value at a time; a Moved or Resized raised in between would record
// the values not yet applied over the ones still to come, so code's own changes raise neither.
void Window::SetTop(int v) {
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  top_->move(top_->pos().x(), Coordinate(v));
}
void Window::SetLeft(int v) {
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  top_->move(Coordinate(v), top_->pos().y());
}
void Window::SetWidth(int v) {
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  top_->resize(Extent(v), top_->height());
}
void Window::SetHeight(int v) {
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  top_->resize(top_->width(), Extent(qint64(v) + AsTop(top_)->MenuHeight()));
}

void Window::KeepOnScreen() {
  QScreen* screen = QGuiApplication::screenAt(top_->geometry().center());
  if (!screen) screen = top_->screen();
  if (!screen) return;
  const QRect avail = screen->availableGeometry();
  // The frame a window manager adds, once it is known, has to fit too.
  const QSize frame = top_->frameGeometry().size() - top_->size();
  const int width = std::max(top_->minimumWidth(), std::min(top_->width(), avail.width() - frame.width()));
  const int height = std::max(top_->minimumHeight(), std::min(top_->height(), avail.height() - frame.height()));
  const int left = std::clamp(top_->pos().x(), avail.left(),
                              std::max(avail.left(), avail.left() + avail.width() - width - frame.width()));
  const int top = std::clamp(top_->pos().y(), avail.top(),
                             std::max(avail.top(), avail.top() + avail.height() - height - frame.height()));
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  if (QSize(width, height) != top_->size()) top_->resize(width, height);
  if (QPoint(left, top) != top_->pos()) top_->move(left, top);
}

void Window::SetTitle(const QString& t) {
  title_ = t;
  // Qt shows the program's name in place of an empty title; a blank is what shows nothing.
  top_->setWindowTitle(t.isEmpty() ? QStringLiteral(" ") : t);
}
QString Window::Title() const { return title_; }

void Window::SetOwner(Window* owner) {
  owner_ = owner;
  Qt::WindowFlags flags = top_->windowFlags() & ~Qt::WindowType_Mask;
  top_->setWindowFlags(flags | (owner ? Qt::Dialog : Qt::Window));
}

void Window::PlaceOnOwner() {
  if (placed_ || !owner_) return;
  placed_ = true;
  QWidget* ownerTop = owner_->Widget();
  top_->winId();  // the native windows, so that the one can name the other as its owner
  ownerTop->winId();
  if (QWindow* w = top_->windowHandle()) w->setTransientParent(ownerTop->windowHandle());
  // The frame the window manager gave the owner is the one this window gets too. The content's
  // own place is given: window managers differ in how they read a frame's place.
  const QRect ownerFrame = ownerTop->frameGeometry();
  const QRect ownerContent = ownerTop->geometry();
  const QSize frame = top_->size() + (ownerFrame.size() - ownerContent.size());
  const QPoint framePlace = ownerFrame.topLeft() + QPoint((ownerFrame.width() - frame.width()) / 2,
                                                          (ownerFrame.height() - frame.height()) / 2);
  const QScopedValueRollback<bool> quiet(applyingGeometry_, true);
  top_->setGeometry(QRect(framePlace + (ownerContent.topLeft() - ownerFrame.topLeft()), top_->size()));
}

void Window::SetDefaultButton(PushButton* b, bool on) {
  if (on) {
    if (defaultButton_ && defaultButton_ != b) defaultButton_->ShowAsDefault(false);
    defaultButton_ = b;
  } else if (defaultButton_ == b) {
    defaultButton_ = nullptr;
  }
  b->ShowAsDefault(on);
}

void Window::SetCancelButton(PushButton* b, bool on) {
  if (on) cancelButton_ = b;
  else if (cancelButton_ == b) cancelButton_ = nullptr;
}

bool Window::HandleKey(int key) {
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && defaultButton_ && defaultButton_->Enabled() &&
      defaultButton_->Visible()) {
    defaultButton_->Push();
    return true;
  }
  if (key == Qt::Key_Escape && cancelButton_ && cancelButton_->Enabled() && cancelButton_->Visible()) {
    cancelButton_->Push();
    return true;
  }
  return false;
}

void Window::HandleMoved() {
  if (closing_ || applyingGeometry_) return;
  Dispatch([this] { Event_Moved(); });
}

void Window::HandleResized(bool live) {
  if (closing_ || applyingGeometry_) return;
  if (live) Dispatch([this] { Event_Resizing(); });
  else Dispatch([this] { Event_Resized(); });
}

void Window::HandleRestored() { Dispatch([this] { Event_Restore(); }); }

void Window::HandleContentResized() {
  const QSize design(props_.Width, props_.Height);
  for (RectControl* c : controls_) c->ApplyLocks(design, content_->size());
}

Window* GetImplicitWindow(const QString& className) {
  for (Window* w : Registry())
    if (w->ClassName() == className) return w;
  return nullptr;
}

QList<Window*> OpenWindows() { return Registry(); }

RectControl* RuntimeWindowControlByName(Window* w, const QString& name) {
  return w ? w->ControlByName(name) : nullptr;
}

}  // namespace fw
