// A replace either lands whole or leaves the old file whole, whatever step of it fails, and it
// says why in the system's words. A real full disk is tried on a tiny tmpfs where this process may
// mount one; pipes and devices are never opened for reading nor written over.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filefaults.h"
#include "platform/system/atomicfile.h"
#include "platform/system/folderitem.h"
#include "platform/system/textoutputstream.h"
#include "tempfolder.h"

namespace {

using Step = fw::AtomicFile::Step;

class AtomicFileTest : public TempFolderTest {
 protected:
  fw::FolderItemPtr Item(const QString& name) const { return std::make_shared<fw::FolderItem>(PathOf(name)); }
};

// Each step of a replace, failing as the system call would: the old bytes survive every failure
// before the rename, nothing is left beside them, and the reason is the system's own. After the
// rename the new file is in place, and the replace is saved whatever the folder's sync says.
TEST_F(AtomicFileTest, AFailureAtAnyStepKeepsTheOldFileAndNamesTheReason) {
  struct Case {
    const char* what;
    Step step;
    int error;
    bool replaced;  // the rename happened before the failure
  } const cases[] = {
      {"open", Step::Open, EACCES, false},
      {"permissions of the new file", Step::Permissions, EPERM, false},
      {"write, full disk", Step::Write, ENOSPC, false},
      {"write, I/O error", Step::Write, EIO, false},
      {"sync", Step::Sync, EIO, false},
      {"close", Step::Close, EIO, false},
      {"rename", Step::Rename, EXDEV, false},
      {"folder sync", Step::SyncFolder, EIO, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write("t.txt", "old bytes\n");
    for (bool lines : {false, true}) {
      SCOPED_TRACE(lines ? "text stream" : "WriteAll");
      Write("t.txt", "old bytes\n");
      FileFaults::FailAt("t.txt", c.step, c.error);
      fw::FolderItemPtr item = Item("t.txt");
      QString reason;
      bool saved = false;
      if (lines) {
        std::shared_ptr<fw::TextOutputStream> out = item->CreateTextFile();
        if (out) {
          out->WriteLine("new bytes");
          saved = out->Close();
          reason = out->ErrorString();
        } else {
          reason = item->LastError();
        }
      } else {
        saved = item->WriteAll("new bytes\n");
        reason = item->LastError();
      }
      EXPECT_EQ(saved, c.replaced) << "a replace is told saved exactly when the new file is in place";
      EXPECT_EQ(reason, c.replaced ? QString() : QString::fromLocal8Bit(strerror(c.error)));
      EXPECT_EQ(Read("t.txt"), c.replaced ? "new bytes\n" : "old bytes\n");
      EXPECT_EQ(Entries(), QStringList{"t.txt"});
    }
  }
  EXPECT_TRUE(Item("t.txt")->WriteAll("after\n")) << "every fault is used up by the replace it hit";
  EXPECT_EQ(Read("t.txt"), "after\n");
}

// The replacement keeps the old file's permissions, except that its owner can always read and
// write it: a file of mode 000 is replaced because it could not be read, and must not come back
// unreadable again.
TEST_F(AtomicFileTest, ReplaceKeepsPermissionsAndFollowsALink) {
  const struct {
    mode_t before, after;
  } cases[] = {{0640, 0640}, {0604, 0604}, {0000, 0600}, {0200, 0600}, {0444, 0644}, {0755, 0755}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    QFile::remove(PathOf("link.txt"));
    QFile::remove(PathOf("real.txt"));
    Write("real.txt", "old");
    ASSERT_EQ(::chmod(PathOf("real.txt").toLocal8Bit().constData(), c.before), 0);
    ASSERT_TRUE(QFile::link(PathOf("real.txt"), PathOf("link.txt")));
    ASSERT_TRUE(Item("link.txt")->WriteAll("new"));
    EXPECT_TRUE(QFileInfo(PathOf("link.txt")).isSymLink()) << "the link stays a link";
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("real.txt").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.after);
    EXPECT_EQ(Read("real.txt"), "new");
  }
}

// A pipe named like one of the folder's files would block open() for good.
TEST_F(AtomicFileTest, PipesAreNeitherReadNorReplaced) {
  ASSERT_EQ(::mkfifo(PathOf("p.txt").toLocal8Bit().constData(), 0600), 0);
  fw::FolderItemPtr item = Item("p.txt");
  QByteArray data;
  EXPECT_FALSE(item->ReadAll(&data));
  EXPECT_EQ(item->LastError(), "it is not a regular file");
  EXPECT_EQ(item->OpenAsTextFile(), nullptr);
  EXPECT_FALSE(item->WriteAll("x"));
  EXPECT_EQ(item->LastError(), "it is not a regular file");
  EXPECT_EQ(item->CreateTextFile(), nullptr);
  struct stat st {};
  ASSERT_EQ(::lstat(PathOf("p.txt").toLocal8Bit().constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Entries(), QStringList{"p.txt"});
}

TEST(AtomicFileLeftovers, OnlyTheShapeOfOurTemporaryFilesCounts) {
  auto own = [](const QString& n) { return n.startsWith(QLatin1String("Tavrin-")) && n.endsWith(QLatin1String(".txt")); };
  struct Case {
    const char* name;
    bool leftover;
  } const cases[] = {{"Tavrin-A.txt.AbCdEf", true}, {"Tavrin-A.txt.123456", true}, {"Tavrin-A.txt", false},
                     {"Tavrin-A.txt.unreadable", false}, {"Tavrin-A.txt.AbCdE", false}, {"Tavrin-A.txt.Ab_dEf", false},
                     {"other.txt.AbCdEf", false}, {".AbCdEf", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fw::AtomicFile::IsLeftoverOf(QString::fromLatin1(c.name), +own), c.leftover);
  }
}

// A real full disk: a 64 KiB tmpfs (where this process may mount one, as CI's root may), filled up.
// A small replace is the case that once went wrong: its bytes sat in a buffer, the failed flush
// went unseen and the rename left an empty file.
TEST(AtomicFileFullDisk, ASmallReplaceKeepsTheOldFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray mountPoint = dir.path().toLocal8Bit();
  if (::geteuid() != 0 || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no tmpfs can be mounted here";
  struct Unmount {
    QByteArray at;
    ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
  } unmount{mountPoint};
  fw::FolderItem file(dir.path() + QStringLiteral("/Sections.txt"));
  ASSERT_TRUE(file.WriteAll("Diary\nWork\n"));
  {
    QFile filler(dir.path() + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
  }
  EXPECT_FALSE(file.WriteAll("Diary\nWork\nIdeas\n"));
  EXPECT_EQ(file.LastError(), QString::fromLocal8Bit(strerror(ENOSPC)));
  QFile f(dir.path() + QStringLiteral("/Sections.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "Diary\nWork\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"Sections.txt", "filler"}));
}

}  // namespace
