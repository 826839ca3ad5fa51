#pragma once
// The real program under its own X server, for tests that drive it as a person would: Xvfb on a
// display it picks itself, the program started with a data folder of the test's own, its windows
// found by name, and the pointer and keyboard driven through the XTEST extension.
//
// No window manager runs here: the ClientMessage SendDeleteWindow sends is the one a window
// manager sends when the user clicks the close box, so the program cannot tell the difference.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>

#include <X11/Xlib.h>

namespace e2e {

constexpr int kXvfbStartMs = 10000;
constexpr int kWindowShownMs = 20000;
constexpr int kProgramEndMs = 15000;
constexpr int kPollMs = 50;

QByteArray ReadAll(const QString& path);
bool WriteAll(const QString& path, const QByteArray& content);
QByteArray WindowName(Display* dpy, Window w);
// The first mapped window below `parent` (depth first) that `wanted` takes, or with that name.
Window FindMappedWindowIf(Display* dpy, Window parent, const std::function<bool(Window)>& wanted);
Window FindMappedWindow(Display* dpy, Window parent, const QByteArray& name);
bool ListsProtocol(Display* dpy, Window w, Atom protocol);
// What a window manager sends when the user clicks the close box.
void SendDeleteWindow(Display* dpy, Window w);

class ProgramSession {
 public:
  // Call from the fixture's SetUp and TearDown.
  void BeginSession();
  void EndSession();

  void StartXServer();
  void StartProgram();
  // Another run of the program beside the first, its output in logs named after `logName`; or
  // another build of it (`binary`).
  void StartProgram(QProcess& program, const QString& logName, const QString& binary = QStringLiteral(TAVRIN_BINARY));
  Window WaitForMainWindow();
  // Polls `done` until it holds or `ms` pass. The pause between looks waits on `program` (the
  // first run by default), so that its early end ends the wait: `done` decides then.
  bool WaitUntil(const std::function<bool()>& done, int ms = kWindowShownMs, QProcess* program = nullptr);
  // Until `area` (the window's own coordinates) holds more than one colour. Mapped is not yet
  // drawn: input sent before the first paint can reach controls not yet laid out.
  bool WaitUntilDrawn(Window w, QRect area);
  // Until the keyboard focus is in `w`: a window manager hands it over some time after the map,
  // and keys sent before then go to the window that had it.
  bool WaitUntilFocused(Window w);
  QString ProgramLog(const QString& logName = QStringLiteral("tavrin")) const;
  QString DataPath(const QString& name = QString()) const;

  // The window's content origin on the screen: below the menu bar, which sits inside the window.
  QPoint ContentOrigin(Window w, int contentHeight);
  // A left click at a point of the screen, and keys as a person types them.
  void ClickAt(QPoint screen);
  void TypeText(const QString& ascii);
  void PressKey(unsigned long keysym, unsigned long modifierKeysym = 0);
  // The whole screen as a PNG file, to see what a failing test saw.
  bool SaveScreenshot(const QString& path);

  QTemporaryDir config_, runtime_, logs_;
  QProcess xvfb_, program_;
  QByteArray display_;
  Display* dpy_ = nullptr;
};

}  // namespace e2e
