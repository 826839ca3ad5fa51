// The update check end to end inside the process: the version window, the modal update window
// fetching from a web server on 127.0.0.1, and what the user sees for each reply. Plus the pure
// parts as tables: tag extraction, version comparison, which download addresses may be opened.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <ostream>

#include "app/app.h"
#include "failurereset.h"
#include "info/selftest.h"
#include "info/site.h"
#include "info/updatewindow.h"
#include "journalfixture.h"
#include "loopbackserver.h"
#include "platform/system/application.h"
#include "platform/controls/pushbutton.h"
#include "scripteduiservice.h"
#include "platform/controls/progressbar.h"
#include "platform/controls/statictext.h"
#include "waitfor.h"

using namespace fw;

namespace {

constexpr int kWatchdogMs = 10000;

fw::ScriptedUiService& ui() { return static_cast<fw::ScriptedUiService&>(fw::UiService::Current()); }

updateWindow* OpenUpdateWindow() { return dynamic_cast<updateWindow*>(GetImplicitWindow(QStringLiteral("updateWindow"))); }
selfTest* OpenVersionWindow() { return dynamic_cast<selfTest*>(GetImplicitWindow(QStringLiteral("selfTest"))); }

QStringList Kinds() {
  QStringList kinds;
  for (const ScriptedUiService::Call& c : ui().Calls()) kinds << c.Kind;
  return kinds;
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.MajorVersion = 1;
    app_.MinorVersion = 7;
    app_.BugVersion = 0;
    app_.ShortVersion = QStringLiteral("1.7.0");
    app_.LongVersion = QStringLiteral("1.7.0 for a test");
    Application::RegisterAppObject(&app_);
    Site::SetHost(server_.HostPort());
    ResetFailure();
    ui().Clear();
  }

  void TearDown() override {
    for (Window* w : OpenWindows()) delete w;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Site::SetHost(QString());
    Application::RegisterAppObject(nullptr);
  }

  // A step the test takes while the modal update window runs: `action` once `condition` holds.
  void While(std::function<bool()> condition, std::function<void()> action) {
    steps_.push_back({std::move(condition), std::move(action)});
  }

  // Opens the version window and presses "Check for Updates" (by Return when asked), which
  // returns once the update window has closed. The steps run meanwhile; a watchdog closes the
  // update window should the check not end by itself, so that no test can hang.
  void RunCheck(bool byReturn = false) {
    selfTest* version = selfTest::selfTest_();
    version->Show();
    ASSERT_EQ(version->Control<StaticText>(QStringLiteral("StaticText2")).Text(), app_.LongVersion);
    QTimer stepper;
    QObject::connect(&stepper, &QTimer::timeout, [this] {
      if (!steps_.empty() && steps_.front().first()) {
        auto action = std::move(steps_.front().second);
        steps_.pop_front();
        action();
      }
    });
    stepper.start(5);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      timedOut_ = true;
      if (updateWindow* w = OpenUpdateWindow()) w->Close();
    });
    watchdog.start(kWatchdogMs);
    if (byReturn) version->HandleKey(Qt::Key_Return);
    else version->Control<PushButton>(QStringLiteral("PushButton1")).Push();
    EXPECT_FALSE(timedOut_) << "the check did not end by itself";
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps not taken";
    EXPECT_EQ(OpenUpdateWindow(), nullptr);
    EXPECT_EQ(OpenVersionWindow(), nullptr) << "the version window came back or stayed";
  }

  // Answers the check with this body; records the status line and the bar at the message box.
  void Serve(const QByteArray& body, LoopbackServer::Mode mode = LoopbackServer::Mode::Reply) {
    server_.Answer(mode, LoopbackServer::Reply(body));
    ui().SetOnMessage([this](const QString&) {
      if (updateWindow* w = OpenUpdateWindow()) {
        statusAtMessage_ = w->Control<StaticText>(QStringLiteral("StaticText1")).Text();
        barVisibleAtMessage_ = w->Control<ProgressBar>(QStringLiteral("ProgressBar1")).Visible();
      }
    });
  }

  QString DialogMessage() const {
    for (const ScriptedUiService::Call& c : ui().Calls())
      if (c.Kind == QLatin1String("MessageDialog")) return c.Dialog.Message;
    return QString();
  }

  Application app_;
  LoopbackServer server_;
  std::deque<std::pair<std::function<bool()>, std::function<void()>>> steps_;
  bool timedOut_ = false;
  QString statusAtMessage_;
  bool barVisibleAtMessage_ = true;
};

TEST_F(UpdateCheckTest, WhileFetchingTheUpdateWindowShowsABusyBarAndTheVersionWindowIsGone) {
  server_.Answer(LoopbackServer::Mode::NeverAnswer);
  While([this] { return server_.RequestComplete(); },
        [this] {
          updateWindow* w = OpenUpdateWindow();
          ASSERT_NE(w, nullptr);
          EXPECT_EQ(OpenVersionWindow(), nullptr);
          EXPECT_FALSE(w->automaticCheck);
          EXPECT_EQ(w->Title(), QStringLiteral("Update"));
          EXPECT_EQ(w->Control<StaticText>(QStringLiteral("StaticText1")).Text(), QStringLiteral("Checking for update..."));
          const ProgressBar& bar = w->Control<ProgressBar>(QStringLiteral("ProgressBar1"));
          EXPECT_EQ(bar.Maximum(), 0);
          EXPECT_TRUE(bar.Visible());
          EXPECT_TRUE(w->Socket().IsConnected());
          EXPECT_EQ(w->Socket().Window(), w);
          w->Control<PushButton>(QStringLiteral("PushButton1")).Push();
        });
  RunCheck();
  EXPECT_TRUE(server_.Request().startsWith("GET /Updates/tavrin.xml HTTP/1.0\r\nHost: " + server_.HostPort().toLatin1() +
                                           "\r\n"));
}

TEST_F(UpdateCheckTest, TheRunningVersionOnTheServerIsReportedCurrent) {
  Serve("<?xml version=\"1.0\"?><update><CurrentVersion>1.7.0</CurrentVersion><Free>Yes</Free></update>");
  RunCheck();
  EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("You are using the current version. No update is available.")});
  EXPECT_EQ(statusAtMessage_, QStringLiteral("This version is current."));
  EXPECT_FALSE(barVisibleAtMessage_);
  EXPECT_EQ(ui().Count("MessageDialog"), 0);
  EXPECT_EQ(ui().Count("ShowURL"), 0);
  EXPECT_TRUE(WaitFor([&] { return server_.ClientsClosed(); })) << "the connection stayed open";
}

TEST_F(UpdateCheckTest, ReturnInTheVersionWindowStartsTheCheck) {
  Serve("<CurrentVersion>1.7.0</CurrentVersion>");
  RunCheck(/*byReturn=*/true);
  EXPECT_EQ(ui().Messages().size(), 1);
  EXPECT_EQ(server_.Connections(), 1);
}

struct ReplyCase {
  const char* name;
  QByteArray body;
  LoopbackServer::Mode mode;
  const char* outcome;  // "current", "offered <version>" or "nothing"
  const char* explanation = nullptr;  // the dialog's, when it matters
  bool cutAtLimit = false;            // the description runs to the end of the first mebibyte
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

const ReplyCase kReplies[] = {
    {"LowerCaseTags", "<currentversion>1.7</currentversion>", LoopbackServer::Mode::Reply, "current"},
    {"FirstOfTwo", "<CurrentVersion>1.8.0</CurrentVersion><CurrentVersion>1.7.0</CurrentVersion>",
     LoopbackServer::Mode::Reply, "offered 1.8.0"},
    {"EmptyBody", "", LoopbackServer::Mode::Reply, "nothing"},
    // The status is not examined: an error page is read like an update file.
    {"ErrorPage", "<html><h1>404 Not Found</h1></html>", LoopbackServer::Mode::Reply, "offered *"},
    {"BrokenInMidBody", "<CurrentVersion>1.8.0</CurrentVersion><Description>half a descr", LoopbackServer::Mode::ReplyThenReset,
     "offered 1.8.0", "half a descr"},
    // 5 MiB: evaluated as the first mebibyte, like a broken connection.
    {"FiveMebibytes", "<CurrentVersion>1.8.0</CurrentVersion><Description>" + QByteArray(5 << 20, 'x'),
     LoopbackServer::Mode::Reply, "offered 1.8.0", nullptr, true},
};

class Replies : public UpdateCheckTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, EndTheCheckAsTheirContentSays) {
  const ReplyCase& c = GetParam();
  Serve(c.body, c.mode);
  RunCheck();
  const QString outcome = QString::fromLatin1(c.outcome);
  if (outcome == QLatin1String("current")) {
    EXPECT_EQ(Kinds(), QStringList{"MsgBox"});
  } else if (outcome == QLatin1String("nothing")) {
    EXPECT_EQ(Kinds(), QStringList());
  } else {
    ASSERT_EQ(Kinds(), QStringList{"MessageDialog"});  // answered Cancel: closed, nothing opened
    const QString version = outcome.mid(8);
    if (version != QLatin1String("*")) {
      EXPECT_TRUE(DialogMessage().startsWith(QStringLiteral("Version ") + version + QStringLiteral(" is now available. ")));
    }
    const MessageDialogOptions& d = ui().Calls().first().Dialog;
    if (c.explanation) {
      EXPECT_EQ(d.Explanation, QString::fromLatin1(c.explanation));
    }
    if (c.cutAtLimit) {  // cut with the body at one mebibyte; the end tag never came
      EXPECT_EQ(d.Explanation.size(), HTTPSocket::kMaxBytes - c.body.indexOf("<Description>") - 13);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(UpdateCheck, Replies, ::testing::ValuesIn(kReplies),
                         [](const ::testing::TestParamInfo<ReplyCase>& i) { return std::string(i.param.name); });

TEST_F(UpdateCheckTest, TheUpgradeDialogWordsAFreeAndAPaidUpgradeAndOpensTheDownload) {
  const struct {
    const char* free;
    const char* ending;
  } cases[] = {
      {"Yes", "This is a free upgrade. Would you like to automatically download this update (using your web browser)?"},
      {"yes", "This is a free upgrade. Would you like to automatically download this update (using your web browser)?"},
      {"Yes ", "This is a paid upgrade. Would you like to automatically download the trial version (using your web browser)?"},
      {"No", "This is a paid upgrade. Would you like to automatically download the trial version (using your web browser)?"},
      {"", "This is a paid upgrade. Would you like to automatically download the trial version (using your web browser)?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.free);
    ui().Clear();
    Serve(QByteArray("<CurrentVersion>1.8.0</CurrentVersion><Description>Faster <b>find</b>.</Description><Free>") +
          c.free + "</Free><DownloadURLOSX>https://dl.example/tavrin-1.8.0.tar.gz</DownloadURLOSX>");
    ui().SetNextDialogAnswer(MessageDialogButton::Action);
    RunCheck();
    ASSERT_EQ(Kinds(), (QStringList{"MessageDialog", "ShowURL"}));
    const MessageDialogOptions& d = ui().Calls()[0].Dialog;
    EXPECT_EQ(d.Title, QStringLiteral("New version available!"));
    EXPECT_EQ(d.Message, QStringLiteral("Version 1.8.0 is now available. (You are using version 1.7.0.) ") +
                             QString::fromLatin1(c.ending));
    EXPECT_EQ(d.Explanation, QStringLiteral("Faster <b>find</b>."));
    EXPECT_EQ(d.Icon, 3);
    EXPECT_TRUE(d.ActionCaption.isEmpty());
    EXPECT_TRUE(d.CancelVisible);
    EXPECT_TRUE(d.AlternateVisible);
    EXPECT_EQ(d.AlternateCaption, QStringLiteral("Go to Website"));
    EXPECT_EQ(ui().Calls()[1].Text, QStringLiteral("https://dl.example/tavrin-1.8.0.tar.gz"));
  }
}

TEST_F(UpdateCheckTest, AnEmptyVersionIsOfferedWithNothingAfterVersion) {
  Serve("<CurrentVersion></CurrentVersion>");
  RunCheck();
  EXPECT_TRUE(DialogMessage().startsWith(QStringLiteral("Version  is now available. (You are using version 1.7.0.) ")));
}

TEST_F(UpdateCheckTest, GoToWebsiteOpensTheSiteAndLeavesTheUpdateWindowOpenUntilCancel) {
  Serve("<CurrentVersion>2</CurrentVersion>");
  ui().SetNextDialogAnswer(MessageDialogButton::Alternate);
  While([] { return ui().Count("ShowURL") == 1; },
        [] {
          updateWindow* w = OpenUpdateWindow();
          ASSERT_NE(w, nullptr);
          EXPECT_EQ(w->Control<StaticText>(QStringLiteral("StaticText1")).Text(), QStringLiteral("Checking for update..."));
          EXPECT_FALSE(w->Control<ProgressBar>(QStringLiteral("ProgressBar1")).Visible());
          w->HandleKey(Qt::Key_Escape);
        });
  RunCheck();
  ASSERT_EQ(Kinds(), (QStringList{"MessageDialog", "ShowURL"}));
  EXPECT_EQ(ui().Calls()[1].Text, QStringLiteral("http://") + server_.HostPort() + QStringLiteral("/"));
}

// A download or web-site address that nothing on the computer opens is reported with the address;
// the update window then ends as it would have after opening it.
TEST_F(UpdateCheckTest, AnAddressNothingOpensIsReported) {
  const QString download = QStringLiteral("https://dl.example/tavrin-1.8.0.tar.gz");
  const struct {
    const char* what;
    MessageDialogButton button;
    QString address;
    bool windowStays;
  } cases[] = {
      {"the download", MessageDialogButton::Action, download, false},
      {"the web site", MessageDialogButton::Alternate, QString(), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui().Clear();
    Serve("<CurrentVersion>1.8.0</CurrentVersion><DownloadURLOSX>" + download.toLatin1() + "</DownloadURLOSX>");
    const QString address = c.address.isEmpty() ? QStringLiteral("http://") + server_.HostPort() + u'/' : c.address;
    ui().SetNextDialogAnswer(c.button);
    ui().SetNextUrlOpens(false);
    // The window that stays is closed by hand, as the user would.
    if (c.windowStays)
      While([] { return !ui().Messages().isEmpty(); },
            [] {
              updateWindow* w = OpenUpdateWindow();
              ASSERT_NE(w, nullptr);
              w->HandleKey(Qt::Key_Escape);
            });
    RunCheck();
    ASSERT_EQ(Kinds(), (QStringList{"MessageDialog", "ShowURL", "MsgBox"}));
    EXPECT_EQ(ui().Calls()[1].Text, address);
    EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("The address \"") + address +
                                           QStringLiteral("\" could not be opened: no program on this computer would open it.")});
    EXPECT_EQ(statusAtMessage_, QStringLiteral("Checking for update...")) << "shown over the update window";
    statusAtMessage_.clear();
  }
}

TEST_F(UpdateCheckTest, ADownloadAddressThatIsNoWebAddressIsNotOpened) {
  Serve("<CurrentVersion>1.8.0</CurrentVersion><DownloadURLOSX>file:///etc/passwd</DownloadURLOSX>");
  ui().SetNextDialogAnswer(MessageDialogButton::Action);
  RunCheck();
  EXPECT_EQ(ui().Count("ShowURL"), 0);
  EXPECT_EQ(ui().Messages(),
            QStringList{QStringLiteral("The update file's download address is not a web address, so it was not opened.")});
}

TEST_F(UpdateCheckTest, AFailedConnectionBeepsAndShowsItsCode) {
  quint16 closedPort = 0;
  {
    LoopbackServer gone;
    closedPort = gone.Port();
  }
  Site::SetHost(QStringLiteral("127.0.0.1:") + QString::number(closedPort));
  RunCheck();
  EXPECT_EQ(Kinds(), (QStringList{"Beep", "MsgBox"}));
  EXPECT_EQ(ui().Messages(),
            QStringList{QStringLiteral("There was a communication error with the website. Please try again later. (Code: -1)")});
}

TEST_F(UpdateCheckTest, TheErrorMessageCarriesTheCodeInDecimal) {
  for (const int code : {7, -1, 102}) {
    ui().Clear();
    updateWindow* w = updateWindow::updateWindow_();
    w->hp_Error(code);
    EXPECT_EQ(Kinds(), (QStringList{"Beep", "MsgBox"}));
    EXPECT_EQ(ui().Messages().value(0), QStringLiteral("There was a communication error with the website. Please try "
                                                        "again later. (Code: ") +
                                            QString::number(code) + QStringLiteral(")"));
    EXPECT_EQ(OpenUpdateWindow(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(UpdateCheckTest, ClosingTheUpdateWindowWhileTheServerIsSilentEndsTheCheckAndItsConnection) {
  const struct {
    const char* how;
    std::function<void(updateWindow*)> close;
  } ways[] = {
      {"Cancel", [](updateWindow* w) { w->Control<PushButton>(QStringLiteral("PushButton1")).Push(); }},
      {"Return", [](updateWindow* w) { w->HandleKey(Qt::Key_Return); }},
      {"Escape", [](updateWindow* w) { w->HandleKey(Qt::Key_Escape); }},
      {"close box", [](updateWindow* w) { w->Widget()->close(); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    LoopbackServer silent;
    silent.Answer(LoopbackServer::Mode::NeverAnswer);
    Site::SetHost(silent.HostPort());
    ui().Clear();
    While([&] { return silent.RequestComplete(); }, [&] { way.close(OpenUpdateWindow()); });
    RunCheck();
    EXPECT_TRUE(WaitFor([&] { return silent.ClientsClosed(); })) << "the connection stayed open";
    EXPECT_EQ(Kinds(), QStringList());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(UpdateCheckTest, NoReplyIsEvaluatedForAClosedUpdateWindow) {
  // The window is closed before its socket's event: the reply is already on its way, but the
  // closed window must not show anything for it.
  Serve("<CurrentVersion>1.8.0</CurrentVersion>");
  updateWindow* w = updateWindow::updateWindow_();
  w->Socket().Get(Site::UpdateFileURL());
  w->Close();
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(Kinds(), QStringList());
  EXPECT_TRUE(WaitFor([&] { return server_.ClientsClosed(); }));
}

TEST(UpdateFile, TagValuesAreCutOutByPlainCaseIgnoringSearch) {
  const struct {
    const char* source;
    const char* tag;
    const char* value;
  } cases[] = {
      {"<CurrentVersion>1.7.0</CurrentVersion>", "CurrentVersion", "1.7.0"},
      {"junk<Free>Yes</Free>more<Free>No</Free>", "Free", "Yes"},
      {"<FREE>yes</free>", "Free", "yes"},
      {"<Free></Free>", "Free", ""},
      {"<Description> a &amp; b </Description>", "Description", " a &amp; b "},
      // No start tag: the value starts at the start tag's length, 6 for "<Free>".
      {"abcdefgh</Free>", "Free", "fgh"},
      // No end tag: the rest of the source.
      {"<Description>cut off", "Description", "cut off"},
      {"", "CurrentVersion", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(updateWindow::returnValue(QString::fromLatin1(c.source), QString::fromLatin1(c.tag)), QString::fromLatin1(c.value));
  }
  EXPECT_EQ(updateWindow::startTag(QStringLiteral("Free")), QStringLiteral("<Free>"));
  EXPECT_EQ(updateWindow::endTag(QStringLiteral("Free")), QStringLiteral("</Free>"));
}

TEST_F(UpdateCheckTest, VersionsDifferWhenAnyOfTheFirstThreeNumbersDiffers) {
  const struct {
    const char* offered;
    bool current;
  } cases[] = {
      {"1.7.0", true},  {"1.7", true},     {"1.7.0.4", true}, {"1.07.0", true}, {"1.7 beta.0", true},
      {"1.6.9", false}, {"2", false},      {"1.7.1", false},  {"1.8.0", false}, {"", false},
      {"0.7.0", false}, {"1.7.0x", true},  {"v1.7.0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offered);
    EXPECT_EQ(updateWindow::isRunningVersion(QString::fromLatin1(c.offered)), c.current);
  }
}

TEST(UpdateFile, OnlyHttpAndHttpsAddressesCountAsWebAddresses) {
  const struct {
    const char* address;
    bool web;
  } cases[] = {
      {"http://tavrin.example/download", true},
      {"https://dl.example/tavrin-1.8.0.tar.gz", true},
      {"HTTPS://DL.EXAMPLE/x", true},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"tavrin-custom:run", false},
      {"", false},
      {"http://", false},
      {"/Updates/tavrin.tar.gz", false},
      {"mailto:someone@example.com", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(updateWindow::isWebAddress(QString::fromLatin1(c.address)), c.web);
  }
}

// "Check Now" through the real application object.
class CheckNowTest : public JournalTest {};

TEST_F(CheckNowTest, ShowsTheVersionWindowWithTheRunningVersionOnceAtATime) {
  StartProgram();
  App* app = App_();
  ASSERT_NE(app, nullptr);
  EXPECT_FALSE(app->CheckforUpdateCheckNow_Action());
  selfTest* first = OpenVersionWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Widget()->isVisible());
  EXPECT_EQ(first->Title(), QStringLiteral("Self Test"));
  EXPECT_EQ(first->Control<StaticText>(QStringLiteral("StaticText2")).Text(), app->LongVersion);
  EXPECT_TRUE(first->Control<PushButton>(QStringLiteral("PushButton1")).Default());
  app->CheckforUpdateCheckNow_Action();
  EXPECT_EQ(OpenVersionWindow(), first);
  first->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  app->CheckforUpdateCheckNow_Action();
  EXPECT_NE(OpenVersionWindow(), nullptr);
  EXPECT_EQ(ui().Messages(), QStringList());
  EXPECT_EQ(CloseProgram(), 0);
}

}  // namespace
