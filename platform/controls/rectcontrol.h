#pragma once
// The common ground of every control: its place, its locks to the window's edges, enabled/visible,
// focus, repaint, and its event handlers, bound by the event's name.

#include <QObject>
#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QFont;
class QWidget;

namespace fw {

class Window;
class Graphics;
class DragItem;

// The design-time property block shared by all controls. Class-specific properties are set by the
// control's own setters after the block is applied.
struct ControlProperties {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool LockLeft = false, LockTop = false, LockRight = false, LockBottom = false;
  QString InitialParent;  // "" = directly on the window
  bool Visible = true;
  bool Enabled = true;
  QString TextFont = QStringLiteral("System");  // "System": the platform's system font
  int TextSize = 0;                             // 0: the platform's default size
  bool Bold = false, Italic = false, Underline = false;
  QString HelpTag;
  int TabIndex = -1;
};

// A property block for a control at (left, top, width, height) with the given locks.
ControlProperties PlacedAt(int left, int top, int width, int height, bool lockLeft = false, bool lockTop = false,
                           bool lockRight = false, bool lockBottom = false);
// A property block for a control of a small dialog: its place, bold or plain system font, and its
// place in the tab order.
ControlProperties TabStopAt(int left, int top, int width, int height, bool bold, int tabIndex);
// The same in the named font and size.
ControlProperties TabStopAt(int left, int top, int width, int height, bool bold, int tabIndex, const QString& font,
                            int size);

using ActionHandler = std::function<void()>;
using MouseDownHandler = std::function<bool(int x, int y)>;
using DropObjectHandler = std::function<void(DragItem& item, int action)>;
using CellTextPaintHandler = std::function<bool(Graphics& g, int row, int column, int x, int y)>;

class RectControl : public QObject {
  Q_OBJECT
 public:
  RectControl(Window* window, const QString& name, QWidget* widget);
  ~RectControl() override;

  const QString& Name() const { return name_; }
  Window* ParentWindow() const { return window_; }
  QWidget* Widget() const { return widget_; }
  const ControlProperties& Properties() const { return props_; }

  virtual void SetProperties(const ControlProperties& p);

  // Window coordinates of the content area.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);

  bool Enabled() const;
  void SetEnabled(bool on);
  bool Visible() const;
  void SetVisible(bool on);
  void Refresh(bool eraseBackground = true);
  void SetFocus();
  bool HasFocus() const;
  bool AcceptFocus() const;

  // Registers a four-character drag type this control accepts drops of.
  void AcceptMacDataDrop(const QString& type);
  bool AcceptsDropOf(const QStringList& mimeFormats) const;

  void InstallHandler(const QString& eventName, ActionHandler h);
  void InstallHandler(const QString& eventName, MouseDownHandler h);
  void InstallHandler(const QString& eventName, DropObjectHandler h);
  void InstallHandler(const QString& eventName, CellTextPaintHandler h);
  bool HasHandler(const QString& eventName) const;

  // Raising runs the handler through the framework's dispatch; without a handler nothing happens.
  void Raise(const QString& eventName);
  // False when no handler took the click. `modifiers` are the keys held at the press.
  bool RaiseMouseDown(int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void RaiseDropObject(DragItem& item, int action);
  bool RaiseCellTextPaint(Graphics& g, int row, int column, int x, int y);

  // The window resized to `size`, whose design size was `designSize`: apply the locks.
  void ApplyLocks(QSize designSize, QSize size);
  // Keyboard modifiers of the mouse press being handled, for Keyboard::ControlKey.
  static Qt::KeyboardModifiers PressModifiers();

 protected:
  void SetWidgetFont();
  // The font the properties give: family, size, bold, italic, underline.
  QFont DesignFont() const;
  // Fits `text` into `room` (the part of the widget the text may take) when it does not fit at the
  // design font: a caption cut off hides what it says. A control that may grow first takes free
  // space beside it, up to its neighbours (`grow`: the side to take it from first, Qt::AlignLeft
  // or Qt::AlignRight, both for a centred text); then the font gets smaller until the text fits.
  void FitTextInto(const QString& text, QSize room, Qt::Alignment grow = {});
  // Controls with a caption fit it into their room; called whenever font, caption or size change.
  virtual void FitText() {}
  // Geometry kept as the rectangle at the window's design size, so locks stay exact.
  QRect anchor_;

 private:
  void PlaceWidget();
  // The free width beside the control up to the nearest control on that side, or the window's
  // margin.
  int FreeWidth(bool rightwards) const;
  Window* window_;
  int growLeft_ = 0, growRight_ = 0;  // width taken beside the design's place to fit the text
  bool fitting_ = false;
  QString name_;
  QWidget* widget_;
  ControlProperties props_;
  QSize designSize_, currentSize_;
  QStringList dropTypes_;
  QHash<QString, ActionHandler> actions_;
  QHash<QString, MouseDownHandler> mouseDowns_;
  QHash<QString, DropObjectHandler> drops_;
  QHash<QString, CellTextPaintHandler> paints_;
};

namespace Keyboard {
// Whether the Control key is held (on the press being handled, else now).
bool ControlKey();
}

}  // namespace fw
