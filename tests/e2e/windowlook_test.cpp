// The real program under a window manager, as a person sees and uses it: no caption cut off, the
// keyboard kept by the field that has it after a click on a push button, and the new-section
// dialog framed as a dialog of the main window and centred on it.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "programsession.h"

namespace {

using namespace e2e;

constexpr int kWindowManagerMs = 10000;

// A property of 32-bit items (atoms, cardinals, windows), as longs.
std::vector<long> Property32(Display* dpy, Window w, const char* name, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> items;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1024, False, type, &actual, &format, &count, &after,
                         &data) == Success &&
      data && format == 32)
    items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  if (data) XFree(data);
  return items;
}

bool HasAtom(Display* dpy, const std::vector<long>& atoms, const char* name) {
  const long wanted = static_cast<long>(XInternAtom(dpy, name, False));
  for (long a : atoms)
    if (a == wanted) return true;
  return false;
}

// The window's place on the screen with the frame the window manager put around it.
QRect FrameOnScreen(Display* dpy, Window w) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy, w, &a)) return QRect();
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
  QRect r(x, y, a.width, a.height);
  const std::vector<long> extents = Property32(dpy, w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  if (extents.size() == 4) r.adjust(-extents[0], -extents[2], extents[1], extents[3]);
  return r;
}

// A small window manager frames the windows as a desktop would: the frames, the focus and the
// place of a dialog are its doing together with the program's.
class WindowManagerTest : public ::testing::Test, protected ProgramSession {
 protected:
  void SetUp() override { BeginSession(); }
  void TearDown() override {
    if (windowManager_.state() != QProcess::NotRunning) {
      windowManager_.kill();
      windowManager_.waitForFinished(5000);
    }
    EndSession();
  }

  void StartWindowManager() {
    const QString icewm = QStandardPaths::findExecutable(QStringLiteral("icewm"));
    if (icewm.isEmpty()) GTEST_SKIP() << "icewm is not installed (bash tools/dev.sh test installs it)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_));
    env.insert(QStringLiteral("HOME"), config_.path());  // its settings stay in the test's folder
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
    windowManager_.setProcessEnvironment(env);
    windowManager_.setStandardOutputFile(logs_.filePath("wm.out"));
    windowManager_.setStandardErrorFile(logs_.filePath("wm.err"));
    windowManager_.start(icewm, {});
    ASSERT_TRUE(windowManager_.waitForStarted(5000));
    // A window manager names itself on the root window once it manages windows.
    ASSERT_TRUE(WaitUntil([&] { return !Property32(dpy_, DefaultRootWindow(dpy_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty(); },
                        kWindowManagerMs, &windowManager_))
        << "icewm did not start; its log:\n" << ReadAll(logs_.filePath("wm.err")).constData();
  }

  Window FindDialogOf(Window owner) {
    return FindMappedWindowIf(dpy_, DefaultRootWindow(dpy_), [&](Window w) {
      Window transientFor = 0;
      return XGetTransientForHint(dpy_, w, &transientFor) && transientFor == owner &&
             WindowName(dpy_, w).trimmed().isEmpty();
    });
  }

  QProcess windowManager_;

  bool Mapped(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable;
  }

  // Whether a caption's text reaches the side of its box where the text would run on: the text
  // is cut off there. `align` is the label's: 0 left, 1 centred, 2 right.
  static bool InkAtTheEdge(XImage* image, QRect box, int align) {
    auto dark = [&](int x) {
      for (int y = box.top(); y <= box.bottom(); ++y) {
        const unsigned long p = XGetPixel(image, x, y);
        if (((p >> 16) & 255) < 100 && ((p >> 8) & 255) < 100 && (p & 255) < 100) return true;
      }
      return false;
    };
    const bool right = align != 2 && (dark(box.right()) || dark(box.right() - 1));
    const bool left = align != 0 && (dark(box.left()) || dark(box.left() + 1));
    return right || left;
  }
};

TEST_F(WindowManagerTest, CaptionsFocusAndTheNewSectionDialogAsAPersonSeesThem) {
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(DataPath("Sections.txt"), "Alpha\n"));
  ASSERT_TRUE(WriteAll(DataPath("tavrin.txt"), "#Window1Position 100,100,700,500\n#MySection \n"));
  StartWindowManager();
  if (IsSkipped()) return;
  StartProgram();
  const Window main = WaitForMainWindow();
  ASSERT_NE(main, 0u) << qPrintable(ProgramLog());
  ASSERT_TRUE(WaitUntil([&] { return Property32(dpy_, main, "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4; },
                      kWindowShownMs))
      << "the window manager never framed the main window";
  ASSERT_TRUE(WaitUntilDrawn(main, QRect(0, 0, 700, 500))) << "the main window was never drawn";

  // The controls stand at their design places below the menu bar; the content area is 700 x 500.
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, main, &a));
  const int menu = a.height - 500;
  ASSERT_TRUE(menu >= 0 && menu < 80) << a.width << " x " << a.height;
  const QPoint content = ContentOrigin(main, 500);

  // No caption cut off: "Selected Section:" lost its colon under the title field.
  {
    XImage* image = XGetImage(dpy_, main, 0, menu, 700, 500, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const struct {
      const char* label;
      QRect box;
      int align;
    } labels[] = {{"Selected Section:", QRect(219, 179, 112, 20), 0},
                  {"Font:", QRect(216, 24, 38, 16), 2},
                  {"Size:", QRect(402, 24, 35, 16), 2},
                  {"Find Text", QRect(258, 72, 163, 20), 1}};
    for (const auto& l : labels) EXPECT_FALSE(InkAtTheEdge(image, l.box, l.align)) << l.label << " is cut off";
    XDestroyImage(image);
  }

  // A click on Color opens the colour picker; after Escape, a typed space must not open it again:
  // the button took no keyboard focus.
  ClickAt(content + QPoint(565 + 28, 22 + 10));
  Window picker = 0;
  ASSERT_TRUE(WaitUntil([&] { return (picker = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Select a Text Color")) != 0; },
                      kWindowShownMs))
      << "Color opened no colour picker; " << qPrintable(ProgramLog());
  ASSERT_TRUE(WaitUntilFocused(picker)) << "the colour picker never got the keyboard focus";
  PressKey(XK_Escape);
  ASSERT_TRUE(WaitUntil([&] { return !Mapped(picker); }, kWindowShownMs)) << "Escape left the colour picker open";
  ASSERT_TRUE(WaitUntilFocused(main)) << "the main window never got the keyboard focus back";
  PressKey(XK_space);
  EXPECT_FALSE(WaitUntil([&] { return FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Select a Text Color") != 0; }, 1500))
      << "a space after the click pressed Color again";
  if (Window again = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Select a Text Color")) {
    PressKey(XK_Escape);
    WaitUntil([&] { return !Mapped(again); }, kWindowShownMs);
  }

  // New opens the dialog: a dialog of the main window, centred on it, with an empty title and no
  // title-bar buttons; Escape leaves it.
  ClickAt(content + QPoint(33 + 40, 22 + 10));
  Window dialog = 0;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindDialogOf(main)) != 0; }, kWindowShownMs))
      << "no dialog of the main window with an empty title";
  ASSERT_TRUE(WaitUntil([&] { return Property32(dpy_, dialog, "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4; },
                      kWindowShownMs));
  ASSERT_TRUE(WaitUntilDrawn(dialog, QRect(0, 0, 216, 115))) << "the dialog was never drawn";
  ASSERT_TRUE(WaitUntilFocused(dialog)) << "the dialog never got the keyboard focus";
  {
    XImage* image = XGetImage(dpy_, dialog, 0, 0, 216, 115, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(InkAtTheEdge(image, QRect(20, 17, 174, 20), 1)) << "New Section Name is cut off";
    XDestroyImage(image);
  }
  EXPECT_TRUE(HasAtom(dpy_, Property32(dpy_, dialog, "_NET_WM_WINDOW_TYPE", XA_ATOM), "_NET_WM_WINDOW_TYPE_DIALOG"));
  const std::vector<long> allowed = Property32(dpy_, dialog, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM);
  EXPECT_FALSE(allowed.empty()) << "the window manager named no allowed actions";
  for (const char* action : {"_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                             "_NET_WM_ACTION_MAXIMIZE_VERT"})
    EXPECT_FALSE(HasAtom(dpy_, allowed, action)) << "the dialog's frame offers " << action;
  const QPoint offset = FrameOnScreen(dpy_, dialog).center() - FrameOnScreen(dpy_, main).center();
  EXPECT_LE(offset.manhattanLength(), 4) << "the dialog is " << offset.x() << ", " << offset.y() << " off centre";
  PressKey(XK_Escape);
  EXPECT_TRUE(WaitUntil([&] { return !Mapped(dialog); }, kWindowShownMs)) << "Escape left the dialog open";

  SendDeleteWindow(dpy_, main);
  ASSERT_TRUE(program_.waitForFinished(kProgramEndMs)) << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitCode(), 0) << qPrintable(ProgramLog());
}

}  // namespace
