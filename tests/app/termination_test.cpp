// A termination signal (a logout, `kill`, a closed terminal) ends the program as a close does:
// the shown Section, the list, the ink pots and the preferences are saved, also when it arrives
// while a dialog is open. The session manager's request to save saves the same and keeps the
// program running; it ends when the session manager then asks it to quit.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSessionManager>
#include <QDir>
#include <QTextEdit>
#include <QTimer>
#include <signal.h>

#include "app/startup.h"
#include "filefaults.h"
#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/system/sessioncommit.h"
#include "platform/system/terminationsignals.h"
#include "platform/controls/window.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

class TerminationTest : public JournalTest {
 protected:
  Window1* StartWithShownSection() {
    WriteData("Sections.txt", "Diary\nWork\n");
    WriteData("Tavrin-Diary.txt", "{\\rtf1\\ansi Old words\\par}");
    Window1* w = StartProgram();
    if (!w) return nullptr;
    w->LB1().UserSelectRow(0);
    QTextEdit* te = w->EF1().TextEdit();
    te->moveCursor(QTextCursor::End);
    te->insertPlainText(QStringLiteral(" typed before the end"));
    return w;
  }
  // Runs the event loop's work until the main window has closed, or a second has passed.
  static bool MainWindowClosesSoon() {
    const QDeadlineTimer deadline(1000);
    while (fw::GetImplicitWindow(QStringLiteral("Window1")) && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return fw::GetImplicitWindow(QStringLiteral("Window1")) == nullptr;
  }
  // Starts, types "loose words" with no Section shown, and ends by a SIGTERM, which no message may
  // hold up.
  void EndByASignalWithTextOfNoSection() {
    Window1* w = StartProgram();
    ASSERT_NE(w, nullptr);
    w->EF1().TextEdit()->insertPlainText(QStringLiteral("loose words"));
    ui().Clear();
    {
      const fw::TerminationSignals watch(&fw::RequestTermination);
      ASSERT_EQ(raise(SIGTERM), 0);
      ASSERT_TRUE(MainWindowClosesSoon());
    }
    EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
    EXPECT_EQ(fw::FinishApplication(0), 0);
  }
  void ExpectEverythingSaved() {
    EXPECT_TRUE(ReadData("Tavrin-Diary.txt").contains("typed before the end")) << ReadData("Tavrin-Diary.txt").constData();
    EXPECT_EQ(ReadData("Sections.txt"), "Diary\nWork\n");
    EXPECT_TRUE(DataExists("Tavrin-Inkpots.txt"));
    EXPECT_TRUE(DataExists("tavrin.txt"));
  }
};

class EachSignal : public TerminationTest, public ::testing::WithParamInterface<int> {};

TEST_P(EachSignal, SavesLikeACloseAndEndsWithZero) {
  ASSERT_NE(StartWithShownSection(), nullptr);
  const fw::TerminationSignals watch(&fw::RequestTermination);
  // The handler only notes the signal: nothing is saved before the event loop runs.
  ASSERT_EQ(raise(GetParam()), 0);
  EXPECT_FALSE(ReadData("Tavrin-Diary.txt").contains("typed before the end"));
  ASSERT_TRUE(MainWindowClosesSoon());
  ExpectEverythingSaved();
  EXPECT_EQ(fw::FinishApplication(0), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, EachSignal, ::testing::Values(SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

// The signal comes while a message box waits for an answer inside a road (here Delete's "Are
// you sure"): the box is answered No, the road returns, and only then is everything saved, with
// the Section the road left in place.
TEST_F(TerminationTest, ADialogOpenAtTheSignalIsAnsweredNoAndTheSaveFollows) {
  Window1* w = StartWithShownSection();
  ASSERT_NE(w, nullptr);
  const fw::TerminationSignals watch(&fw::RequestTermination);
  int dialogResult = -1;
  ui().SetOnMessage([&](const QString&) {
    // A real modal dialog's own event loop, as the real message box runs one.
    QDialog box;
    box.setModal(true);
    QTimer::singleShot(0, [] { raise(SIGTERM); });
    QTimer::singleShot(2000, &box, &QDialog::accept);  // never reached when the signal is handled
    dialogResult = box.exec();
  });
  ui().SetNextAnswer(fw::kAnswerNo);
  w->ButtonNamed("DeleteJournal").Push();
  ui().SetOnMessage({});
  EXPECT_EQ(dialogResult, QDialog::Rejected);
  // The save waited for the road: the window is still open until the loop runs again.
  EXPECT_NE(fw::GetImplicitWindow(QStringLiteral("Window1")), nullptr);
  ASSERT_TRUE(MainWindowClosesSoon());
  ExpectEverythingSaved();
  EXPECT_EQ(fw::FinishApplication(0), 0);
}

// Whether the program goes on: a quit, even one the loop never saw, makes the next event loop
// return at once.
bool KeepsRunning() {
  QEventLoop loop;
  QTimer::singleShot(50, &loop, [&loop] { loop.exit(7); });
  return loop.exec() == 7 && fw::GetImplicitWindow(QStringLiteral("Window1")) != nullptr;
}

// The session manager as the program meets it, scripted: whether it gives the program a turn to
// ask the user, and what the program told it.
struct ScriptedCommit : fw::SessionCommit {
  bool allows = false;
  int asked = 0, cancelled = 0, released = 0;
  bool AllowsInteraction() override {
    ++asked;
    return allows;
  }
  void Cancel() override { ++cancelled; }
  void Release() override { ++released; }
};

// The request to save saves everything a close saves and never ends the program. Only a text
// that cannot be saved makes it ask the session manager for a turn, and then the user: No stops
// the logout (and saves nothing more, as No at a close), Yes lets it go on; without a turn nothing
// is shown, since a message box would hold up the logout, and what can be saved is.
struct CommitCase {
  const char* what;
  bool textFails, allows;
  int answer;
  int asked, cancelled, released;
  bool restSaved, messages;
};
const CommitCase kCommitCases[] = {
    {"everything can be saved", false, true, 0, 0, 0, 0, true, false},
    {"the text fails, the user keeps the program", true, true, fw::kAnswerNo, 1, 1, 0, false, true},
    {"the text fails, the user lets it go", true, true, fw::kAnswerYes, 1, 0, 1, true, true},
    {"the text fails, no turn to ask", true, false, 0, 1, 0, 0, true, false},
};

class EachCommit : public TerminationTest, public ::testing::WithParamInterface<CommitCase> {};

TEST_P(EachCommit, SavesAndKeepsTheProgramRunning) {
  const CommitCase& c = GetParam();
  ASSERT_NE(StartWithShownSection(), nullptr);
  ASSERT_TRUE(QFile::remove(DataPath("Sections.txt")));
  if (c.textFails) FileFaults::FailWrite("Tavrin-Diary.txt", "No space left on device");
  if (c.answer) ui().SetNextAnswer(c.answer);
  ScriptedCommit commit;
  commit.allows = c.allows;
  fw::CommitSessionData(commit);
  EXPECT_TRUE(KeepsRunning());
  EXPECT_EQ(commit.asked, c.asked);
  EXPECT_EQ(commit.cancelled, c.cancelled);
  EXPECT_EQ(commit.released, c.released);
  EXPECT_EQ(ReadData("Tavrin-Diary.txt").contains("typed before the end"), !c.textFails);
  EXPECT_EQ(DataExists("Sections.txt"), c.restSaved);
  EXPECT_EQ(DataExists("Tavrin-Inkpots.txt"), c.restSaved);
  const QStringList told = {"The file \"" + DataPath("Tavrin-Diary.txt") + "\" could not be saved: No space left on device",
                            "The text of the Section Diary could not be saved.  Quit anyway and lose the changes?"};
  EXPECT_EQ(ui().Messages(), c.messages ? told : QStringList());
  ui().Clear();
  EXPECT_EQ(CloseProgram(), 0);
}

INSTANTIATE_TEST_SUITE_P(SessionManager, EachCommit, ::testing::ValuesIn(kCommitCases),
                         [](const ::testing::TestParamInfo<CommitCase>& info) { return std::to_string(info.index); });

// Through Qt's own signal and session manager (which here gives no turn to ask), and then the
// session manager's decision to end the program: a quit request, which closes the main window as
// the user's Quit does.
TEST_F(TerminationTest, AfterTheSessionManagersRequestItsQuitEndsTheProgram) {
  ASSERT_NE(StartWithShownSection(), nullptr);
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  QSessionManager* manager = app->findChild<QSessionManager*>();
  ASSERT_NE(manager, nullptr);
  emit app->commitDataRequest(*manager);
  EXPECT_TRUE(KeepsRunning());
  ExpectEverythingSaved();

  QFile::remove(DataPath("Tavrin-Inkpots.txt"));
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(qApp, &quit);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(fw::GetImplicitWindow(QStringLiteral("Window1")), nullptr);
  ExpectEverythingSaved();
  EXPECT_EQ(fw::FinishApplication(0), 0);
}

// Text typed while no Section was shown, at the session manager's request: without a turn to ask
// it is kept under a free name; with one the user is asked, and No discards it there and then, so
// that the close that ends the session asks nothing more; Cancel stops the logout.
TEST_F(TerminationTest, TextOfNoSectionAtTheSessionManagersRequest) {
  const struct {
    const char* what;
    bool allows;
    int answer;
    bool kept, cancelled;
  } cases[] = {
      {"no turn to ask", false, 0, true, false},
      {"the user discards it", true, fw::kAnswerNo, false, false},
      {"the user stays", true, fw::kAnswerCancel, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Window1* w = StartProgram();
    ASSERT_NE(w, nullptr);
    w->EF1().TextEdit()->insertPlainText(QStringLiteral("loose words"));
    ui().Clear();
    if (c.answer) ui().SetNextAnswer(c.answer);
    ScriptedCommit commit;
    commit.allows = c.allows;
    fw::CommitSessionData(commit);
    EXPECT_EQ(ReadData("Tavrin-Untitled.txt").contains("loose words"), c.kept);
    EXPECT_EQ(commit.cancelled, c.cancelled ? 1 : 0);
    EXPECT_EQ(ui().Messages().size(), c.allows ? 1 : 0);
    EXPECT_EQ(w->EF1().Text().isEmpty(), c.answer == fw::kAnswerNo);
    ui().Clear();
    if (c.answer == fw::kAnswerCancel) w->EF1().SetText(QString());
    EXPECT_EQ(CloseProgram(), 0);
    EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
    ReleaseModuleState();
    Module1::ResetState();
    ASSERT_TRUE(!DataExists("") || QDir(DataPath()).removeRecursively());
  }
}

// No one may be there to answer whether to keep text typed while no Section was shown: it is
// kept as a new Section under a name that no row bears in any case and no file of the folder has.
TEST_F(TerminationTest, TextOfNoSectionIsKeptUnderAFreeName) {
  const struct {
    const char* what;
    QByteArray sections;
    QStringList files;
    QString name;
  } cases[] = {
      {"a free name", "Diary\n", {}, "Untitled"},
      {"a row of that name in other case", "untitled\nDiary\n", {}, "Untitled 2"},
      {"files the list lost", "Diary\n", {"Tavrin-Untitled.txt", "Tavrin-Untitled 2-Style.txt"}, "Untitled 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(!DataExists("") || QDir(DataPath()).removeRecursively());
    WriteData("Sections.txt", c.sections);
    for (const QString& f : c.files) WriteData(f, "kept");
    ASSERT_NO_FATAL_FAILURE(EndByASignalWithTextOfNoSection());
    EXPECT_TRUE(ReadData("Tavrin-" + c.name + ".txt").contains("loose words"));
    EXPECT_EQ(ReadData("Sections.txt"), c.sections + c.name.toUtf8() + '\n');
    for (const QString& f : c.files) EXPECT_EQ(ReadData(f), "kept") << f.toStdString();
    ReleaseModuleState();
    Module1::ResetState();
  }
}

// When even that save cannot be made (here the data folder is a file, as said at start-up), the
// signal still ends the program, with no message that no one could answer.
TEST_F(TerminationTest, TextOfNoSectionThatCannotBeKeptDoesNotHoldTheEnd) {
  QFile file(PrefsPath() + QStringLiteral("/Tavrin"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ASSERT_NO_FATAL_FAILURE(EndByASignalWithTextOfNoSection());
}

}  // namespace
