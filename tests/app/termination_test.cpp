// A termination signal (a logout, `kill`, a closed terminal) ends the program as a close does:
// the shown Section, the list, the ink pots and the preferences are saved, also when it arrives
// while a dialog is open.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QTextEdit>
#include <QTimer>
#include <signal.h>

#include "app/startup.h"
#include "journalfixture.h"
#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/listbox.h"
#include "platform/pushbutton.h"
#include "platform/terminationsignals.h"
#include "platform/window.h"
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
