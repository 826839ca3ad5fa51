// The real program under its own X server: it starts, shows its main window, is closed the way a
// window manager closes a window, and leaves exactly the files its Close writes.
//
// No window manager runs here: our ClientMessage is the one a window manager sends when the user
// clicks the close box, so the program cannot tell the difference.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <ostream>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kXvfbStartMs = 10000;
constexpr int kWindowShownMs = 20000;
constexpr int kProgramEndMs = 15000;
constexpr int kPollMs = 50;

// Xlib's default handler ends the process on any error; a window that disappears while the tree
// is walked is expected and only makes that window unreadable.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

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

// The first mapped window below `parent` (depth first) with that name. With a window manager the
// program's window sits inside a frame, without one it is a child of the root: walking the whole
// tree finds it either way.
Window FindMappedWindow(Display* dpy, Window parent, const QByteArray& name) {
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy, parent, &root, &up, &children, &n)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && WindowName(dpy, children[i]) == name)
      found = children[i];
    else
      found = FindMappedWindow(dpy, children[i], name);
  }
  if (children) XFree(children);
  return found;
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

// What a window manager sends when the user clicks the close box.
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

const QByteArray kWhiteInkpots =
    "InkPot1Color: \t255\t255\t255\n"
    "InkPot2Color: \t255\t255\t255\n"
    "InkPot3Color: \t255\t255\t255\n"
    "InkPot4Color: \t255\t255\t255\n"
    "InkPot5Color: \t255\t255\t255\n";

struct RunCase {
  const char* name;
  QMap<QString, QByteArray> seeded;    // the data folder before the run (none at all when empty)
  QMap<QString, QByteArray> expected;  // the whole data folder after the close
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

const RunCase kCases[] = {
    {"FirstRun",
     {},
     {{"Sections.txt", ""},
      {"tavrin.txt", "#Window1Position 150,150,700,500\n#MySection \n"},
      {"Tavrin-Inkpots.txt", kWhiteInkpots}}},
    // The last Section's name is not carried from one run to the next (start-up clears it), but
    // the list and the window's rectangle are.
    {"SeededFolder",
     {{"Sections.txt", "Diary\n###Work\n"}, {"tavrin.txt", "#Window1Position 40,60,900,650\n#MySection Diary\n"}},
     {{"Sections.txt", "Diary\n###Work\n"},
      {"tavrin.txt", "#Window1Position 40,60,900,650\n#MySection \n"},
      {"Tavrin-Inkpots.txt", kWhiteInkpots}}},
};

class ProgramTest : public ::testing::TestWithParam<RunCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(config_.isValid() && runtime_.isValid() && logs_.isValid());
    XSetErrorHandler(IgnoreXError);
    StartXServer();
  }

  void TearDown() override {
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

  void StartXServer() {
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

  void StartProgram() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    program_.setProcessEnvironment(env);
    // Into files rather than pipes: nobody reads a pipe while we wait, and a full one would stall
    // the program.
    program_.setStandardOutputFile(logs_.filePath("tavrin.out"));
    program_.setStandardErrorFile(logs_.filePath("tavrin.err"));
    program_.start(QStringLiteral(TAVRIN_BINARY), {});
    ASSERT_TRUE(program_.waitForStarted(5000)) << qPrintable(program_.errorString());
  }

  Window WaitForMainWindow() {
    QDeadlineTimer deadline(kWindowShownMs);
    while (!deadline.hasExpired()) {
      if (Window w = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Tavrin")) return w;
      // Waiting on the process doubles as the pause between looks and notices an early end.
      if (program_.waitForFinished(kPollMs)) break;
    }
    return 0;
  }

  QString ProgramLog() const {
    return QString::fromUtf8(ReadAll(logs_.filePath("tavrin.out")) + ReadAll(logs_.filePath("tavrin.err")));
  }

  QString DataPath(const QString& name = QString()) const {
    return QDir(config_.path()).filePath(name.isEmpty() ? QStringLiteral("Tavrin") : QStringLiteral("Tavrin/") + name);
  }

  QTemporaryDir config_, runtime_, logs_;
  QProcess xvfb_, program_;
  QByteArray display_;
  Display* dpy_ = nullptr;
};

TEST_P(ProgramTest, ClosingTheMainWindowSavesAndEndsTheProgram) {
  const RunCase& c = GetParam();
  if (!c.seeded.isEmpty()) {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
  }
  for (auto it = c.seeded.cbegin(); it != c.seeded.cend(); ++it) {
    ASSERT_TRUE(WriteAll(DataPath(it.key()), it.value()));
  }

  StartProgram();
  const Window w = WaitForMainWindow();
  ASSERT_NE(w, 0u) << "no mapped window named \"Tavrin\" within " << kWindowShownMs << " ms; program log:\n"
                   << qPrintable(ProgramLog());
  ASSERT_TRUE(ListsProtocol(dpy_, w, XInternAtom(dpy_, "WM_DELETE_WINDOW", False)))
      << "the main window does not take WM_DELETE_WINDOW, so a window manager could not close it";

  SendDeleteWindow(dpy_, w);
  ASSERT_TRUE(program_.waitForFinished(kProgramEndMs)) << "still running " << kProgramEndMs
                                                       << " ms after the close; program log:\n"
                                                       << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit) << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitCode(), 0) << qPrintable(ProgramLog());

  // Hidden entries too: a replace that did not finish would leave its temporary file behind.
  QStringList present = QDir(DataPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  present.sort();
  QStringList expectedNames = c.expected.keys();
  expectedNames.sort();
  EXPECT_EQ(present, expectedNames);
  for (auto it = c.expected.cbegin(); it != c.expected.cend(); ++it)
    EXPECT_EQ(ReadAll(DataPath(it.key())).toStdString(), it.value().toStdString()) << qPrintable(it.key());
}

INSTANTIATE_TEST_SUITE_P(Runs, ProgramTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

}  // namespace
