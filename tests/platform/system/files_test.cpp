// Text files as the journal store writes and reads them, and the promise every save relies on:
// a replace that fails, or is abandoned, leaves the old file whole and no debris beside it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "filefaults.h"
#include "platform/system/folderitem.h"
#include "platform/system/textinputstream.h"
#include "platform/system/textoutputstream.h"
#include "tempfolder.h"

namespace {

class FilesTest : public TempFolderTest {
 protected:
  fw::FolderItemPtr Folder() const { return std::make_shared<fw::FolderItem>(dir_.path()); }
  QStringList ReadLines(const QString& name, bool* endedClean) {
    QStringList lines;
    std::shared_ptr<fw::TextInputStream> in = Folder()->Child(name)->OpenAsTextFile();
    if (!in) return {"<nil>"};
    while (!in->EOF_()) lines << in->ReadLine();
    const QString past = in->ReadLine();
    *endedClean = past.isEmpty() && in->EOF_();
    in->Close();
    return lines;
  }
};

TEST_F(FilesTest, WrittenLinesAreUtf8WithLfAndReadBackTheSame) {
  const QStringList lines = {"Work", QString::fromUtf8("Zweite Zeile: äöü"), QString::fromUtf8("clef \xF0\x9D\x84\x9E"),
                             "", "#MySection "};
  std::shared_ptr<fw::TextOutputStream> out = Folder()->Child("t.txt")->CreateTextFile();
  ASSERT_NE(out, nullptr);
  for (const QString& l : lines) out->WriteLine(l);
  ASSERT_TRUE(out->Close()) << out->ErrorString().toStdString();
  EXPECT_EQ(Read("t.txt"), (lines.join(u'\n') + u'\n').toUtf8());
  bool clean = false;
  EXPECT_EQ(ReadLines("t.txt", &clean), lines);
  EXPECT_TRUE(clean);
}

TEST_F(FilesTest, ReadsLinesOfFilesWrittenElsewhere) {
  const struct {
    const char* what;
    QByteArray bytes;
    QStringList lines;
  } cases[] = {
      {"CRLF", "one\r\ntwo\r\n", {"one", "two"}},
      {"mixed", "one\r\ntwo\n", {"one", "two"}},
      {"no line end at the end", "one\ntwo", {"one", "two"}},
      {"empty file", "", {}},
      {"one empty line", "\n", {""}},
      {"empty line kept before the end", "one\n\n", {"one", ""}},
      {"UTF-8", "gr\xC3\xBCn\n", {QString::fromUtf8("grün")}},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF#MySection x\n", {"#MySection x"}},
  };
  for (const auto& c : cases) {
    Write("in.txt", c.bytes);
    bool clean = false;
    EXPECT_EQ(ReadLines("in.txt", &clean), c.lines) << c.what;
    EXPECT_TRUE(clean) << c.what << ": ReadLine past the end must give \"\" and EOF_ stay true";
  }
}

TEST_F(FilesTest, ALimitedReadEndsWithTheLastWholeLineWithinTheLimit) {
  const struct {
    const char* what;
    QByteArray bytes;
    qint64 limit;
    QStringList lines;
  } cases[] = {
      {"shorter than the limit", "one\ntwo", 8, {"one", "two"}},
      {"exactly the limit", "one\ntwo\n", 8, {"one", "two"}},
      {"exactly the limit, no line end", "one\ntwo", 7, {"one", "two"}},
      {"the limit after a line end", "one\ntwo\nthree\n", 8, {"one", "two"}},
      {"the limit inside a line", "one\ntwo\nthree\n", 10, {"one", "two"}},
      {"the limit before the line end", "one\ntwo\nthree\n", 7, {"one"}},
      {"no line end within the limit", "a long first line\nsecond\n", 5, {}},
      {"the limit inside a character", "one\ngr\xC3\xBCn\n", 7, {"one"}},
      {"CRLF cut between CR and LF", "one\r\ntwo\r\n", 9, {"one"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("in.txt", c.bytes);
    std::shared_ptr<fw::TextInputStream> in = Folder()->Child("in.txt")->OpenAsTextFile(c.limit);
    ASSERT_NE(in, nullptr);
    QStringList lines;
    while (!in->EOF_()) lines << in->ReadLine();
    EXPECT_EQ(lines, c.lines);
  }
}

TEST_F(FilesTest, OpenAsTextFileIsNilForMissingFilesAndFolders) {
  EXPECT_EQ(Folder()->Child("missing.txt")->OpenAsTextFile(), nullptr);
  ASSERT_TRUE(QDir(dir_.path()).mkdir("sub"));
  EXPECT_EQ(Folder()->Child("sub")->OpenAsTextFile(), nullptr);
}

TEST_F(FilesTest, ChildRefusesNamesThatAreNotOneFileName) {
  const struct {
    QString name;
    bool valid;
  } cases[] = {
      {"", false},          {".", false},         {"..", false},         {"a/b", false},
      {"/etc", false},      {"a/", false},        {QString::fromUtf8("a\0b", 3), false},
      {"Work.txt", true},   {"...", true},        {".hidden", true},     {"a b", true},
      {"a\\b", true},
  };
  for (const auto& c : cases) {
    fw::FolderItemPtr child = Folder()->Child(c.name);
    EXPECT_EQ(child != nullptr, c.valid) << '"' << c.name.toStdString() << '"';
    if (child) {
      EXPECT_FALSE(child->Exists()) << "a missing name still gives an item";
      EXPECT_EQ(child->Name(), c.name);
    }
  }
}

TEST_F(FilesTest, SuccessfulReplaceLeavesOnlyTheNewFile) {
  Write("t.txt", "old\n");
  std::shared_ptr<fw::TextOutputStream> out = Folder()->Child("t.txt")->CreateTextFile();
  ASSERT_NE(out, nullptr);
  out->WriteLine("new");
  EXPECT_EQ(Read("t.txt"), "old\n") << "the old file stays until Close";
  ASSERT_TRUE(out->Close());
  EXPECT_EQ(Read("t.txt"), "new\n");
  EXPECT_EQ(Entries(), QStringList{"t.txt"});
}

// Each way a replace can go wrong; the old file must come through byte for byte and nothing may be
// left beside it, even while the failed stream is still held.
TEST_F(FilesTest, FailedOrAbandonedReplaceLeavesTheOldFileWhole) {
  const QByteArray old = QByteArray("line one\r\n\xC3\xA4 second\n") + QByteArray(1, '\0') + "tail";
  enum class Way { InjectedFailure, DestroyedWithoutClose, CloseTwiceAfterFailure };
  for (Way way : {Way::InjectedFailure, Way::DestroyedWithoutClose, Way::CloseTwiceAfterFailure}) {
    SCOPED_TRACE(static_cast<int>(way));
    Write("t.txt", old);
    {
      if (way != Way::DestroyedWithoutClose) FileFaults::FailWrite("t.txt", "disk full");
      std::shared_ptr<fw::TextOutputStream> out = Folder()->Child("t.txt")->CreateTextFile();
      ASSERT_NE(out, nullptr);
      for (int i = 0; i < 1000; ++i) out->WriteLine("new text that must never reach the file");
      if (way != Way::DestroyedWithoutClose) {
        EXPECT_FALSE(out->Close());
        EXPECT_EQ(out->ErrorString(), "disk full");
        EXPECT_EQ(Entries(), QStringList{"t.txt"}) << "temporary file left while the stream is held";
        if (way == Way::CloseTwiceAfterFailure) {
          EXPECT_FALSE(out->Close());
        }
      }
    }
    EXPECT_EQ(Read("t.txt"), old);
    EXPECT_EQ(Entries(), QStringList{"t.txt"});
  }
  // The injected failure is used up: the next replace goes through.
  std::shared_ptr<fw::TextOutputStream> out = Folder()->Child("t.txt")->CreateTextFile();
  ASSERT_NE(out, nullptr);
  out->WriteLine("new");
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(Read("t.txt"), "new\n");
}

// WriteAll carries the styled section texts; it makes the same promise as the text streams.
TEST_F(FilesTest, FailedWriteAllLeavesTheOldFileWhole) {
  Write("t.txt", "old\n");
  fw::FolderItemPtr item = Folder()->Child("t.txt");
  FileFaults::FailWrite("t.txt", "disk full");
  EXPECT_FALSE(item->WriteAll(QByteArray(100000, 'n')));
  EXPECT_EQ(item->LastError(), "disk full");
  EXPECT_EQ(Read("t.txt"), "old\n");
  EXPECT_EQ(Entries(), QStringList{"t.txt"});
  EXPECT_TRUE(item->WriteAll("new"));
  EXPECT_EQ(Read("t.txt"), "new");
  EXPECT_EQ(Entries(), QStringList{"t.txt"});
}

TEST_F(FilesTest, ReplacingAFolderFailsWithoutDestroyingIt) {
  ASSERT_TRUE(QDir(dir_.path()).mkpath("t.txt"));
  Write("t.txt/inside", "keep");
  std::shared_ptr<fw::TextOutputStream> out = Folder()->Child("t.txt")->CreateTextFile();
  if (out) {
    out->WriteLine("new");
    EXPECT_FALSE(out->Close());
    out.reset();
  }
  EXPECT_FALSE(Folder()->Child("t.txt")->WriteAll("new"));
  EXPECT_TRUE(QFileInfo(PathOf("t.txt")).isDir());
  EXPECT_EQ(Read("t.txt/inside"), "keep");
  EXPECT_EQ(Entries(), QStringList{"t.txt"});
}

TEST_F(FilesTest, CreateTextFileInAMissingFolderIsNil) {
  fw::FolderItemPtr item = Folder()->Child("nowhere")->Child("t.txt");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->CreateTextFile(), nullptr);
  EXPECT_FALSE(item->LastError().isEmpty());
  EXPECT_TRUE(Entries().isEmpty());
}

}  // namespace
