#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <exception>
#include <functional>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "failurereset.h"
#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/system/files.h"
#include "platform/system/instancelock.h"
#include "platform/controls/listbox.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

TEST_F(JournalTest, FirstRunCreatesDataFolderAndOpensAtDefaultRectangle) {
  fw::EnableTrace(true);
  fw::TraceLog().clear();
  Window1* w = StartProgram();
  fw::EnableTrace(false);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(DataExists("Sections.txt"));
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray());
  EXPECT_EQ(w->LB1().ListCount(), 0);
  EXPECT_EQ(w->Top(), 150);
  EXPECT_EQ(w->Left(), 150);
  EXPECT_EQ(w->Width(), 700);
  EXPECT_EQ(w->Height(), 500);
  const QStringList& log = fw::TraceLog();
  const auto at = [&](const char* e) { return log.indexOf(QString::fromLatin1(e)); };
  ASSERT_GE(at("App.Open"), 0);
  EXPECT_LT(at("App.Open"), at("Window1.FontMenu.Open"));
  EXPECT_LT(at("Window1.FontMenu.Open"), at("Window1.Open"));
  EXPECT_EQ(CloseProgram(), 0);
}

// Every control opens once, after the application's Open and before the window's own Open: the
// window's Open applies the rectangle App.Open loaded, and App.Open fills controls that exist.
TEST_F(JournalTest, StartUpRaisesOpenEventsInOrder) {
  fw::EnableTrace(true);
  fw::TraceLog().clear();
  Window1* w = StartProgram();
  fw::EnableTrace(false);
  ASSERT_NE(w, nullptr);
  const QStringList& log = fw::TraceLog();
  ASSERT_EQ(log.count("App.Open"), 1);
  ASSERT_EQ(log.count("Window1.Open"), 1);
  const qsizetype appOpen = log.indexOf("App.Open"), windowOpen = log.indexOf("Window1.Open");
  EXPECT_LT(appOpen, windowOpen);
  ASSERT_EQ(w->Controls().size(), 33u);
  for (fw::RectControl* c : w->Controls()) {
    const QString open = "Window1." + c->Name() + ".Open";
    EXPECT_EQ(log.count(open), 1) << open.toStdString();
    const qsizetype at = log.indexOf(open);
    EXPECT_GT(at, appOpen) << open.toStdString();
    EXPECT_LT(at, windowOpen) << open.toStdString();
  }
  EXPECT_EQ(CloseProgram(), 0);
}

TEST_F(JournalTest, RememberedSectionIsNotShownAfterStartUp) {
  WriteData("tavrin.txt", "#Window1Position 150,150,700,500\n#MySection Work\n");
  WriteData("Sections.txt", "Home\nWork\n");
  WriteData("Tavrin-Work.txt", "{\\rtf1\\ansi Work text\\par}");
  WriteData("Tavrin-Work-Style.txt", "Font: Arial\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->LB1().ListCount(), 2);
  EXPECT_EQ(w->LB1().ListIndex(), -1);
  EXPECT_EQ(Module1::MySection, QString());
  EXPECT_EQ(w->EF1().Text(), QString());
  EXPECT_EQ(w->EditFieldNamed("SectionTitle").Text(), QString());
  EXPECT_TRUE(ui().Messages().isEmpty());
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_EQ(ReadData("tavrin.txt"), "#Window1Position 150,150,700,500\n#MySection \n");
}

TEST_F(JournalTest, RememberedRectangleOpensTheWindowThereAndIsKept) {
  WriteData("tavrin.txt", "#Window1Position 40,60,900,650\n#MySection \n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(w->Top(), 40);
  EXPECT_EQ(w->Left(), 60);
  EXPECT_EQ(w->Width(), 900);
  EXPECT_EQ(w->Height(), 650);
  EXPECT_EQ(w->EF1().Width(), 461 + 200);
  EXPECT_EQ(w->EF1().Height(), 268 + 150);
  EXPECT_EQ(QList<int32_t>({prefModule::Window1Top, prefModule::Window1Left, prefModule::Window1Width,
                            prefModule::Window1Height}),
            QList<int32_t>({40, 60, 900, 650}));
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_EQ(ReadData("tavrin.txt"), "#Window1Position 40,60,900,650\n#MySection \n");
}

// The data folder's lock goes at every end of a run: a return, an exception out of the event loop
// (reported as any unexpected error), and std::terminate, where an exception that escapes a handler
// nothing wraps (a timer's, a paint's) ends. The next start then finds the folder free.
TEST_F(JournalTest, TheLockGoesAtEveryEndOfARun) {
  MakeDataFolder();
  const QString lockName = QStringLiteral(".tavrin.lock");
  const QString lockPath = DataPath(lockName);
  const struct {
    const char* what;
    std::function<int()> run;
    int status;
    QStringList messages;
  } cases[] = {
      {"a return", [] { return 0; }, 0, {}},
      {"an exception out of the run", []() -> int { throw std::runtime_error("out of the loop"); }, 1,
       {"An unexpected error occurred and the program has to close.\n\nout of the loop"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui().Clear();
    fw::InstanceLock lock(DataPath(), lockName);
    ASSERT_EQ(lock.Acquire({}), fw::InstanceLock::State::Locked);
    ASSERT_TRUE(QFile::exists(lockPath));
    EXPECT_EQ(RunHoldingLock(&lock, c.run), c.status);
    EXPECT_FALSE(QFile::exists(lockPath));
    EXPECT_EQ(ui().Messages(), c.messages);
    ResetFailure();
  }

  GTEST_FLAG_SET(death_test_style, "fast");
  // Without the guard, an end by terminate leaves the lock behind: what the guard is for.
  EXPECT_EXIT(
      {
        fw::InstanceLock lock(DataPath(), lockName);
        if (lock.Acquire({}) != fw::InstanceLock::State::Locked) ::_exit(3);
        std::terminate();
      },
      ::testing::KilledBySignal(SIGABRT), "");
  EXPECT_TRUE(QFile::exists(lockPath));
  ASSERT_TRUE(QFile::remove(lockPath));
  EXPECT_EXIT(
      {
        fw::InstanceLock lock(DataPath(), lockName);
        if (lock.Acquire({}) != fw::InstanceLock::State::Locked) ::_exit(3);
        RunHoldingLock(&lock, []() -> int { std::terminate(); });
        ::_exit(4);
      },
      ::testing::KilledBySignal(SIGABRT), "");
  EXPECT_FALSE(QFile::exists(lockPath));
  fw::InstanceLock next(DataPath(), lockName);
  EXPECT_EQ(next.Acquire({}), fw::InstanceLock::State::Locked);
}

namespace {

// A configuration folder whose name is not valid UTF-8: Qt's name for it, with U+FFFD in place of
// the byte 0xFF, is another folder (here the look-alike "cfg\xEF\xBF\xBD" beside it).
class ByteNamedConfigFolder : public JournalTest {
 protected:
  void SetUp() override {
    JournalTest::SetUp();
    base_ = QFile::encodeName(PrefsPath());
    saved_ = {{"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")}, {"HOME", qgetenv("HOME")}};
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) qputenv(name, value);
    JournalTest::TearDown();
  }
  QByteArray Base() const { return base_; }
  static bool Exists(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0;
  }
  static void WriteFile(const QByteArray& path, const QByteArray& content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, content.constData(), content.size()), content.size());
    ::close(fd);
  }
  // A journal of two Sections, Diary and Café (its file names in UTF-8), in `config`/Tavrin.
  static void WriteJournal(const QByteArray& config) {
    ASSERT_EQ(::mkdir(config.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((config + "/Tavrin").constData(), 0700), 0);
    WriteFile(config + "/Tavrin/Sections.txt", "Diary\nCaf\xc3\xa9\n");
    WriteFile(config + "/Tavrin/Tavrin-Diary.txt", "{\\rtf1 kept text}");
    WriteFile(config + "/Tavrin/Tavrin-Caf\xc3\xa9.txt", "{\\rtf1 more text}");
  }
  // Starts, checks that the journal in `config` is the one shown and written, and closes.
  void ExpectJournalIn(const QByteArray& config, const QByteArray& lookAlike) {
    Window1* w = StartProgram();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->LB1().ListCount(), 2);
    EXPECT_EQ(w->LB1().Cell(0, 0), "Diary");
    EXPECT_EQ(w->LB1().Cell(1, 0), QString::fromUtf8("Caf\u00e9"));
    w->LB1().UserSelectRow(0);
    EXPECT_EQ(w->EF1().Text(), "kept text");
    w->LB1().UserSelectRow(1);
    EXPECT_EQ(w->EF1().Text(), "more text");
    EXPECT_EQ(CloseProgram(), 0);
    EXPECT_TRUE(Exists(config + "/Tavrin/tavrin.txt"));
    EXPECT_TRUE(Exists(config + "/Tavrin/Tavrin-Diary-Style.txt"));
    EXPECT_TRUE(Exists(config + "/Tavrin/Tavrin-Caf\xc3\xa9-Style.txt"));
    EXPECT_FALSE(Exists(lookAlike)) << "a look-alike folder was made";
    EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join('\n').toStdString();
  }

 private:
  QByteArray base_;
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(ByteNamedConfigFolder, NamedByXdgConfigHome) {
  WriteJournal(Base() + "/cfg\xff");
  qputenv("XDG_CONFIG_HOME", Base() + "/cfg\xff");
  ExpectJournalIn(Base() + "/cfg\xff", Base() + "/cfg\xef\xbf\xbd");
}

TEST_F(ByteNamedConfigFolder, UnderAHomeNamedSo) {
  ASSERT_EQ(::mkdir((Base() + "/home\xff").constData(), 0700), 0);
  WriteJournal(Base() + "/home\xff/.config");
  qunsetenv("XDG_CONFIG_HOME");
  qputenv("HOME", Base() + "/home\xff");
  ExpectJournalIn(Base() + "/home\xff/.config", Base() + "/home\xef\xbf\xbd");
}

TEST_F(ByteNamedConfigFolder, FirstRunMakesItAndMessagesNameItAsTheUserKnowsIt) {
  const QByteArray config = Base() + "/new\xff/config";
  qputenv("XDG_CONFIG_HOME", config);
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(Exists(config + "/Tavrin/Sections.txt"));
  EXPECT_FALSE(Exists(Base() + "/new\xef\xbf\xbd"));
  // A file that is there but cannot be read is named by the folder's own name.
  ASSERT_EQ(::mkdir((config + "/Tavrin/Tavrin-DefaultStyle.txt").constData(), 0700), 0);
  ui().Clear();
  Module1::getDefaultStyle();
  EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("The file \"") + QFile::decodeName(config) +
                                         QStringLiteral("/Tavrin/Tavrin-DefaultStyle.txt\" could not be read: it is a "
                                                        "folder.")});
  EXPECT_EQ(CloseProgram(), 0);
}

}  // namespace
