// The preferences file "tavrin.txt": the directive parser, what loadPrefs applies, and the two
// lines savePrefs writes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "filefaults.h"
#include "journalfixture.h"
#include "store/module1.h"
#include "store/prefmodule.h"

namespace {

struct Rect {
  int top, left, width, height;
};

void ExpectRect(const Rect& r) {
  EXPECT_EQ(prefModule::Window1Top, r.top);
  EXPECT_EQ(prefModule::Window1Left, r.left);
  EXPECT_EQ(prefModule::Window1Width, r.width);
  EXPECT_EQ(prefModule::Window1Height, r.height);
}

class Prefs : public JournalTest {
 protected:
  // A start with `file` as the preferences file: the rectangle and Module1::MySection ("Old"
  // before) as loadPrefs leaves them.
  void LoadExpecting(const QByteArray& file, const Rect& rect, const QString& section) {
    prefModule::ResetState();
    Module1::MySection = "Old";
    WriteData("tavrin.txt", file);
    prefModule::loadPrefs();
    ExpectRect(rect);
    EXPECT_EQ(Module1::MySection, section);
  }
};

TEST_F(Prefs, NoFileGivesTheDefaultRectangle) {
  EXPECT_FALSE(prefModule::extractDirectives(prefModule::prefsFile()));
  EXPECT_FALSE(prefModule::extractDirectives(nullptr));
  Module1::MySection = "Old";
  prefModule::loadPrefs();
  ExpectRect({150, 150, 700, 500});
  EXPECT_EQ(Module1::MySection, "");
  EXPECT_FALSE(QFileInfo::exists(DataPath())) << "loading never creates the data folder";
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Prefs, UnreadableFileGivesTheDefaultRectangle) {
  MakeDataFolder();
  ASSERT_TRUE(QDir().mkpath(DataPath("tavrin.txt")));  // exists, but cannot be read as a file
  prefModule::loadPrefs();
  ExpectRect({150, 150, 700, 500});
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Prefs, DirectivesOfTheFileAreApplied) {
  struct Case {
    const char* what;
    QByteArray file;
    Rect rect;
    QString section;   // Module1::MySection afterwards; it is "Old" before
    int directives;    // upper bound of gDirectives
  };
  const Case cases[] = {
      {"the file as written", "#Window1Position 40,60,900,650\n#MySection Diary\n", {40, 60, 900, 650}, "Diary", 2},
      {"an empty file: nothing changes", "", {0, 0, 0, 0}, "Old", 0},
      {"an empty first line ends the block", "\n#Window1Position 1,2,3,4\n#MySection Diary\n", {0, 0, 0, 0}, "Old", 0},
      {"the name in lower case", "#window1position 1,2,3,4\n#MYSECTION Diary\n", {1, 2, 3, 4}, "Diary", 2},
      {"two fields only", "#Window1Position 10,20\n", {10, 20, 0, 0}, "Old", 1},
      {"a field that is not a number", "#Window1Position x,20,30.9,40 px\n", {0, 20, 30, 40}, "Old", 1},
      {"nothing after the blank", "#MySection \n", {0, 0, 0, 0}, "", 1},
      {"a name with blanks, kept whole", "#MySection  My  Diary \n", {0, 0, 0, 0}, " My  Diary ", 1},
      {"comments before, between and after",
       "'first\n#Window1Position 1,2,3,4\n' between\n#MySection Diary\n'last\n", {1, 2, 3, 4}, "Diary", 2},
      {"a line starting with a blank ends the block", "#Window1Position 1,2,3,4\n #MySection A\n#MySection B\n",
       {1, 2, 3, 4}, "Old", 1},
      {"a line starting with a letter ends the block", "#MySection A\nWindow1Position\n#MySection B\n", {0, 0, 0, 0},
       "A", 1},
      {"a line starting with a TAB ends the block", "#MySection A\n\t#MySection B\n", {0, 0, 0, 0}, "A", 1},
      {"a # line without a blank is skipped", "#Window1Position\n#MySection A\n", {0, 0, 0, 0}, "A", 1},
      {"a TAB does not separate name and text", "#Window1Position\t1,2,3,4\n#MySection A\n", {0, 0, 0, 0}, "A", 1},
      {"\"# x\" has an empty name", "# x\n#MySection A\n", {0, 0, 0, 0}, "A", 2},
      {"unknown names are parsed and ignored", "#Colour red\n#MySection A\n", {0, 0, 0, 0}, "A", 2},
      {"the second of two wins", "#MySection A\n#Window1Position 1,2,3,4\n#MySection B\n#Window1Position 5,6,7,8\n",
       {5, 6, 7, 8}, "B", 4},
      {"lines ended as on other systems", "#Window1Position 1,2,3,4\r\n#MySection A\r\n", {1, 2, 3, 4}, "A", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoadExpecting(c.file, c.rect, c.section);
    ASSERT_EQ(prefModule::gDirectives.size(), c.directives + 1);
    EXPECT_EQ(prefModule::gDirectives[0], nullptr);
    for (int i = 1; i <= c.directives; ++i) EXPECT_NE(prefModule::gDirectives[i], nullptr) << i;
  }
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Prefs, ParserKeepsNamesLowerCasedAndTextsVerbatim) {
  WriteData("tavrin.txt", "'c\n#Window1Position 1, 2 ,3,4\n# x\n#MySection  Two  words\n#MySection \nend\n#Late one\n");
  EXPECT_TRUE(prefModule::extractDirectives(prefModule::prefsFile()));
  struct Expected {
    QString name, text;
  };
  const Expected expected[] = {{"window1position", "1, 2 ,3,4"}, {"", "x"}, {"mysection", " Two  words"}, {"mysection", ""}};
  ASSERT_EQ(prefModule::gDirectives.size(), 5);
  EXPECT_EQ(prefModule::gDirectives[0], nullptr);
  for (int i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(prefModule::gDirectives[i]->name, expected[i - 1].name);
    EXPECT_EQ(prefModule::gDirectives[i]->text, expected[i - 1].text);
  }
}

// A preferences file of megabytes is no preferences file the program wrote: its start is read,
// and neither its size nor its longest line decides how long loading takes or what it keeps.
TEST_F(Prefs, AHugeFileIsReadOnlyAsFarAsItsStart) {
  const QByteArray comments = QByteArray("'") + QByteArray(99, 'c') + '\n';
  const QByteArray megabytes = comments.repeated(40'000);  // 4 MB
  const QByteArray line = QByteArray(4'000'000, 'x');
  struct Case {
    const char* what;
    QByteArray file;
    Rect rect;
    QString section;  // Module1::MySection afterwards; it is "Old" before
  };
  const Case cases[] = {
      {"directives before megabytes of comments, one after them",
       "#Window1Position 1,2,3,4\n#MySection First\n" + megabytes + "#MySection Late\n#Window1Position 5,6,7,8\n",
       {1, 2, 3, 4}, "First"},
      {"a directive of megabytes first: nothing after it is read either",
       "#MySection " + line + "\n#Window1Position 1,2,3,4\n", {0, 0, 0, 0}, "Old"},
      {"a directive of megabytes last", "#Window1Position 1,2,3,4\n#MySection " + line + '\n', {1, 2, 3, 4}, "Old"},
      {"megabytes of directives", QByteArray("#Window1Position 1,2,3,4\n#MySection A\n").repeated(200'000),
       {1, 2, 3, 4}, "A"},
      {"megabytes without a line end", "#MySection A\n#MySection " + line, {0, 0, 0, 0}, "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoadExpecting(c.file, c.rect, c.section);
    qsizetype kept = 0;
    for (int i = 1; i < prefModule::gDirectives.size(); ++i)
      kept += prefModule::gDirectives[i]->name.size() + prefModule::gDirectives[i]->text.size();
    EXPECT_LT(kept, 1'000'000) << "characters kept from a file of " << c.file.size() << " bytes";
  }
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Prefs, SaveWritesTheRectangleAndTheSection) {
  struct Case {
    const char* what;
    Rect rect;
    QString section;
    QByteArray file;
  };
  const Case cases[] = {
      {"a moved and resized window", {40, 60, 900, 650}, "Diary", "#Window1Position 40,60,900,650\n#MySection Diary\n"},
      {"no Section shown: the blank stays", {150, 150, 700, 500}, "", "#Window1Position 150,150,700,500\n#MySection \n"},
      {"negative places and a name with blanks", {-20, -5, 700, 500}, " My Diary ",
       "#Window1Position -20,-5,700,500\n#MySection  My Diary \n"},
  };
  MakeDataFolder();
  WriteData("tavrin.txt", "#Window1Position 1,2,3,4\n#MySection A much longer name than any of the cases\n'c\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prefModule::Window1Top = c.rect.top;
    prefModule::Window1Left = c.rect.left;
    prefModule::Window1Width = c.rect.width;
    prefModule::Window1Height = c.rect.height;
    Module1::MySection = c.section;
    prefModule::savePrefs();
    EXPECT_EQ(ReadData("tavrin.txt"), c.file);

    // And it reads back as it was written.
    prefModule::ResetState();
    Module1::MySection = "Old";
    prefModule::loadPrefs();
    ExpectRect(c.rect);
    EXPECT_EQ(Module1::MySection, c.section);
  }
}

TEST_F(Prefs, SaveWithoutDataFolderWritesNothingAndShowsNothing) {
  prefModule::Window1Top = 40;
  Module1::MySection = "Diary";
  prefModule::savePrefs();
  EXPECT_FALSE(QFileInfo::exists(DataPath()));
  EXPECT_TRUE(ui().Calls().isEmpty());
}

// The file is written twice as the program ends (the main window's close, then the program's):
// one that cannot be written is told once, with its name and the reason, and the old one stays.
TEST_F(Prefs, AFailedSaveIsToldOnceAndKeepsTheOldFile) {
  const struct {
    const char* what;
    std::function<void()> breakIt;
    const char* reason;
  } cases[] = {
      {"the disk is full", [] { FileFaults::FailWrite("tavrin.txt", "disk full"); }, "disk full"},
      {"a folder stands in its place",
       [this] {
         if (QFileInfo(DataPath("tavrin.txt")).isFile()) {
           ASSERT_TRUE(QFile::remove(DataPath("tavrin.txt")));
         }
         ASSERT_TRUE(QDir().mkpath(DataPath("tavrin.txt")));
       },
       "it is a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(DataPath()).removeRecursively();
    prefModule::ResetState();
    ui().Clear();
    WriteData("tavrin.txt", "#Window1Position 1,2,3,4\n#MySection A\n");
    prefModule::Window1Top = 40;
    for (int write = 0; write < 2; ++write) {
      c.breakIt();
      prefModule::savePrefs();
    }
    EXPECT_EQ(ui().Messages(), QStringList({"The file \"" + DataPath("tavrin.txt") + "\" could not be saved: " +
                                            QString::fromLatin1(c.reason)}));
    if (QFileInfo(DataPath("tavrin.txt")).isFile()) {
      EXPECT_EQ(ReadData("tavrin.txt"), QByteArray("#Window1Position 1,2,3,4\n#MySection A\n"));
    }
  }
}

}  // namespace
