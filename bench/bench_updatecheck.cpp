// The update check as a user waits for it, on the program itself: "Check for Updates" pressed in
// the version window until the offer of the new version is on the screen and the event loop is
// idle, for an update file whose description is a few words, 1 MB of prose, 1 MB of short lines,
// and 10 MB (of which the program reads the first mebibyte). The update file comes from a web
// server on 127.0.0.1 inside the same process. Also the longest the event loop went unanswered,
// and the offer's height beside the screen's.
//
// Each case runs in a fresh process (`bench_updatecheck --child <case>`) on X (an Xvfb started
// here, the xcb platform) when Xvfb is installed, and offscreen. BENCH_CASES=name,name limits the
// cases; BENCH_PLATFORMS=xcb or offscreen limits the platforms.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/app.h"
#include "app/startup.h"
#include "benchsupport.h"
#include "info/selftest.h"
#include "info/site.h"
#include "platform/controls/pushbutton.h"
#include "preferencesfolder.h"

namespace {

using bench::NowMs;

constexpr int kChildTimeoutMs = 300000;

struct Case {
  const char* name;
  qsizetype descriptionBytes;
  int lineLength;  // a line break every this many characters; 0: none
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"short", 40, 0}, {"1MB", 1'000'000, 0}, {"1MB-lines", 1'000'000, 60}, {"10MB", 10'000'000, 0}};
  return cases;
}

QByteArray Reply(const Case& c) {
  const QByteArray words = "a new version with faster find and printing of long Sections ";
  QByteArray description;
  description.reserve(c.descriptionBytes);
  int inLine = 0;
  while (description.size() < c.descriptionBytes) {
    const char ch = words[description.size() % words.size()];
    if (c.lineLength > 0 && ++inLine >= c.lineLength) {
      description += '\n';
      inLine = 0;
    } else {
      description += ch;
    }
  }
  return "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<CurrentVersion>99.0.0</CurrentVersion><Description>" +
         description + "</Description><Free>Yes</Free><DownloadURLOSX>http://127.0.0.1/x</DownloadURLOSX>";
}

int Child(int argc, char** argv) {
  const QString caseName = QString::fromLocal8Bit(argv[2]);
  const Case* c = nullptr;
  for (const Case& k : Cases())
    if (caseName == QLatin1String(k.name)) c = &k;
  if (!c) return 2;
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  QTemporaryDir prefs;
  const PreferencesFolder preferences(prefs.path());

  // The update server: the whole reply to each request, then the connection closed.
  const QByteArray reply = Reply(*c);
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost)) return 3;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* s = server.nextPendingConnection()) {
      QObject::connect(s, &QTcpSocket::readyRead, s, [s, &reply] {
        if (!s->readAll().isEmpty() && !s->property("answered").toBool()) {
          s->setProperty("answered", true);
          s->write(reply);
          s->disconnectFromHost();
        }
      });
      QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
  });
  Site::SetHost(QStringLiteral("127.0.0.1:") + QString::number(server.serverPort()));

  QTimer::singleShot(0, [&] {
    App_()->CheckforUpdateCheckNow_Action();
    bench::RunUntilIdle(20000);
    selfTest* version = selfTest::selfTest_();
    double pressed = 0, shown = -1, idle = -1, worst = 0;
    int boxHeight = -1, screenHeight = -1;
    bench::LoopProbe probe;
    // Watches for the offer from inside the update window's modal loop; answers it with its
    // cancel button once the program is idle.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || shown >= 0) return;
      shown = NowMs() - pressed;
      idle = bench::RunUntilIdle(60000) - pressed;
      worst = probe.Stop();
      boxHeight = box->frameGeometry().height();
      screenHeight = box->screen()->availableGeometry().height();
      for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) == QMessageBox::RejectRole) b->click();
    });
    watch.start(1);
    pressed = NowMs();
    probe.Watch();
    version->Control<fw::PushButton>(QStringLiteral("PushButton1")).Push();
    std::printf("case=%s offer_shown=%.1f idle=%.1f worst_wait=%.1f offer_height=%d screen_height=%d peak_mb=%ld\n",
                c->name, shown, idle, worst, boxHeight, screenHeight, bench::PeakRssKb() / 1024);
    std::fflush(stdout);
    std::_Exit(0);
  });
  return Main();
}

int Parent(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bench::Platforms platforms;
  std::printf("update check: ms from \"Check for Updates\" to the offer shown and the loop idle; heights in pixels\n");
  for (const Case& c : Cases()) {
    if (!bench::Wanted(c.name)) continue;
    for (const QString& platform : platforms.List()) {
      bench::PrintRow(platform, bench::RunChild(platforms, platform, {QString::fromLatin1(c.name)}, kChildTimeoutMs));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
