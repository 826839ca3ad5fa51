// The update check of the real program, built with its site host on this machine: "Check Now"
// from the menu, "Check for Updates" in the version window, the request on the wire, the message
// that the version is current, and every window of the check gone once it is dismissed.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>

#include <X11/keysym.h>

#include "programsession.h"

namespace {

using namespace e2e;

constexpr int kPortWaitMs = 15000;
constexpr int kStepMs = 10000;

// A one-connection web server on 127.0.0.1 in a thread of its own: the test's thread is busy
// waiting on X and the program. It records the request and answers with `reply`.
class SiteServer {
 public:
  explicit SiteServer(QByteArray reply) : reply_(std::move(reply)) {}
  ~SiteServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }

  // False when the port stayed taken (another run of this test, most likely) for kPortWaitMs.
  bool Listen(int port) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QDeadlineTimer deadline(kPortWaitMs);
    while (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(100);
    }
    if (listen(listener_, 4) != 0) return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
  }

  QByteArray Request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
  }
  bool Answered() const { return answered_; }

 private:
  void Serve() {
    pollfd p{listener_, POLLIN, 0};
    while (!stop_ && poll(&p, 1, 50) <= 0) {}
    if (stop_) return;
    const int c = accept(listener_, nullptr, nullptr);
    if (c < 0) return;
    QByteArray request;
    pollfd q{c, POLLIN, 0};
    while (!stop_ && !request.contains("\r\n\r\n")) {
      if (poll(&q, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(c, buffer, sizeof buffer);
      if (n <= 0) break;
      request.append(buffer, static_cast<int>(n));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      request_ = request;
    }
    (void)!write(c, reply_.constData(), static_cast<size_t>(reply_.size()));
    close(c);
    answered_ = true;
  }

  QByteArray reply_;
  int listener_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false}, answered_{false};
  mutable std::mutex mutex_;
  QByteArray request_;
};

// The mapped top-level windows of the program (no window manager: children of the root): with
// `popups`, the override-redirect ones such as open menus, else all others.
QList<Window> TopLevels(Display* dpy, bool popups = false) {
  QList<Window> out;
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &up, &children, &n)) return out;
  for (unsigned int i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && bool(a.override_redirect) == popups)
      out << children[i];
  }
  if (children) XFree(children);
  return out;
}

class UpdateCheckProgramTest : public ::testing::Test, protected ProgramSession {
 protected:
  void SetUp() override { BeginSession(); }
  void TearDown() override { EndSession(); }
};

TEST_F(UpdateCheckProgramTest, CheckNowFetchesTheUpdateFileAndReportsTheVersionCurrent) {
  SiteServer site("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<update><CurrentVersion>" TAVRIN_E2E_VERSION
                  "</CurrentVersion><Free>Yes</Free></update>\r\n");
  if (!site.Listen(TAVRIN_E2E_SITE_PORT)) GTEST_SKIP() << "port " << TAVRIN_E2E_SITE_PORT << " stayed taken";

  StartProgram(program_, QStringLiteral("tavrin"), QStringLiteral(TAVRIN_E2E_SITE_BINARY));
  const Window main = WaitForMainWindow();
  ASSERT_NE(main, 0u) << qPrintable(ProgramLog());

  // The menu bar strip lies above the content area (500 high on a first run). "File" is its first
  // menu; two steps right open "Check for Update", whose one item Down selects.
  Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(dpy_, main, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
  const QPoint content = ContentOrigin(main, 500);
  ASSERT_TRUE(WaitUntilDrawn(main, QRect(0, 0, 100, content.y() - y))) << "the menu bar was never drawn";
  // Each menu opens in a popup window of its own: a step right has arrived once another shows.
  Window menu = 0;
  const auto nextMenuShows = [&] {
    const Window before = menu;
    return WaitUntil([&] {
      const QList<Window> popups = TopLevels(dpy_, true);
      menu = popups.isEmpty() ? 0 : popups.last();
      return menu != 0 && menu != before;
    }, kStepMs);
  };
  ClickAt(QPoint(x + 15, (y + content.y()) / 2));
  ASSERT_TRUE(nextMenuShows()) << "File opened no menu";
  PressKey(XK_Right);
  ASSERT_TRUE(nextMenuShows()) << "Right opened no next menu";
  PressKey(XK_Right);
  ASSERT_TRUE(nextMenuShows()) << "Right opened no next menu";
  PressKey(XK_Down);
  PressKey(XK_Return);

  Window version = 0;
  ASSERT_TRUE(WaitUntil([&] { return (version = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Self Test")) != 0; }, kStepMs))
      << "no version window; program log:\n" << qPrintable(ProgramLog());
  // "Check for Updates": 157 by 21 at 28, 61 of a window without a menu bar.
  ASSERT_TRUE(WaitUntilDrawn(version, QRect(0, 0, 200, 102))) << "the version window was never drawn";
  ClickAt(ContentOrigin(version, 102) + QPoint(28 + 78, 61 + 10));

  ASSERT_TRUE(WaitUntil([&] { return site.Answered(); }, kStepMs)) << "no request; program log:\n" << qPrintable(ProgramLog());
  EXPECT_EQ(site.Request().toStdString(), "GET /Updates/tavrin.xml HTTP/1.0\r\nHost: 127.0.0.1:" +
                                              std::to_string(TAVRIN_E2E_SITE_PORT) +
                                              "\r\nAccept: */*\r\nAccept-Language: en\r\n\r\n");

  // The message box over the update window, the version window gone.
  Window update = 0, box = 0;
  ASSERT_TRUE(WaitUntil([&] {
    update = FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Update");
    const QList<Window> windows = TopLevels(dpy_);
    box = 0;
    for (Window w : windows)
      if (w != main && w != update) box = w;
    return update && box && windows.size() == 3;
  }, kStepMs)) << "no message box over the update window; program log:\n" << qPrintable(ProgramLog());
  EXPECT_EQ(FindMappedWindow(dpy_, DefaultRootWindow(dpy_), "Self Test"), 0u);

  // Dismissed, the check ends: only the main window is left.
  SendDeleteWindow(dpy_, box);
  EXPECT_TRUE(WaitUntil([&] { return TopLevels(dpy_) == QList<Window>{main}; }, kStepMs))
      << TopLevels(dpy_).size() << " windows still mapped; program log:\n" << qPrintable(ProgramLog());

  SendDeleteWindow(dpy_, main);
  ASSERT_TRUE(program_.waitForFinished(kProgramEndMs)) << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_.exitCode(), 0) << qPrintable(ProgramLog());
}

}  // namespace
