#include "programsession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcessEnvironment>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace e2e {

namespace {
// Xlib's default handler ends the process on any error; a window that disappears while the tree
// is walked is expected and only makes that window unreadable.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace


QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& content) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray WindowName(Display* dpy, Window w) {
  const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  QByteArray name;
  if (XGetWindowProperty(dpy, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
      type == utf8 && data)
    name = QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(count));
  if (data) XFree(data);
  if (!name.isEmpty()) return name;
  char* legacy = nullptr;
  if (XFetchName(dpy, w, &legacy) && legacy) {
    name = legacy;
    XFree(legacy);
  }
  return name;
}

// With a window manager the program's window sits inside a frame, without one it is a child of the
// root: walking the whole tree finds it either way.
Window FindMappedWindowIf(Display* dpy, Window parent, const std::function<bool(Window)>& wanted) {
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy, parent, &root, &up, &children, &n)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && wanted(children[i]))
      found = children[i];
    else
      found = FindMappedWindowIf(dpy, children[i], wanted);
  }
  if (children) XFree(children);
  return found;
}

Window FindMappedWindow(Display* dpy, Window parent, const QByteArray& name) {
  return FindMappedWindowIf(dpy, parent, [&](Window w) { return WindowName(dpy, w) == name; });
}

bool ListsProtocol(Display* dpy, Window w, Atom protocol) {
  Atom* protocols = nullptr;
  int n = 0;
  if (!XGetWMProtocols(dpy, w, &protocols, &n)) return false;
  bool listed = false;
  for (int i = 0; i < n; ++i) listed = listed || protocols[i] == protocol;
  if (protocols) XFree(protocols);
  return listed;
}

void SendDeleteWindow(Display* dpy, Window w) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &ev);
  XSync(dpy, False);
}

void ProgramSession::BeginSession() {
  ASSERT_TRUE(config_.isValid() && runtime_.isValid() && logs_.isValid());
  XSetErrorHandler(IgnoreXError);
  StartXServer();
}

void ProgramSession::EndSession() {
  // Whatever happened, nothing this test started outlives it.
  if (program_.state() != QProcess::NotRunning) {
    program_.kill();
    program_.waitForFinished(5000);
  }
  if (dpy_) XCloseDisplay(dpy_);
  dpy_ = nullptr;
  if (xvfb_.state() != QProcess::NotRunning) {
    xvfb_.terminate();
    if (!xvfb_.waitForFinished(5000)) {
      xvfb_.kill();
      xvfb_.waitForFinished(5000);
    }
  }
}

void ProgramSession::StartXServer() {
  // -displayfd 1: the server picks a free display itself and writes its number to our pipe once
  // it accepts connections, so parallel runs never race for a display.
  xvfb_.setStandardErrorFile(logs_.filePath("xvfb.log"));
  xvfb_.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
  ASSERT_TRUE(xvfb_.waitForStarted(kXvfbStartMs)) << "Xvfb could not be started: " << qPrintable(xvfb_.errorString());
  QDeadlineTimer deadline(kXvfbStartMs);
  QByteArray out;
  while (!out.contains('\n') && !deadline.hasExpired() && xvfb_.state() == QProcess::Running) {
    xvfb_.waitForReadyRead(kPollMs);
    out += xvfb_.readAllStandardOutput();
  }
  bool ok = false;
  const int number = out.trimmed().toInt(&ok);
  ASSERT_TRUE(ok) << "Xvfb gave no display number; its log:\n" << ReadAll(logs_.filePath("xvfb.log")).constData();
  display_ = ":" + QByteArray::number(number);
  while (!(dpy_ = XOpenDisplay(display_.constData())) && !deadline.hasExpired()) QThread::msleep(kPollMs);
  ASSERT_NE(dpy_, nullptr) << "no connection to " << display_.constData();
}

void ProgramSession::StartProgram() { StartProgram(program_, QStringLiteral("tavrin")); }

void ProgramSession::StartProgram(QProcess& program, const QString& logName, const QString& binary) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
  program.setProcessEnvironment(env);
  // Into files rather than pipes: nobody reads a pipe while we wait, and a full one would stall
  // the program.
  program.setStandardOutputFile(logs_.filePath(logName + ".out"));
  program.setStandardErrorFile(logs_.filePath(logName + ".err"));
  program.start(binary, {});
  ASSERT_TRUE(program.waitForStarted(5000)) << qPrintable(program.errorString());
}

bool ProgramSession::WaitUntil(const std::function<bool()>& done, int ms, QProcess* program) {
  QProcess& watched = program ? *program : program_;
  QDeadlineTimer deadline(ms);
  while (!done()) {
    // Once the program has ended, nothing it shows or writes can change any more.
    if (deadline.hasExpired() || watched.state() == QProcess::NotRunning) return false;
    if (watched.waitForFinished(kPollMs)) return done();
  }
  return true;
}

bool ProgramSession::WaitUntilDrawn(Window w, QRect area) {
  return WaitUntil([&] {
    XImage* image = XGetImage(dpy_, w, area.x(), area.y(), area.width(), area.height(), AllPlanes, ZPixmap);
    if (!image) return false;
    const unsigned long first = XGetPixel(image, 0, 0);
    bool more = false;
    for (int y = 0; y < area.height() && !more; ++y)
      for (int x = 0; x < area.width() && !more; ++x) more = XGetPixel(image, x, y) != first;
    XDestroyImage(image);
    return more;
  });
}

bool ProgramSession::WaitUntilFocused(Window w) {
  return WaitUntil([&] {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy_, &focus, &revert);
    const Window root = DefaultRootWindow(dpy_);
    while (focus != w && focus != root && focus != None && focus != PointerRoot) {
      Window r = 0, parent = 0;
      Window* children = nullptr;
      unsigned int n = 0;
      if (!XQueryTree(dpy_, focus, &r, &parent, &children, &n)) return false;
      if (children) XFree(children);
      focus = parent;
    }
    return focus == w;
  });
}

Window ProgramSession::WaitForMainWindow() {
  QDeadlineTimer deadline(kWindowShownMs);
  while (!deadline.hasExpired()) {
    if (Window w = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Tavrin")) return w;
    // Waiting on the process doubles as the pause between looks and notices an early end.
    if (program_.waitForFinished(kPollMs)) break;
  }
  return 0;
}

QString ProgramSession::ProgramLog(const QString& logName) const {
  return QString::fromUtf8(ReadAll(logs_.filePath(logName + ".out")) + ReadAll(logs_.filePath(logName + ".err")));
}

QString ProgramSession::DataPath(const QString& name) const {
  return QDir(config_.path()).filePath(name.isEmpty() ? QStringLiteral("Tavrin") : QStringLiteral("Tavrin/") + name);
}

QPoint ProgramSession::ContentOrigin(Window w, int contentHeight) {
  Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(dpy_, w, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
  XWindowAttributes a;
  XGetWindowAttributes(dpy_, w, &a);
  return QPoint(x, y + a.height - contentHeight);
}

void ProgramSession::ClickAt(QPoint screen) {
  XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), screen.x(), screen.y(), CurrentTime);
  XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
  XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
  XSync(dpy_, False);
}

void ProgramSession::PressKey(unsigned long keysym, unsigned long modifierKeysym) {
  const KeyCode mod = modifierKeysym ? XKeysymToKeycode(dpy_, modifierKeysym) : 0;
  const KeyCode key = XKeysymToKeycode(dpy_, keysym);
  if (mod) XTestFakeKeyEvent(dpy_, mod, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, key, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, key, False, CurrentTime);
  if (mod) XTestFakeKeyEvent(dpy_, mod, False, CurrentTime);
  XSync(dpy_, False);
}

void ProgramSession::TypeText(const QString& ascii) {
  for (QChar c : ascii) {
    const char ch = c.toLatin1();
    if (ch >= 'a' && ch <= 'z') PressKey(XK_a + (ch - 'a'));
    else if (ch >= 'A' && ch <= 'Z') PressKey(XK_a + (ch - 'A'), XK_Shift_L);
    else if (ch >= '0' && ch <= '9') PressKey(XK_0 + (ch - '0'));
    else if (ch == ' ') PressKey(XK_space);
    else if (ch == '\n') PressKey(XK_Return);
  }
}

bool ProgramSession::SaveScreenshot(const QString& path) {
  const Window root = DefaultRootWindow(dpy_);
  XWindowAttributes a;
  XGetWindowAttributes(dpy_, root, &a);
  XImage* xi = XGetImage(dpy_, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!xi) return false;
  QImage img(a.width, a.height, QImage::Format_RGB32);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) img.setPixel(x, y, static_cast<QRgb>(XGetPixel(xi, x, y)));
  XDestroyImage(xi);
  return img.save(path);
}

}  // namespace e2e
