// Text typed while no Section is shown (at start, after Save As, after Delete) belongs to no file:
// a switch or a close asks whether to keep it as a new Section or to discard it, and Cancel stays.
// The new-section dialog's OK makes it the new Section's text.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include "app/startup.h"
#include "filefaults.h"
#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

const QString kQuestion =
    QStringLiteral("The text in the editor belongs to no Section.  Keep it as a new Section?  No discards the text.");

class UnnamedText : public JournalTest {
 protected:
  Window1* w = nullptr;
  bool started_ = false;

  // Sections A and B with their text; the program started afresh.
  void Start() {
    if (started_) {
      if (fw::GetImplicitWindow("Window1")) {
        Editor().SetText(QString());  // nothing left to ask about at this close
        EXPECT_EQ(CloseProgram(), 0);
      }
      ReleaseModuleState();
      Module1::ResetState();
      ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    }
    started_ = true;
    WriteData("Sections.txt", "A\nB\n");
    WriteData("Tavrin-A.txt", "{\\rtf1\\ansi text of A\\par}");
    WriteData("Tavrin-B.txt", "{\\rtf1\\ansi text of B\\par}");
    w = StartProgram();
    ASSERT_NE(w, nullptr);
    ui().Clear();
  }
  fw::Listbox& List() { return w->LB1(); }
  fw::EditField& Editor() { return w->EF1(); }
  fw::EditField& Title() { return w->EditFieldNamed("SectionTitle"); }
  void Type(const QString& text) {
    QTextEdit* te = Editor().TextEdit();
    te->moveCursor(QTextCursor::End);
    te->insertPlainText(text);
  }
  getNewSection* Dialog() { return dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection")); }
  void NameAndOk(getNewSection* d, const QString& name) {
    d->Control<fw::EditField>("SectionName").SetText(name);
    d->Control<fw::PushButton>("OK").Push();
  }
  QStringList Rows() {
    QStringList rows;
    for (int i = 0; i < List().ListCount(); ++i) rows << List().Cell(i, 0);
    return rows;
  }
  // The data folder's files that hold `text`.
  QStringList FilesHolding(const QByteArray& text) {
    QStringList holding;
    for (const QString& name : QDir(DataPath()).entryList(QDir::Files))
      if (ReadData(name).contains(text)) holding << name;
    return holding;
  }
  void ExpectStillUnnamed(const QStringList& rows) {
    EXPECT_EQ(List().ListIndex(), -1);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Editor().Text(), "loose words");
    EXPECT_EQ(Title().Text(), "");
    EXPECT_EQ(Module1::MySection, "");
    EXPECT_EQ(Module1::LastSection, "");
    EXPECT_TRUE(FilesHolding("loose words").isEmpty());
  }
  // The ways to show no Section with an editor the user can type into.
  void LeadIn(const char* how) {
    const QString h = QString::fromLatin1(how);
    if (h == "after Save As") {
      List().UserSelectRow(0);
      Title().SetText("A2");
      w->ButtonNamed("SaveAs").Push();
    } else if (h == "after Delete") {
      List().UserSelectRow(1);
      ui().SetNextAnswer(fw::kAnswerYes);
      w->ButtonNamed("DeleteJournal").Push();
    }
    ui().Clear();
  }
};

TEST_F(UnnamedText, ASwitchAsksAndDoesWhatTheAnswerSays) {
  const struct {
    const char* leadIn;  // "at start", "after Save As", "after Delete"
    int answer;
    QStringList rows;  // after the lead-in
  } cases[] = {
      {"at start", fw::kAnswerCancel, {"A", "B"}},       {"after Save As", fw::kAnswerYes, {"A2", "B"}},
      {"after Delete", fw::kAnswerNo, {"A"}},            {"at start", fw::kAnswerYes, {"A", "B"}},
      {"after Save As", fw::kAnswerNo, {"A2", "B"}},     {"after Delete", fw::kAnswerCancel, {"A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.leadIn) + " answered " + std::to_string(c.answer));
    Start();
    LeadIn(c.leadIn);
    Type("loose words");
    ui().SetNextAnswer(c.answer);
    List().UserSelectRow(0);
    ASSERT_EQ(ui().Calls().size(), 1);
    EXPECT_EQ(ui().Calls()[0].Text, kQuestion);
    EXPECT_EQ(ui().Calls()[0].Buttons, 3 + 48) << "Yes, No and Cancel; Yes keeps the text";
    if (c.answer == fw::kAnswerNo) {
      EXPECT_EQ(List().ListIndex(), 0);
      EXPECT_EQ(Editor().Text(), "text of " + c.rows[0].left(1));
      EXPECT_TRUE(FilesHolding("loose words").isEmpty());
      continue;
    }
    ExpectStillUnnamed(c.rows);
    EXPECT_EQ(Dialog() != nullptr, c.answer == fw::kAnswerYes) << "Yes opens the dialog that names the text";
    if (!Dialog()) continue;
    NameAndOk(Dialog(), "Kept");
    EXPECT_EQ(Rows(), c.rows + QStringList{"Kept"});
    EXPECT_EQ(List().ListIndex(), static_cast<int>(c.rows.size()));
    EXPECT_EQ(Module1::MySection, "Kept");
    EXPECT_EQ(Editor().Text(), "loose words");
    EXPECT_EQ(FilesHolding("loose words"), QStringList{"Tavrin-Kept.txt"});
    EXPECT_TRUE(ReadData("Sections.txt").endsWith("Kept\n"));
    // Now it is a Section like any other: leaving it asks nothing.
    ui().Clear();
    List().UserSelectRow(0);
    EXPECT_TRUE(ui().Calls().isEmpty());
  }
}

TEST_F(UnnamedText, ACloseAsksAndCancelOrYesKeepsTheWindowOpen) {
  const struct {
    const char* what;
    int answer;
  } cases[] = {{"close box", fw::kAnswerCancel}, {"Quit", fw::kAnswerCancel}, {"close box", fw::kAnswerYes},
               {"Quit", fw::kAnswerYes},         {"close box", fw::kAnswerNo},  {"Quit", fw::kAnswerNo}};
  for (const auto& [road, answer] : cases) {
    SCOPED_TRACE(std::string(road) + " answered " + std::to_string(answer));
    Start();
    Type("loose words");
    ui().SetNextAnswer(answer);
    if (QString::fromLatin1(road) == "Quit") fw::QuitFromMenu();
    else w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ui().Messages(), QStringList{kQuestion});
    if (answer == fw::kAnswerNo) {
      EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
      EXPECT_EQ(fw::FinishApplication(0), 0);
      EXPECT_TRUE(FilesHolding("loose words").isEmpty());
      EXPECT_EQ(ReadData("Sections.txt"), "A\nB\n");
      continue;
    }
    ASSERT_EQ(fw::GetImplicitWindow("Window1"), w) << "the window stays";
    ExpectStillUnnamed({"A", "B"});
    EXPECT_EQ(Dialog() != nullptr, answer == fw::kAnswerYes);
    if (!Dialog()) continue;
    NameAndOk(Dialog(), "Kept");
    ui().Clear();
    EXPECT_EQ(CloseProgram(), 0);
    EXPECT_TRUE(ui().Calls().isEmpty());
    EXPECT_EQ(FilesHolding("loose words"), QStringList{"Tavrin-Kept.txt"});
    EXPECT_EQ(ReadData("Sections.txt"), "A\nB\nKept\n");
  }
}

// Only text that no file holds is asked about: not an empty editor, not a Section's text left
// unchanged in the editor by a switch to no row, not a change of the tool row alone.
TEST_F(UnnamedText, NothingIsAskedWhenNoTextWouldBeLost) {
  const struct {
    const char* what;
    std::function<void()> leadIn;
  } cases[] = {
      {"an empty editor at start", [] {}},
      {"an editor emptied by hand", [this] { Type("x"); Editor().SetText(QString()); }},
      {"the tool row changed", [this] { w->BevelNamed("BoldButton").Click(); }},
      {"a Section's text left unchanged", [this] { List().UserSelectRow(1); List().SetListIndex(-1); }},
      {"a Section's edited text left by a switch to no row",
       [this] { List().UserSelectRow(1); Type(" edited"); List().SetListIndex(-1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    c.leadIn();
    ASSERT_EQ(List().ListIndex(), -1);
    ui().Clear();
    List().UserSelectRow(0);
    EXPECT_TRUE(ui().Calls().isEmpty()) << ui().Messages().join(" | ").toStdString();
    EXPECT_EQ(Editor().Text(), "text of A");
    List().SetListIndex(-1);
    Editor().SetText(QString());
    EXPECT_EQ(CloseProgram(), 0);
    EXPECT_TRUE(ui().Calls().isEmpty()) << ui().Messages().join(" | ").toStdString();
  }
  EXPECT_TRUE(ReadData("Tavrin-B.txt").contains("text of B edited"));
}

// New with such text asks nothing: the dialog's OK makes it the new Section's text (in the tool
// row's style, as Save As keeps it), Cancel leaves it in the editor, and a name whose files the list
// lost is refused, since saving would write their text away.
TEST_F(UnnamedText, TheNewSectionDialogKeepsTheText) {
  Start();
  WriteData("Tavrin-Lost.txt", "{\\rtf1\\ansi lost text\\par}");
  w->BevelNamed("BoldButton").Click();
  Type("loose words");
  Editor().TextEdit()->selectAll();
  Editor().SetSelBold(true);
  w->ButtonNamed("NewJournal").Push();
  ASSERT_NE(Dialog(), nullptr);
  EXPECT_TRUE(ui().Calls().isEmpty());
  Dialog()->Control<fw::PushButton>("Cancel").Push();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ExpectStillUnnamed({"A", "B"});

  w->ButtonNamed("NewJournal").Push();
  NameAndOk(Dialog(), "Lost");
  EXPECT_EQ(ui().Messages(),
            QStringList{"The data folder already holds files of a Section named Lost.  Choose another name."});
  ASSERT_NE(Dialog(), nullptr) << "the dialog stays for another name";
  EXPECT_EQ(ReadData("Tavrin-Lost.txt"), "{\\rtf1\\ansi lost text\\par}");
  ExpectStillUnnamed({"A", "B"});

  FileFaults::FailWrite("Tavrin-Notes.txt", "No space left on device");
  ui().Clear();
  NameAndOk(Dialog(), "Notes");
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].endsWith("could not be saved: No space left on device"));
  ASSERT_NE(Dialog(), nullptr) << "a failed save keeps the dialog open";
  ExpectStillUnnamed({"A", "B"});

  ui().Clear();
  NameAndOk(Dialog(), "Notes");
  EXPECT_TRUE(ui().Calls().isEmpty());
  EXPECT_EQ(Rows(), QStringList({"A", "B", "Notes"}));
  EXPECT_EQ(List().ListIndex(), 2);
  EXPECT_EQ(Editor().Text(), "loose words");
  EXPECT_TRUE(Editor().StyleAt(0).Bold);
  EXPECT_TRUE(ReadData("Tavrin-Notes-Style.txt").contains("Bold: \tTrue"));
  EXPECT_EQ(ReadData("Sections.txt"), "A\nB\nNotes\n");
}

}  // namespace
