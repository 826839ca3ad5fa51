// The section list file "Sections.txt": first run, reading it into LB1, writing it back, and a
// failed write that must leave the old list whole.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/startup.h"
#include "filefaults.h"
#include "journalfixture.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/controls/listbox.h"
#include "platform/controls/rectangle.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

namespace {

struct Row {
  QString name;
  QString tag;  // "Red", "White", or "" for none
};

std::vector<Row> RowsOf(const fw::Listbox& lb) {
  std::vector<Row> rows;
  for (int i = 0; i < lb.ListCount(); ++i) rows.push_back({lb.Cell(i, 0), lb.CellTag(i, 0).toString()});
  return rows;
}

void ExpectRows(const fw::Listbox& lb, const std::vector<Row>& expected) {
  const std::vector<Row> rows = RowsOf(lb);
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].name, expected[i].name) << "row " << i;
    EXPECT_EQ(rows[i].tag, expected[i].tag) << "row " << i;
  }
}

class SectionList : public JournalTest {
 protected:
  // A second run in the same process, without the closing that would save the list again.
  Window1* Restart() {
    ReleaseModuleState();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Module1::ResetState();
    prefModule::ResetState();
    return StartProgram();
  }
};

TEST_F(SectionList, FirstRunMakesDataFolderAndEmptyListFileAndBlackStyle) {
  ASSERT_FALSE(QFileInfo::exists(DataPath()));
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(QFileInfo(DataPath()).isDir());
  EXPECT_TRUE(DataExists("Sections.txt"));
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray());
  EXPECT_EQ(w->LB1().ListCount(), 0);
  EXPECT_EQ(w->RectNamed("ColorRect").FillColor(), fw::kBlack);
  EXPECT_EQ(fw::FromQColor(w->EF1().BaseFormat().foreground().color()), fw::kBlack);
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(SectionList, ListFileBecomesRowsAndTags) {
  struct Case {
    const char* what;
    QByteArray file;
    std::vector<Row> rows;
  };
  const Case cases[] = {
      {"a marked name between two plain ones", "Diary\n###Work\nIdeas\n",
       {{"Diary", "White"}, {"Work", "Red"}, {"Ideas", "White"}}},
      // Nothing after an empty line may be lost: the next save would drop it from the file.
      {"empty lines are skipped", "Diary\n\n\n###Work\n\nIdeas\n\n",
       {{"Diary", "White"}, {"Work", "Red"}, {"Ideas", "White"}}},
      {"leading and trailing blanks are kept", "  Diary \n### Work  \n", {{"  Diary ", "White"}, {" Work  ", "Red"}}},
      {"\"###\" alone is a marked row with an empty name", "###\nDiary\n", {{"", "Red"}, {"Diary", "White"}}},
      {"a last line without a line end", "Diary\n###Work", {{"Diary", "White"}, {"Work", "Red"}}},
      {"an empty file", "", {}},
  };
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w->LB1().DeleteAllRows();
    WriteData("Sections.txt", c.file);
    Module1::getSections();
    ExpectRows(w->LB1(), c.rows);
  }
}

TEST_F(SectionList, MissingListFileLeavesListEmptyAndCreatesNothing) {
  MakeDataFolder();
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->LB1().ListCount(), 0);
  EXPECT_FALSE(DataExists("Sections.txt"));
}

TEST_F(SectionList, SaveWritesOneLinePerRowWithMarks) {
  struct Case {
    const char* what;
    std::vector<Row> rows;  // tag "" = a row added during the run, without a tag
    QByteArray file;
  };
  const Case cases[] = {
      {"marked rows get ###", {{"Diary", "White"}, {"Work", "Red"}, {"Ideas", "White"}}, "Diary\n###Work\nIdeas\n"},
      {"the mark is compared without regard to case", {{"Work", "red"}}, "###Work\n"},
      {"an untagged row is written plain", {{"Diary", "Red"}, {"New one", ""}}, "###Diary\nNew one\n"},
      {"blanks are written as they are", {{"  Diary ", "White"}, {" Work", "Red"}}, "  Diary \n### Work\n"},
      {"an empty list writes an empty file", {}, ""},
  };
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  fw::Listbox& lb = w->LB1();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    lb.DeleteAllRows();
    for (const Row& r : c.rows) {
      lb.AddRow(r.name);
      if (!r.tag.isEmpty()) lb.SetCellTag(lb.LastIndex(), 0, r.tag);
    }
    Module1::saveSections();
    EXPECT_EQ(ReadData("Sections.txt"), c.file);
  }
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(SectionList, SavedListComesBackAtNextStart) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  fw::Listbox& lb = w->LB1();
  lb.AddRow("Zeta");
  lb.AddRow(" Alpha ");
  lb.SetCellTag(lb.LastIndex(), 0, QStringLiteral("Red"));
  lb.AddRow("Mid");  // added during the run: no tag
  lb.MoveRow(2, 0);
  Module1::saveSections();

  w = Restart();
  ASSERT_NE(w, nullptr);
  ExpectRows(w->LB1(), {{"Mid", "White"}, {"Zeta", "White"}, {" Alpha ", "Red"}});
  EXPECT_EQ(w->LB1().ListIndex(), -1);
}

TEST_F(SectionList, StoredDefaultColourDoesNotReachTheSwatchAtStart) {
  WriteData("Sections.txt", "");
  WriteData("Tavrin-DefaultStyle.txt",
            "DefaultFont: \tArial\nDefaultSize: \t12\nDefaultBold: \tFalse\nDefaultItalic: \tFalse\n"
            "DefaultUnderline: \tFalse\nDefaultColor: \t255\t0\t0\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->RectNamed("ColorRect").FillColor(), fw::kBlack);
  EXPECT_EQ(Module1::MyColor, fw::kBlack);
  EXPECT_EQ(Module1::DefaultColor, fw::kBlack);
  EXPECT_EQ(fw::FromQColor(w->EF1().BaseFormat().foreground().color()), fw::kBlack);
}

TEST_F(SectionList, FailedSaveKeepsOldFileAndNamesFileAndReason) {
  WriteData("Sections.txt", "Diary\n###Work\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  w->LB1().AddRow("Ideas");

  FileFaults::FailWrite("Sections.txt", "disk full");
  Module1::saveSections();
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray("Diary\n###Work\n"));
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Sections.txt"))) << ui().Messages()[0].toStdString();
  EXPECT_TRUE(ui().Messages()[0].contains("disk full")) << ui().Messages()[0].toStdString();
  // Nothing is left beside it from the failed attempt.
  EXPECT_EQ(QDir(DataPath()).entryList(QDir::Files), QStringList{"Sections.txt"});

  // The failure was for that one write: the next save goes through.
  ui().Clear();
  Module1::saveSections();
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray("Diary\n###Work\nIdeas\n"));
  EXPECT_TRUE(ui().Messages().isEmpty());
}

TEST_F(SectionList, ListFileThatCannotBeCreatedIsReported) {
  MakeDataFolder();
  ASSERT_TRUE(QDir().mkpath(DataPath("Sections.txt")));  // a folder where the file should be
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->LB1().ListCount(), 0);
  Module1::saveSections();
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Sections.txt")));
  EXPECT_FALSE(ui().Messages()[0].endsWith(": ")) << "no reason given";
  EXPECT_TRUE(QFileInfo(DataPath("Sections.txt")).isDir());
}

}  // namespace
