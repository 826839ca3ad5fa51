// Ways a user's text or Section names could be lost: a save that fails half-way through a road,
// names whose files are another record's files, half characters in a name, a blank line that
// drops the typing style, a list that is written too late, leftovers of a killed program.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>

#include "filefaults.h"
#include "journalfixture.h"
#include "keys.h"
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

// Keystrokes as the user types them; "\n" is the Return key.
void Keys(QWidget* target, const QString& text) {
  for (QChar c : text) {
    if (c == u'\n') SendKey(target, Qt::Key_Return, QStringLiteral("\r"));
    else SendKey(target, c.toUpper().unicode(), QString(c));
  }
}

class NothingLost : public JournalTest {
 protected:
  Window1* w = nullptr;

  void Start(const QByteArray& sections) {
    WriteData("Sections.txt", sections);
    w = StartProgram();
    ASSERT_NE(w, nullptr);
  }
  fw::Listbox& List() { return w->LB1(); }
  fw::EditField& Editor() { return w->EF1(); }
  void Type(const QString& text) {
    QTextEdit* te = Editor().TextEdit();
    te->moveCursor(QTextCursor::End);
    te->insertPlainText(text);
  }
  getNewSection* OpenNewDialog() {
    w->ButtonNamed("NewJournal").Push();
    return dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection"));
  }
  fw::EditField& NameField(getNewSection* d) { return d->Control<fw::EditField>("SectionName"); }
  // Shows A, types into it and closes the main window while `failing` cannot be written, answering
  // the question No.
  void CloseWhile(const char* failing) {
    WriteData("Tavrin-A.txt", QByteArray());
    Start("A\n");
    List().UserSelectRow(0);
    Type("typed in A");
    ui().Clear();
    FileFaults::FailWrite(failing, "No space left on device");
    ui().SetNextAnswer(fw::kAnswerNo);
    w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

// A switch whose save fails goes no further: the user's text stays in the editor under its name,
// and the same switch succeeds once the disk takes the file again.
TEST_F(NothingLost, FailedSaveStopsTheSwitch) {
  WriteData("Tavrin-A.txt", QByteArray());
  Start("A\nB\n");
  List().UserSelectRow(0);
  Type("typed in A");
  ui().Clear();
  FileFaults::FailWrite("Tavrin-A.txt", "No space left on device");
  List().UserSelectRow(1);
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages().first().endsWith("could not be saved: No space left on device"));
  EXPECT_EQ(List().ListIndex(), 0);
  EXPECT_EQ(Module1::MySection, "A");
  EXPECT_EQ(Module1::LastSection, "A");
  EXPECT_EQ(Editor().Text(), "typed in A");
  EXPECT_EQ(w->EditFieldNamed("SectionTitle").Text(), "A");

  List().UserSelectRow(1);
  EXPECT_EQ(Module1::MySection, "B");
  EXPECT_EQ(Editor().Text(), "");
  List().UserSelectRow(0);
  EXPECT_EQ(Editor().Text(), "typed in A");
}

TEST_F(NothingLost, FailedSaveKeepsNewFromOpeningAndOkFromEmptyingTheEditor) {
  WriteData("Tavrin-A.txt", QByteArray());
  Start("A\n");
  List().UserSelectRow(0);
  Type("typed in A");
  FileFaults::FailWrite("Tavrin-A.txt", "No space left on device");
  EXPECT_EQ(OpenNewDialog(), nullptr);
  EXPECT_EQ(Editor().Text(), "typed in A");

  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  // Opening the dialog saved A; OK saves again only what changed since.
  Type(" and more");
  NameField(d).LineEdit()->insert("B");
  FileFaults::FailWrite("Tavrin-A.txt", "No space left on device");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_EQ(Editor().Text(), "typed in A and more");
  EXPECT_EQ(Module1::MySection, "A");
  EXPECT_EQ(List().ListCount(), 1);
  EXPECT_TRUE(d->IsOpened()) << "the dialog stays, so the user can try again or cancel";
}

// Closing while the shown Section cannot be saved asks first; No keeps the window and the text.
TEST_F(NothingLost, CloseWhoseSaveFailsAsksBeforeLosingTheText) {
  CloseWhile("Tavrin-A.txt");
  ASSERT_EQ(fw::GetImplicitWindow("Window1"), w) << "No keeps the main window open";
  EXPECT_EQ(Editor().Text(), "typed in A");
  ASSERT_EQ(ui().Calls().size(), 2);
  EXPECT_EQ(ui().Calls()[1].Text, "The text of the Section A could not be saved.  Quit anyway and lose the changes?");
  EXPECT_EQ(ui().Calls()[1].Buttons, 4 + 48 + 256) << "Yes/No with No as the default";

  // Once the disk takes the file again the close goes through without a question.
  ui().Clear();
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_TRUE(ui().Messages().isEmpty());
  EXPECT_TRUE(ReadData("Tavrin-A.txt").contains("typed in A"));
}

// Only the style file fails: the text is saved, and the question says what would be lost.
TEST_F(NothingLost, CloseWhoseStyleFileFailsNamesTheStyleFile) {
  CloseWhile("Tavrin-A-Style.txt");
  ASSERT_EQ(fw::GetImplicitWindow("Window1"), w) << "No keeps the main window open";
  EXPECT_TRUE(ReadData("Tavrin-A.txt").contains("typed in A"));
  EXPECT_EQ(ui().Messages(),
            QStringList({"The file \"" + DataPath("Tavrin-A-Style.txt") + "\" could not be saved: No space left on device",
                         "The text of the Section A is saved, but its style settings could not be saved.  Quit anyway "
                         "and lose them?"}));
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_TRUE(DataExists("Tavrin-A-Style.txt"));
}

TEST_F(NothingLost, CloseWhoseSaveFailsQuitsWhenTheUserSaysSo) {
  WriteData("Tavrin-A.txt", QByteArray());
  Start("A\n");
  List().UserSelectRow(0);
  Type("typed in A");
  FileFaults::FailWrite("Tavrin-A.txt", "No space left on device");
  ui().SetNextAnswer(fw::kAnswerYes);
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
}

// Every name whose files would be the program's own or another Section's is refused, in the
// new-section dialog and at Save As, without regard to case.
TEST_F(NothingLost, NamesThatWouldShareFilesAreRefused) {
  struct Case {
    const char* name;
    const char* message;  // "" when the name is taken
  } const cases[] = {
      {"Inkpots", "The name Inkpots is used by Tavrin for its own files.  Choose another name."},
      {"INKPOTS", "The name INKPOTS is used by Tavrin for its own files.  Choose another name."},
      {"DefaultStyle", "The name DefaultStyle is used by Tavrin for its own files.  Choose another name."},
      {"defaultstyle", "The name defaultstyle is used by Tavrin for its own files.  Choose another name."},
      {"Notes-Style", "A Section name cannot end in \"-Style\".  Choose another name."},
      {"notes-STYLE", "A Section name cannot end in \"-Style\".  Choose another name."},
      {"Style", ""},
      {"Inkpots 2", ""},
      {"Notes-Styles", ""},
  };
  Start("");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Module1::sectionNameProblem(QString::fromLatin1(c.name)), QString::fromLatin1(c.message));
  }
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  NameField(d).LineEdit()->insert("Inkpots");
  ui().Clear();
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_EQ(ui().Messages(), QStringList{QString::fromLatin1(cases[0].message)});
  EXPECT_EQ(List().ListCount(), 0);
  EXPECT_FALSE(DataExists("Tavrin-Inkpots-Style.txt"));
  NameField(d).LineEdit()->insert("Notes");
  d->Control<fw::PushButton>("OK").Push();
  ASSERT_EQ(List().ListCount(), 1);

  w->EditFieldNamed("SectionTitle").SetText("Notes-Style");
  ui().Clear();
  w->ButtonNamed("SaveAs").Push();
  EXPECT_EQ(ui().Messages(), QStringList{QString::fromLatin1(cases[4].message)});
  EXPECT_EQ(List().Cell(0, 0), "Notes");
  EXPECT_TRUE(DataExists("Tavrin-Notes-Style.txt"));
}

// The name field's limit counts characters: 25 emoji fit, a 26th is dropped whole, and what does
// not fit of a paste is cut between characters, never inside one.
TEST_F(NothingLost, NameLimitNeverHoldsHalfACharacter) {
  const QString grin = QStringLiteral("\U0001F600");
  Start("");
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  QLineEdit* le = NameField(d).LineEdit();
  struct Case {
    const char* what;
    QString start;     // the text already there, caret at the end
    QString inserted;  // typed or pasted
    QString expected;
  } const cases[] = {
      {"13 emoji (26 units) fit", "", grin.repeated(13), grin.repeated(13)},
      {"a 26th character is dropped whole", grin.repeated(25), grin, grin.repeated(25)},
      {"a paste is cut between characters", "a", grin.repeated(30), "a" + grin.repeated(24)},
      {"plain letters up to 25", "", QString(30, u'x'), QString(25, u'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NameField(d).SetText(c.start);
    le->end(false);
    le->insert(c.inserted);
    EXPECT_EQ(NameField(d).Text(), c.expected);
  }
  // Typed in the middle of a full field, the new character goes and the text around it stays.
  NameField(d).SetText(QString(24, u'x') + grin);
  le->setCursorPosition(3);
  le->insert("Q");
  EXPECT_EQ(NameField(d).Text(), QString(24, u'x') + grin);
  EXPECT_EQ(le->cursorPosition(), 3);

  NameField(d).SetText(grin.repeated(13));
  d->Control<fw::PushButton>("OK").Push();
  ASSERT_EQ(List().ListCount(), 1);
  EXPECT_EQ(List().Cell(0, 0), grin.repeated(13));
  EXPECT_TRUE(DataExists("Tavrin-" + grin.repeated(13) + ".txt"));
}

// Bold on, "AAA", Return, Return, "CCC": every character and paragraph mark stays in the typing
// style the user chose, and the file says so.
TEST_F(NothingLost, BlankLineKeepsTheTypingStyle) {
  Start("");
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  NameField(d).LineEdit()->insert("N");
  d->Control<fw::PushButton>("OK").Push();
  w->BevelNamed("BoldButton").Click();
  ASSERT_TRUE(w->BevelNamed("BoldButton").Value());
  Keys(Editor().TextEdit(), "AAA\n\nCCC");
  ASSERT_EQ(Editor().Text(), "AAA\n\nCCC");
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const fw::TextStyle s = Editor().StyleAt(i);
    EXPECT_TRUE(s.Bold);
    EXPECT_EQ(s.Font, "Arial");
    EXPECT_EQ(s.Size, 12);
  }
  EXPECT_EQ(CloseProgram(), 0);
  const QByteArray file = ReadData("Tavrin-N.txt");
  EXPECT_FALSE(file.contains("\\b0")) << file.toStdString();
  EXPECT_FALSE(file.contains("\\fs18")) << file.toStdString();
}

// New, Save As, a drag and a heading sort each write the list at once: a crash or a logout
// before the window closes must not leave Sections unlisted.
TEST_F(NothingLost, ListIsWrittenAfterEveryChangeOfItsRows) {
  WriteData("Tavrin-b.txt", QByteArray());
  WriteData("Tavrin-C.txt", QByteArray());
  Start("b\nC\n");
  List().MoveRow(1, 0);
  EXPECT_EQ(ReadData("Sections.txt"), "C\nb\n");
  List().SortByColumn(0, Qt::DescendingOrder);
  EXPECT_EQ(ReadData("Sections.txt").split('\n').size(), 3);
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  NameField(d).LineEdit()->insert("A");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_TRUE(ReadData("Sections.txt").endsWith("A\n"));
  Type("text of A");
  w->EditFieldNamed("SectionTitle").SetText("Z");
  w->ButtonNamed("SaveAs").Push();
  EXPECT_TRUE(ReadData("Sections.txt").endsWith("Z\n"));
  EXPECT_FALSE(ReadData("Sections.txt").contains("A\n"));
  EXPECT_TRUE(ReadData("Tavrin-Z.txt").contains("text of A"));
  EXPECT_FALSE(DataExists("Tavrin-A.txt"));
}

// A Save As whose list cannot be written keeps the old files: the list on disk still names them.
TEST_F(NothingLost, SaveAsKeepsTheOldFilesWhileTheListNamesThem) {
  WriteData("Tavrin-A.txt", QByteArray());
  WriteData("Tavrin-A-Style.txt", QByteArray());
  Start("A\n");
  List().UserSelectRow(0);
  Type("text of A");
  w->EditFieldNamed("SectionTitle").SetText("Z");
  FileFaults::FailWrite("Sections.txt", "No space left on device");
  w->ButtonNamed("SaveAs").Push();
  EXPECT_EQ(ReadData("Sections.txt"), "A\n");
  EXPECT_TRUE(DataExists("Tavrin-A.txt"));
  EXPECT_TRUE(DataExists("Tavrin-A-Style.txt"));
  EXPECT_TRUE(ReadData("Tavrin-Z.txt").contains("text of A"));
}

// Only the program's own temporary files are removed at start-up; everything else stays.
TEST_F(NothingLost, StartUpRemovesOnlyOurLeftoverTemporaries) {
  const QStringList leftovers = {"Tavrin-A.txt.AbCdEf", "Tavrin-A-Style.txt.x1Y2z3", "Sections.txt.QWERTY",
                                 "tavrin.txt.a1b2c3", "Tavrin-Inkpots.txt.ZZZZZZ"};
  const QStringList kept = {"Tavrin-A.txt", "Tavrin-A.txt.unreadable", "Tavrin-A.txt.unreadable-2",
                            "notes.txt.AbCdEf", "Tavrin-A.txt.AbCdE", "Tavrin-A.txt.AbCdEfG", "Tavrin-A.txt.Ab-dEf",
                            "Sections.txt", "photo.jpg"};
  for (const QString& name : leftovers + kept) WriteData(name, "x");
  WriteData("Sections.txt", "A\n");
  w = StartProgram();
  ASSERT_NE(w, nullptr);
  QStringList present = QDir(DataPath()).entryList(QDir::Files | QDir::Hidden);
  present.sort();
  QStringList expected = kept;
  expected.sort();
  EXPECT_EQ(present, expected);
}

}  // namespace
