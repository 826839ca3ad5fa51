#pragma once
// Windows: one object per class, found again through the class's name; controls made inside them,
// registered and found by name; the window's own events.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "platform/controls/color.h"
#include "platform/controls/dragitem.h"
#include "platform/system/exceptions.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/rectcontrol.h"

class QEventLoop;
class QMenuBar;
class QWidget;

namespace fw {

class MenuBar;

struct WindowProperties {
  int Frame = 0;  // 0 document window, 1 movable modal
  QString Title;
  int Width = 300, Height = 300;
  int MinWidth = 64, MinHeight = 64;
  int MaxWidth = 32000, MaxHeight = 32000;
  bool Resizeable = true;
  bool LiveResize = true;
  bool CloseButton = true, MinimizeButton = true, MaximizeButton = true;
  bool Visible = true;
  bool FullScreen = false;
  bool MenuBarVisible = true;
  bool HasBackColor = false;
  Color BackColor = kWhite;
  int Placement = 0;
};

// The properties of a small window that keeps its size: a document frame with a close box only.
WindowProperties FixedWindow(const QString& title, int width, int height);

class Window : public QObject {
  Q_OBJECT
 public:
  explicit Window(const QString& className);
  ~Window() override;

  const QString& ClassName() const { return className_; }

  // The framework's window construction: Layout, then CreateControls; registers the window as the
  // one of its class.
  void Constructor();

  virtual void Event_Open() {}
  virtual void Event_Close() {}
  virtual void Event_Moved() {}
  virtual void Event_Resized() {}
  virtual void Event_Resizing() {}
  virtual void Event_Restore() {}

  void SetProperties(const WindowProperties& p);
  const WindowProperties& Properties() const { return props_; }
  void SetMenuBar(MenuBar* bar);
  // Makes the window a dialog of `owner`: the window manager keeps it with its owner, and it
  // first shows centred on it.
  void SetOwner(Window* owner);

  // Makes a control of class T inside the window and registers it under `name`.
  template <class T, class... Args>
  T* New(const QString& name, const ControlProperties& p, Args&&... args) {
    auto* c = new T(this, name, std::forward<Args>(args)...);
    AddControl(c);
    c->SetProperties(p);
    return c;
  }
  void AddControl(RectControl* c);
  RectControl* ControlByName(const QString& name) const;
  // The control of that name and class; NilObjectException when there is none.
  template <class T>
  T& Control(const QString& name) const {
    T* c = dynamic_cast<T*>(ControlByName(name));
    if (!c) throw NilObjectException(("control " + name + " not found on " + className_).toStdString());
    return *c;
  }
  const std::vector<RectControl*>& Controls() const { return controls_; }

  void Show();
  void ShowModal();  // returns when the window has closed
  void Close();
  // Called from the Close event: the window stays open, as if the close had never been asked for.
  void CancelClose() { closeCancelled_ = true; }
  // Un-minimised and in front, as a second start of the program asks; a modal dialog open over the
  // program stays in front of it.
  void BringToFront();
  void Refresh(bool eraseBackground = true);
  bool WantsToBeShown() const { return props_.Visible && !opened_; }
  bool IsOpened() const { return opened_; }
  bool IsClosing() const { return closing_; }

  // The content area's rectangle; top and left in screen pixels.
  int Top() const;
  int Left() const;
  int Width() const;
  int Height() const;
  void SetTop(int v);
  void SetLeft(int v);
  void SetWidth(int v);
  void SetHeight(int v);
  // Moves the window onto the available screen and shrinks it to the screen when it is larger,
  // never below its minimum size; raises neither Moved nor Resized.
  void KeepOnScreen();
  int DesignWidth() const { return props_.Width; }
  int DesignHeight() const { return props_.Height; }

  void SetTitle(const QString& t);
  QString Title() const;

  // Return presses the default button, Escape the cancel button.
  void SetDefaultButton(PushButton* b, bool on);
  void SetCancelButton(PushButton* b, bool on);
  PushButton* DefaultButton() const { return defaultButton_; }

  DragItem NewDragItem(int left, int top, int width, int height) { return DragItem(this, QRect(left, top, width, height)); }

  // The top-level widget, its menu bar and the content area the controls sit in.
  QWidget* Widget() const { return top_; }
  QMenuBar* QtMenuBar() const;
  QWidget* Content() const { return content_; }

  // Called by the Qt side.
  void HandleCloseRequest();
  void HandleMoved();
  void HandleResized(bool live);
  void HandleRestored();
  void HandleContentResized();
  bool HandleKey(int key);

 signals:
  // The window has closed: its Close event has run and it is no longer the one of its class.
  // Non-visual controls (a socket) stop here, so nothing of theirs outlives the window's close.
  void Closed();

 protected:
  virtual void Layout() {}
  virtual void CreateControls() {}

 private:
  void Open();
  void PlaceOnOwner();
  void ShowOnTop();
  void ApplyTabOrder();
  void Unregister();

  QString className_;
  WindowProperties props_;
  QWidget* top_ = nullptr;
  QEventLoop* modalLoop_ = nullptr;
  QWidget* content_ = nullptr;
  std::vector<RectControl*> controls_;
  QPointer<PushButton> defaultButton_;
  QPointer<PushButton> cancelButton_;
  QPointer<Window> owner_;
  QString title_;
  bool placed_ = false;
  bool opened_ = false;
  bool closing_ = false;
  bool closed_ = false;
  bool closeCancelled_ = false;
  bool applyingGeometry_ = false;
};

// The open window of a class, or nil.
Window* GetImplicitWindow(const QString& className);
QList<Window*> OpenWindows();

// A window class's accessor: the open window of class T (named `className`), or a new one made
// with the framework's window construction.
template <class T>
T* ImplicitWindow(const QString& className) {
  if (auto* w = dynamic_cast<T*>(GetImplicitWindow(className))) return w;
  auto* w = new T;
  w->Constructor();
  return w;
}
RectControl* RuntimeWindowControlByName(Window* w, const QString& name);

}  // namespace fw
