// One program per folder: the lock, taking over what a dead program left, and a second start's
// request that the holder come to the front.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

#include "platform/system/instancelock.h"

namespace {

const QString kLockName = QStringLiteral(".test.lock");

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString LockPath() const { return QDir(dir_.path()).filePath(kLockName); }
  void WriteLockFile(const QByteArray& content) {
    QFile f(LockPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(content), content.size());
  }
  QTemporaryDir dir_;
};

// A process id that no process has any more.
qint64 DeadPid() {
  QProcess p;
  p.start(QStringLiteral("true"), {});
  if (!p.waitForStarted(5000)) return -1;
  const qint64 pid = p.processId();
  p.waitForFinished(5000);
  return pid;
}

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstReleases) {
  fw::InstanceLock first(dir_.path(), kLockName);
  ASSERT_EQ(first.Acquire({}), fw::InstanceLock::State::Locked);
  EXPECT_TRUE(QFile::exists(LockPath()));
  {
    fw::InstanceLock second(dir_.path(), kLockName);
    EXPECT_EQ(second.Acquire({}), fw::InstanceLock::State::HeldByAnother);
  }
  // The refused one leaves the holder's lock alone.
  EXPECT_TRUE(QFile::exists(LockPath()));
  first.Release();
  EXPECT_FALSE(QFile::exists(LockPath()));
  fw::InstanceLock third(dir_.path(), kLockName);
  EXPECT_EQ(third.Acquire({}), fw::InstanceLock::State::Locked);
}

TEST_F(InstanceLockTest, WhatADeadProgramLeftIsTakenOver) {
  const qint64 dead = DeadPid();
  ASSERT_GT(dead, 0);
  struct Case {
    const char* what;
    QByteArray content;
  };
  const Case cases[] = {
      {"its owner is gone", QByteArray::number(dead) + "\ntrue\n\n"},
      // Cut short between making the file and writing it (a power cut): no owner to ask about.
      {"empty", ""},
      {"no process id", "\n\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteLockFile(c.content);
    fw::InstanceLock lock(dir_.path(), kLockName);
    EXPECT_EQ(lock.Acquire({}), fw::InstanceLock::State::Locked);
    lock.Release();
    EXPECT_FALSE(QFile::exists(LockPath()));
  }
}

TEST_F(InstanceLockTest, ASecondStartBringsTheHolderToTheFront) {
  int raised = 0;
  fw::InstanceLock holder(dir_.path(), kLockName);
  ASSERT_EQ(holder.Acquire([&] { ++raised; }), fw::InstanceLock::State::Locked);

  // Through another spelling of the same folder: the name comes from the folder, not the words.
  const fw::InstanceLock second(dir_.path() + QStringLiteral("/./"), kLockName);
  std::atomic<int> answered{-1};
  // The second start waits on the holder, which answers from its event loop: two threads.
  std::thread client([&] { answered = second.ActivateHolder(5000) ? 1 : 0; });
  while (answered < 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  client.join();
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(raised, 1);
}

// A request written before the holder's loop takes the connection is answered all the same.
TEST_F(InstanceLockTest, ARequestWaitingWhenTheHolderTakesTheConnectionIsAnswered) {
  int raised = 0;
  fw::InstanceLock holder(dir_.path(), kLockName);
  ASSERT_EQ(holder.Acquire([&] { ++raised; }), fw::InstanceLock::State::Locked);
  const fw::InstanceLock second(dir_.path(), kLockName);
  std::atomic<int> answered{-1};
  std::thread client([&] { answered = second.ActivateHolder(5000) ? 1 : 0; });
  // The holder is busy while the request is written.
  QThread::msleep(300);
  while (answered < 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  client.join();
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(raised, 1);
}

// A second start whose holder does not answer takes the folder only when no program holds the
// lock file's own lock: a holder that runs keeps it; a lock whose process id now belongs to another
// program of the same name (here: this one, which never locked it) is taken over.
TEST_F(InstanceLockTest, AnUnansweredLockIsTakenOverOnlyWhenNoProgramHoldsIt) {
  QByteArray liveButUnheld;
  {
    QLockFile probe(LockPath());
    ASSERT_TRUE(probe.tryLock(0));
    QFile f(LockPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    liveButUnheld = f.readAll();
    probe.unlock();
  }
  ASSERT_FALSE(liveButUnheld.isEmpty());
  {
    SCOPED_TRACE("a holder that runs");
    fw::InstanceLock holder(dir_.path(), kLockName);
    ASSERT_EQ(holder.Acquire({}), fw::InstanceLock::State::Locked);
    fw::InstanceLock second(dir_.path(), kLockName);
    ASSERT_EQ(second.Acquire({}), fw::InstanceLock::State::HeldByAnother);
    EXPECT_EQ(second.TakeOverUnheld(), fw::InstanceLock::State::HeldByAnother);
    EXPECT_TRUE(QFile::exists(LockPath()));
    holder.Release();
    EXPECT_FALSE(QFile::exists(LockPath()));
  }
  {
    SCOPED_TRACE("a live process id, no holder");
    WriteLockFile(liveButUnheld);
    fw::InstanceLock second(dir_.path(), kLockName);
    ASSERT_EQ(second.Acquire({}), fw::InstanceLock::State::HeldByAnother) << "its process runs: it looks held";
    EXPECT_EQ(second.TakeOverUnheld(), fw::InstanceLock::State::Locked);
    fw::InstanceLock third(dir_.path(), kLockName);
    EXPECT_EQ(third.Acquire({}), fw::InstanceLock::State::HeldByAnother) << "taken over means held";
    second.Release();
    EXPECT_FALSE(QFile::exists(LockPath()));
  }
  {
    SCOPED_TRACE("the lock file went with its holder");
    fw::InstanceLock holder(dir_.path(), kLockName);
    ASSERT_EQ(holder.Acquire({}), fw::InstanceLock::State::Locked);
    fw::InstanceLock second(dir_.path(), kLockName);
    ASSERT_EQ(second.Acquire({}), fw::InstanceLock::State::HeldByAnother);
    holder.Release();
    EXPECT_EQ(second.TakeOverUnheld(), fw::InstanceLock::State::Locked);
    second.Release();
  }
}

// The other program of the test below, run as a process of its own: it takes the folder, says
// so, stays busy for a while (its event loop does not run, as in a long save) and then answers
// requests from its event loop for a while before it lets the folder go and ends, as a closing
// program does.
TEST(InstanceLockOtherProgram, DISABLED_HoldsTheFolder) {
  fw::InstanceLock lock(qEnvironmentVariable("TEST_LOCK_FOLDER"), kLockName);
  int raised = 0;
  ASSERT_EQ(lock.Acquire([&] { ++raised; }), fw::InstanceLock::State::Locked);
  std::printf("\nheld\n");
  std::fflush(stdout);
  QThread::msleep(qEnvironmentVariableIntValue("TEST_LOCK_BUSY_MS"));
  const QDeadlineTimer answering(qEnvironmentVariableIntValue("TEST_LOCK_ANSWER_MS"));
  while (!answering.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  lock.Release();
  std::printf("\nraised %d\n", raised);
  std::fflush(stdout);
}

// A second start while another program holds the folder: it waits while that program is busy,
// takes the folder once the program has let it go, or brings it to the front once it answers;
// it gives up only while the program still holds the folder at the end of its wait.
TEST_F(InstanceLockTest, ASecondStartWaitsForAHolderThatIsBusyOrClosing) {
  struct Case {
    const char* what;
    int busyMs, answerMs, waitMs;
    fw::InstanceLock::State reached;
    const char* holderSays;
  } const cases[] = {
      {"it closes while the second start waits", 1500, 0, 20000, fw::InstanceLock::State::Locked, "raised 0"},
      {"it is busy, then answers", 1500, 1000, 20000, fw::InstanceLock::State::Raised, "raised 1"},
      {"it stays busy past the wait", 1500, 0, 500, fw::InstanceLock::State::HeldByAnother, "raised 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QProcess holder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TEST_LOCK_FOLDER", dir_.path());
    env.insert("TEST_LOCK_BUSY_MS", QString::number(c.busyMs));
    env.insert("TEST_LOCK_ANSWER_MS", QString::number(c.answerMs));
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_also_run_disabled_tests", "--gtest_filter=InstanceLockOtherProgram.DISABLED_HoldsTheFolder"});
    QByteArray said;
    const QDeadlineTimer started(10000);
    // A loaded machine may take longer than one wait for output to start the other program.
    while (!said.contains("\nheld\n") && !started.hasExpired() && holder.state() != QProcess::NotRunning) {
      holder.waitForReadyRead(100);
      said += holder.readAll();
    }
    ASSERT_TRUE(said.contains("\nheld\n")) << said.constData();

    fw::InstanceLock second(dir_.path(), kLockName);
    ASSERT_EQ(second.Acquire({}), fw::InstanceLock::State::HeldByAnother);
    EXPECT_EQ(second.ReachHolder(c.waitMs), c.reached);
    ASSERT_TRUE(holder.waitForFinished(10000));
    said += holder.readAll();
    EXPECT_TRUE(said.contains(QByteArray("\n") + c.holderSays + "\n")) << said.constData();
    EXPECT_EQ(QFile::exists(LockPath()), c.reached == fw::InstanceLock::State::Locked);
    second.Release();
    EXPECT_FALSE(QFile::exists(LockPath()));
  }
}

TEST_F(InstanceLockTest, WithNoHolderListeningTheRequestFailsAtOnce) {
  const fw::InstanceLock nobody(dir_.path(), kLockName);
  EXPECT_FALSE(nobody.ActivateHolder(5000));
}

}  // namespace

namespace {

// Folders whose names are not valid UTF-8 are reached through the links of their open folders;
// those that differ only in such a byte are two folders, each with its own address.
TEST_F(InstanceLockTest, TheAddressIsTheFolderItselfWhateverItsName) {
  const QByteArray base = QFile::encodeName(dir_.path());
  QStringList links;
  for (const QByteArray& name : {QByteArray("/a\xff"), QByteArray("/a\xfe")}) {
    ASSERT_EQ(::mkdir((base + name).constData(), 0700), 0);
    const int fd = ::open((base + name).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    links << QStringLiteral("/proc/self/fd/") + QString::number(fd);
  }
  EXPECT_NE(fw::InstanceLock::ServerName(links[0]), fw::InstanceLock::ServerName(links[1]));
  // One folder by two spellings is one address.
  EXPECT_EQ(fw::InstanceLock::ServerName(links[0]), fw::InstanceLock::ServerName(links[0] + QStringLiteral("/.")));
  EXPECT_EQ(fw::InstanceLock::ServerName(dir_.path()), fw::InstanceLock::ServerName(dir_.path() + QStringLiteral("/./")));
  for (const QString& link : links) ::close(link.mid(link.lastIndexOf('/') + 1).toInt());
}

}  // namespace
