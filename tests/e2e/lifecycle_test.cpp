// The real program's life cycle beyond a close: one program per data folder, a killed program's
// lock, and the termination signals of a logout, `kill` or a closed terminal.

#include <gtest/gtest.h>

#include <QDir>
#include <QMap>
#include <QThread>
#include <signal.h>

#include "programsession.h"

namespace {

using namespace e2e;

constexpr int kContentHeight = 650;  // the seeded rectangle's

class LifeCycleTest : public ::testing::Test, protected ProgramSession {
 protected:
  void SetUp() override { BeginSession(); }
  void TearDown() override { EndSession(); }

  void SeedDiary() {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
    ASSERT_TRUE(WriteAll(DataPath("Sections.txt"), "Diary\n"));
    ASSERT_TRUE(WriteAll(DataPath("Tavrin-Diary.txt"), "{\\rtf1\\ansi Old words\\par}"));
    ASSERT_TRUE(WriteAll(DataPath("tavrin.txt"), "#Window1Position 40,60,900,650\n#MySection \n"));
  }
  Window StartAndWaitForWindow() {
    StartProgram();
    const Window w = WaitForMainWindow();
    EXPECT_NE(w, 0u) << "no main window; program log:\n" << qPrintable(ProgramLog());
    return w;
  }
  void ExpectEnds(QProcess& program, int status, const QString& logName = QStringLiteral("tavrin")) {
    ASSERT_TRUE(program.waitForFinished(kProgramEndMs)) << "still running; log:\n" << qPrintable(ProgramLog(logName));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << qPrintable(ProgramLog(logName));
    EXPECT_EQ(program.exitCode(), status) << qPrintable(ProgramLog(logName));
  }
  void WaitUntilListDrawn(Window w) {
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, w, &a));
    ASSERT_TRUE(WaitUntilDrawn(w, QRect(20, a.height - kContentHeight + 61, 160, 100)))
        << "the Section list was never drawn; log:\n" << qPrintable(ProgramLog());
  }
  // Shows "Diary" and types a word at the end of its text.
  void TypeIntoDiary(Window w) {
    WaitUntilListDrawn(w);
    const QPoint origin = ContentOrigin(w, kContentHeight);
    ClickAt(origin + QPoint(20 + 40, 61 + 32));  // the list's first row, below its heading
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, w, &a));
    // The start of the editor's first line, clear of where a caret would blink: its text shows.
    ASSERT_TRUE(WaitUntilDrawn(w, QRect(219 + 20, a.height - kContentHeight + 210 + 2, 60, 18)))
        << "the Section's text was never shown; log:\n" << qPrintable(ProgramLog());
    ClickAt(origin + QPoint(219 + 100, 210 + 100));  // into the editor
    QThread::msleep(300);
    TypeText(QStringLiteral("typedword"));
    QThread::msleep(1000);
  }
  void ExpectDiarySaved() {
    const QByteArray text = ReadAll(DataPath("Tavrin-Diary.txt"));
    EXPECT_TRUE(text.contains("typedword")) << text.constData();
    EXPECT_TRUE(text.contains("Old words")) << text.constData();
    EXPECT_EQ(ReadAll(DataPath("Sections.txt")), "Diary\n");
    EXPECT_TRUE(QFile::exists(DataPath("Tavrin-Inkpots.txt")));
    EXPECT_FALSE(QFile::exists(DataPath(".tavrin.lock")));
  }
  // Every entry of the data folder, hidden ones too, with its bytes.
  QMap<QString, QByteArray> DataContents() const {
    QMap<QString, QByteArray> contents;
    const QDir dir(DataPath());
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
      contents.insert(name, ReadAll(dir.filePath(name)));
    return contents;
  }
  // The root's mapped children, bottom of the stacking order first.
  QList<Window> TopLevels() {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    QList<Window> mapped;
    if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &up, &children, &n))
      for (unsigned int i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy_, children[i], &a) && a.map_state == IsViewable) mapped << children[i];
      }
    if (children) XFree(children);
    return mapped;
  }
  // A window named "Tavrin" other than `known`, within the time a window takes to show.
  Window WaitForAnotherWindow(Window known, QProcess& program) {
    Window found = 0;
    WaitUntil([&] {
      for (Window w : TopLevels())
        if (w != known && WindowName(dpy_, w) == "Tavrin") found = w;
      return found != 0;
    }, kWindowShownMs, &program);
    return found;
  }
};

TEST_F(LifeCycleTest, ASecondProgramOnTheFolderWritesNothingBringsTheFirstForwardAndEndsWithZero) {
  SeedDiary();
  const Window first = StartAndWaitForWindow();
  ASSERT_NE(first, 0u);
  const QMap<QString, QByteArray> before = DataContents();
  ASSERT_TRUE(before.contains(".tavrin.lock")) << "the running program holds no lock";

  // Another window over the program's, so that coming to the front shows.
  const Window cover = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1280, 1024, 0, 0, 0);
  XMapRaised(dpy_, cover);
  XSync(dpy_, False);
  ASSERT_GT(TopLevels().indexOf(cover), TopLevels().indexOf(first));

  QProcess second;
  StartProgram(second, QStringLiteral("second"));
  ExpectEnds(second, 0, QStringLiteral("second"));
  XSync(dpy_, False);
  EXPECT_GT(TopLevels().indexOf(first), TopLevels().indexOf(cover)) << "the running program did not come forward";
  EXPECT_EQ(DataContents(), before) << "the second program wrote into the data folder";

  // The first goes on as before; its close still saves, and unlocks.
  SendDeleteWindow(dpy_, first);
  ExpectEnds(program_, 0);
  EXPECT_FALSE(QFile::exists(DataPath(".tavrin.lock")));
}

// The running program cannot be reached (its socket is gone): the second says so, and writes
// nothing either.
TEST_F(LifeCycleTest, ASecondProgramThatCannotReachTheFirstSaysSoAndWritesNothing) {
  SeedDiary();
  const Window first = StartAndWaitForWindow();
  ASSERT_NE(first, 0u);
  const QDir runtime(runtime_.path());
  for (const QString& name : runtime.entryList({QStringLiteral("Tavrin-*")}, QDir::System))
    ASSERT_TRUE(QFile::remove(runtime.filePath(name)));
  const QMap<QString, QByteArray> before = DataContents();

  QProcess second;
  StartProgram(second, QStringLiteral("second"));
  const Window message = WaitForAnotherWindow(first, second);
  ASSERT_NE(message, 0u) << "no message from the second program; its log:\n" << qPrintable(ProgramLog("second"));
  EXPECT_EQ(DataContents(), before);
  SendDeleteWindow(dpy_, message);
  ExpectEnds(second, 1, QStringLiteral("second"));
  EXPECT_EQ(DataContents(), before) << "the second program wrote into the data folder";
  EXPECT_EQ(program_.state(), QProcess::Running) << "the first program ended";
}

// The first program is still saving a long Section as it closes when the second starts: the
// second waits for it and then opens as usual, with the text the first saved.
TEST_F(LifeCycleTest, ASecondProgramStartedWhileTheFirstClosesWaitsAndOpens) {
  SeedDiary();
  QByteArray text = "{\\rtf1\\ansi Old words\\par\n";
  const QByteArray paragraph = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor\\par\n";
  while (text.size() < 24 * 1024 * 1024) text += paragraph;
  ASSERT_TRUE(WriteAll(DataPath("Tavrin-Diary.txt"), text + "}"));
  const Window first = StartAndWaitForWindow();
  ASSERT_NE(first, 0u);
  TypeIntoDiary(first);

  SendDeleteWindow(dpy_, first);
  QProcess second;
  StartProgram(second, QStringLiteral("second"));
  ASSERT_EQ(program_.state(), QProcess::Running) << "the first had closed before the second started: the test shows nothing";
  ExpectEnds(program_, 0);
  const Window again = WaitForAnotherWindow(first, second);
  ASSERT_NE(again, 0u) << "no window from the second program; its log:\n" << qPrintable(ProgramLog("second"));
  // A message would be a small window; the main window opens at the seeded rectangle.
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, again, &a));
  EXPECT_EQ(a.width, 900) << "the second program showed a message instead of its main window";
  SendDeleteWindow(dpy_, again);
  ExpectEnds(second, 0, QStringLiteral("second"));
  const QByteArray saved = ReadAll(DataPath("Tavrin-Diary.txt"));
  EXPECT_TRUE(saved.contains("typedword"));
  EXPECT_FALSE(QFile::exists(DataPath(".tavrin.lock")));
}

TEST_F(LifeCycleTest, TheLockOfAKilledProgramDoesNotStopTheNextStart) {
  SeedDiary();
  ASSERT_NE(StartAndWaitForWindow(), 0u);
  program_.kill();
  ASSERT_TRUE(program_.waitForFinished(kProgramEndMs));
  ASSERT_TRUE(QFile::exists(DataPath(".tavrin.lock"))) << "nothing left to take over: the test shows nothing";

  const Window again = StartAndWaitForWindow();
  ASSERT_NE(again, 0u);
  SendDeleteWindow(dpy_, again);
  ExpectEnds(program_, 0);
  EXPECT_FALSE(QFile::exists(DataPath(".tavrin.lock")));
  EXPECT_EQ(ReadAll(DataPath("Sections.txt")), "Diary\n");
}

class SignalTest : public LifeCycleTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignalTest, SavesTheTypedTextAndEndsWithZero) {
  SeedDiary();
  const Window w = StartAndWaitForWindow();
  ASSERT_NE(w, 0u);
  TypeIntoDiary(w);

  ASSERT_EQ(::kill(static_cast<pid_t>(program_.processId()), GetParam()), 0);
  ExpectEnds(program_, 0);
  ExpectDiarySaved();
}

// Text typed before any Section is selected belongs to none: no one can be asked about it at a
// signal, so it is kept as a new Section.
TEST_P(SignalTest, KeepsTextOfNoSectionAsANewSection) {
  SeedDiary();
  const Window w = StartAndWaitForWindow();
  ASSERT_NE(w, 0u);
  WaitUntilListDrawn(w);
  ClickAt(ContentOrigin(w, kContentHeight) + QPoint(219 + 100, 210 + 100));  // into the editor
  QThread::msleep(300);
  TypeText(QStringLiteral("loosewords"));
  QThread::msleep(1000);

  ASSERT_EQ(::kill(static_cast<pid_t>(program_.processId()), GetParam()), 0);
  ExpectEnds(program_, 0);
  EXPECT_EQ(ReadAll(DataPath("Sections.txt")), "Diary\nUntitled\n");
  EXPECT_TRUE(ReadAll(DataPath("Tavrin-Untitled.txt")).contains("loosewords"));
  EXPECT_EQ(ReadAll(DataPath("Tavrin-Diary.txt")), "{\\rtf1\\ansi Old words\\par}");
}

// The signal comes while Delete's "Are you sure" waits for an answer: the question is answered
// No, and then everything is saved as at a close.
TEST_P(SignalTest, AQuestionOpenAtTheSignalIsAnsweredNoAndTheTextIsSaved) {
  SeedDiary();
  const Window w = StartAndWaitForWindow();
  ASSERT_NE(w, 0u);
  TypeIntoDiary(w);
  ClickAt(ContentOrigin(w, kContentHeight) + QPoint(125 + 40, 22 + 10));  // Delete
  ASSERT_NE(WaitForAnotherWindow(w, program_), 0u) << "no question shown; log:\n" << qPrintable(ProgramLog());

  ASSERT_EQ(::kill(static_cast<pid_t>(program_.processId()), GetParam()), 0);
  ExpectEnds(program_, 0);
  ExpectDiarySaved();
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

}  // namespace
