// The Section roads: switching, marking, New, Delete and Save As, and what each leaves on disk.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "app/startup.h"
#include "filefaults.h"
#include "journalfixture.h"
#include "keys.h"
#include "platform/system/application.h"
#include "platform/system/plainclipboard.h"
#include "platform/rtf/styledtextrtf.h"
#include "waitfor.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/text/fontfamily.h"
#include "platform/controls/graphics.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/rectangle.h"
#include "platform/system/strings.h"
#include "store/module1.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

class SectionTest : public JournalTest {
 protected:
  Window1* w = nullptr;

  void Start(const QByteArray& sections = QByteArray()) {
    if (!sections.isNull()) WriteData("Sections.txt", sections);
    w = StartProgram();
    ASSERT_NE(w, nullptr);
  }
  fw::Listbox& List() { return w->LB1(); }
  fw::EditField& Editor() { return w->EF1(); }
  fw::EditField& Title() { return w->EditFieldNamed("SectionTitle"); }
  fw::PushButton& SaveAs() { return w->ButtonNamed("SaveAs"); }
  // Types at the end of the text, in the typing style the editor holds there.
  void Type(const QString& text) {
    QTextEdit* te = Editor().TextEdit();
    if (!te->textCursor().atEnd()) te->moveCursor(QTextCursor::End);
    te->insertPlainText(text);
  }
  void Select(int row) { List().UserSelectRow(row); }
  // The start of a file long enough to be read on after its start shows, and its text.
  static QByteArray LongText(QString* shown) {
    QByteArray file = "{\\rtf1\\ansi ";
    for (int i = 0; i < 30000; ++i) {
      const QByteArray line = "line " + QByteArray::number(i) + " of a long text that goes on";
      file += line + "\\par\n";
      *shown += QString::fromLatin1(line) + u'\n';
    }
    return file;
  }
  getNewSection* OpenNewDialog() {
    w->ButtonNamed("NewJournal").Push();
    return dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection"));
  }
  void TypeName(getNewSection* d, const QString& name) {
    d->Control<fw::EditField>("SectionName").LineEdit()->insert(name);
  }
  void NewSection(const QString& name) {
    getNewSection* d = OpenNewDialog();
    ASSERT_NE(d, nullptr);
    TypeName(d, name);
    d->Control<fw::PushButton>("OK").Push();
  }
  QStringList Rows() {
    QStringList rows;
    for (int i = 0; i < List().ListCount(); ++i) rows << List().Cell(i, 0);
    return rows;
  }
  void ExpectState(const QString& my, const QString& th, const QString& last) {
    EXPECT_EQ(Module1::MySection, my);
    EXPECT_EQ(Module1::ThisSection, th);
    EXPECT_EQ(Module1::LastSection, last);
  }
};

// Three Sections with stored text: A, B, C.
class ThreeSections : public SectionTest {
 protected:
  void SetUp() override {
    SectionTest::SetUp();
    Start(QByteArray());
    for (const char* name : {"A", "B", "C"}) {
      NewSection(QString::fromLatin1(name));
      Type(QStringLiteral("text of ") + QString::fromLatin1(name));
    }
    List().SetListIndex(-1);
    ui().Clear();
  }
};

TEST_F(ThreeSections, FirstSelectionLoadsWithoutWriting) {
  const QByteArray before = ReadData("Tavrin-A.txt");
  QFile::remove(DataPath("Tavrin-B.txt"));  // would be rewritten if the switch wrote anything
  Select(0);
  EXPECT_FALSE(DataExists("Tavrin-B.txt"));
  EXPECT_EQ(ReadData("Tavrin-A.txt"), before);
  EXPECT_EQ(Title().Text(), "A");
  EXPECT_EQ(Editor().Text(), "text of A");
  EXPECT_EQ(w->EditFieldNamed("FindString").Text(), "");
  ExpectState("A", "A", "A");
}

TEST_F(ThreeSections, SwitchSavesTheShownSectionBeforeLoadingTheNext) {
  Select(0);
  Type(" edited");
  w->BevelNamed("BoldButton").SetValue(true);
  w->RectNamed("ColorRect").SetFillColor(fw::RGB(255, 0, 0));
  Select(1);
  EXPECT_EQ(Editor().Text(), "text of B");
  const QByteArray style = ReadData("Tavrin-A-Style.txt");
  EXPECT_EQ(style, "Font: \tArial\nFont Size: \t12\nBold: \tTrue\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t255\t0\t0\n");
  // B's own style came back with it.
  EXPECT_FALSE(w->BevelNamed("BoldButton").Value());
  Select(0);
  EXPECT_EQ(Editor().Text(), "text of A edited");
  EXPECT_TRUE(w->BevelNamed("BoldButton").Value());
  EXPECT_EQ(Module1::MyColor, fw::RGB(255, 0, 0));
  ExpectState("A", "A", "A");
}

TEST_F(ThreeSections, MissingTextFileShowsTheSectionEmptyAndNeverTakesTheOldText) {
  Select(0);
  QFile::remove(DataPath("Tavrin-B.txt"));
  Select(1);
  EXPECT_EQ(Editor().Text(), "");
  EXPECT_EQ(w->BevelNamed("FontMenu").Caption(), "Arial");
  Select(2);
  // A's text did not travel into B's files.
  Select(1);
  EXPECT_EQ(Editor().Text(), "");
  Select(0);
  EXPECT_EQ(Editor().Text(), "text of A");
}

TEST_F(ThreeSections, SwitchToNoRowSavesAndKeepsTheEditor) {
  Select(2);
  Type("!");
  List().SetListIndex(-1);
  EXPECT_EQ(Title().Text(), "");
  ExpectState("", "", "");
  EXPECT_EQ(Editor().Text(), "text of C!");
  Select(2);
  EXPECT_EQ(Editor().Text(), "text of C!");
}

TEST_F(ThreeSections, ReorderingKeepsSelectionAndState) {
  Select(1);
  List().MoveRow(1, 0);
  EXPECT_EQ(List().ListIndex(), 0);
  EXPECT_EQ(List().Text(), "B");
  List().SortByColumn(0, Qt::DescendingOrder);
  EXPECT_EQ(Rows(), QStringList({"C", "B", "A"}));
  EXPECT_EQ(List().Text(), "B");
  ExpectState("B", "B", "B");
  CloseProgram();
  EXPECT_EQ(ReadData("Sections.txt"), "C\nB\nA\n");
}

TEST_F(SectionTest, MarkToggleAndPainting) {
  Start("Diary\n###Work\n");
  List().AddRow("Fresh");
  struct Case { int row; QString tagAfter; QByteArray file; fw::Color colour; bool bold; };
  const Case cases[] = {
      {0, "Red", "###Diary\n###Work\nFresh\n", fw::RGB(255, 0, 0), true},
      {0, "White", "Diary\n###Work\nFresh\n", fw::RGB(0, 0, 0), false},
      {1, "White", "Diary\nWork\nFresh\n", fw::RGB(0, 0, 0), false},
      {2, "White", "Diary\nWork\nFresh\n", fw::RGB(0, 0, 0), false},  // no tag: first toggle gives White
      {2, "Red", "Diary\nWork\n###Fresh\n", fw::RGB(255, 0, 0), true},
  };
  for (const Case& c : cases) {
    List().SetListIndex(c.row);
    w->LB1_DoubleClick();
    EXPECT_EQ(List().CellTag(c.row, 0).toString(), c.tagAfter) << c.row;
    EXPECT_EQ(ReadData("Sections.txt"), c.file) << c.row;
    fw::Graphics g;
    w->LB1_CellTextPaint(g, c.row, 5, 0, 0);
    EXPECT_EQ(g.ForeColor, c.colour);
    EXPECT_EQ(g.Bold, c.bold);
  }
}

TEST_F(SectionTest, DoubleClickWithoutSelectionDoesNothing) {
  Start("Diary\n");
  QFile::remove(DataPath("Sections.txt"));
  w->LB1_DoubleClick();
  EXPECT_FALSE(DataExists("Sections.txt"));
  EXPECT_EQ(List().CellTag(0, 0).toString(), "White");
}

TEST_F(SectionTest, MarksSurviveARestart) {
  Start("Diary\n###Work\n");
  List().SetListIndex(0);
  w->LB1_DoubleClick();
  EXPECT_EQ(CloseProgram(), 0);
  ReleaseModuleState();
  Module1::ResetState();
  Start();
  EXPECT_EQ(List().CellTag(0, 0).toString(), "Red");
  EXPECT_EQ(List().CellTag(1, 0).toString(), "Red");
}

TEST_F(SectionTest, NewSectionDialog) {
  Start("Diary\nWork\nHome\n");
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->IsOpened());
  EXPECT_FALSE(d->Control<fw::PushButton>("OK").Enabled());
  // A colon typed last goes with a beep; one in the middle stays.
  TypeName(d, "Plan:");
  EXPECT_EQ(d->Control<fw::EditField>("SectionName").Text(), "Plan");
  EXPECT_EQ(ui().Count("Beep"), 1);
  EXPECT_TRUE(d->Control<fw::PushButton>("OK").Enabled());
  EXPECT_TRUE(d->Control<fw::PushButton>("OK").Default());
  d->Control<fw::EditField>("SectionName").SetText("a:b");
  EXPECT_EQ(d->Control<fw::EditField>("SectionName").Text(), "a:b");
  EXPECT_EQ(ui().Count("Beep"), 1);
  d->Control<fw::EditField>("SectionName").SetText("x::");
  EXPECT_EQ(d->Control<fw::EditField>("SectionName").Text(), "x");
  EXPECT_EQ(ui().Count("Beep"), 3);
  d->Control<fw::EditField>("SectionName").SetText(QString(30, u'n'));
  EXPECT_EQ(d->Control<fw::EditField>("SectionName").Text().size(), 25);

  // The same name in other letter case is refused, with the name as typed.
  d->Control<fw::EditField>("SectionName").SetText("diary");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_EQ(ui().Messages().last(), "There is already a section named diary.  Choose another name.");
  EXPECT_EQ(d->Control<fw::EditField>("SectionName").Text(), "");
  EXPECT_FALSE(d->Control<fw::PushButton>("OK").Enabled());
  EXPECT_EQ(List().ListCount(), 3);

  TypeName(d, "Plans");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_EQ(Rows(), QStringList({"Diary", "Work", "Home", "Plans"}));
  EXPECT_EQ(List().ListIndex(), 3);
  EXPECT_FALSE(List().CellTag(3, 0).isValid());
  EXPECT_EQ(Title().Text(), "Plans");
  EXPECT_EQ(Editor().Text(), "");
  EXPECT_TRUE(Editor().Enabled());
  ExpectState("Plans", "Plans", "Plans");
  EXPECT_TRUE(DataExists("Tavrin-Plans.txt"));
  EXPECT_EQ(ReadData("Tavrin-Plans-Style.txt"),
            "Font: \tArial\nFont Size: \t12\nBold: \tFalse\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t0\t0\t0\n");
  EXPECT_EQ(ReadData("Sections.txt"), "Diary\nWork\nHome\nPlans\n");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(fw::GetImplicitWindow("getNewSection"), nullptr);
}

TEST_F(ThreeSections, NewSavesTheShownSectionAndOkKeepsTextTypedMeanwhile) {
  Select(0);
  Type(" before New");
  getNewSection* d = OpenNewDialog();
  EXPECT_TRUE(ReadData("Tavrin-A.txt").contains("before New"));
  Type(" while open");
  TypeName(d, "D");
  d->Control<fw::PushButton>("OK").Push();
  Select(0);
  EXPECT_EQ(Editor().Text(), "text of A before New while open");
}

// OK empties the editor before it gives it the default style: the old text is dropped as it
// stands, never restyled first (seconds for a long Section), and the new Section starts in the
// default style all the same.
TEST_F(ThreeSections, NewEmptiesTheOldTextWithoutRestylingIt) {
  Select(0);
  QString old;
  while (old.size() < 3000) old += QStringLiteral("some words of A ");
  Type(old);
  getNewSection* d = OpenNewDialog();
  const QByteArray savedA = ReadData("Tavrin-A.txt");
  int restyled = 0;  // the most characters one change gave a new style to
  QObject::connect(Editor().Document(), &QTextDocument::contentsChange, w, [&](int, int removed, int added) {
    if (removed == added) restyled = std::max(restyled, added);
  });
  TypeName(d, "D");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_LE(restyled, 1) << "the old text was restyled before it was dropped";
  EXPECT_EQ(Editor().Text(), "");
  EXPECT_EQ(Editor().SelTextFont(), "Arial");
  EXPECT_EQ(Editor().SelTextSize(), 12);
  EXPECT_FALSE(Editor().SelBold());
  EXPECT_EQ(Editor().SelTextColor(), fw::kBlack);
  EXPECT_EQ(ReadData("Tavrin-A.txt"), savedA);
  Type("new words");
  EXPECT_EQ(Editor().StyleAt(2).Font, "Arial");
  EXPECT_EQ(Editor().StyleAt(2).Size, 12);
}

TEST_F(ThreeSections, CancelLeavesEverythingButTheSave) {
  Select(1);
  getNewSection* d = OpenNewDialog();
  d->Control<fw::PushButton>("Cancel").Push();
  EXPECT_EQ(Rows(), QStringList({"A", "B", "C"}));
  ExpectState("B", "B", "B");
}

TEST_F(SectionTest, NewWithNoSectionShownWritesNothingAndRecreatesAMissingDataFolder) {
  Start("");
  QFile::remove(DataPath("Sections.txt"));
  QDir(DataPath()).removeRecursively();
  getNewSection* d = OpenNewDialog();
  EXPECT_FALSE(QFile::exists(DataPath()));
  TypeName(d, "Diary");
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_TRUE(DataExists("Tavrin-Diary.txt"));
  EXPECT_TRUE(DataExists("Tavrin-Diary-Style.txt"));
}

TEST_F(SectionTest, NamesTheDataFolderCannotHoldAreRefused) {
  Start("Diary\n");
  struct Case { QString name; QString message; };
  const Case cases[] = {
      {"a/b", "A Section name cannot contain \"/\".  Choose another name."},
      {QStringLiteral("a") + QChar(u'\0') + "b", "A Section name cannot contain control characters.  Choose another name."},
      {"###x", "A Section name cannot begin with \"###\".  Choose another name."},
      {QString(201, u'x'), "This Section name is too long.  Choose another name."},
  };
  for (const Case& c : cases) {
    ui().Clear();
    // At Save As (no limit on the title's length) ...
    List().SetListIndex(0);
    Title().SetText(c.name);
    SaveAs().Push();
    EXPECT_EQ(ui().Messages(), QStringList{c.message}) << c.name.left(10).toStdString();
    EXPECT_EQ(Rows(), QStringList{"Diary"});
    // ... and in the dialog, for the names it can take.
    if (c.name.size() <= 25) {
      ui().Clear();
      getNewSection* d = OpenNewDialog();
      d->Control<fw::EditField>("SectionName").SetText(c.name);
      d->Control<fw::PushButton>("OK").Push();
      EXPECT_EQ(ui().Messages(), QStringList{c.message});
      EXPECT_EQ(Rows(), QStringList{"Diary"});
      d->Close();
    }
  }
  QDir data(DataPath());
  EXPECT_EQ(data.entryList(QDir::Files).filter("###").size(), 0);
}

// Names that look the same are one name: the list holds "Café" with its é as one code point.
TEST_F(SectionTest, LookAlikeNamesAreTheSameName) {
  Start(QByteArray("Caf\xc3\xa9\nWork\n"));
  const QString decomposed = QString::fromUtf8("Cafe\u0301");  // e + combining acute
  const QString message = QStringLiteral("There is already a section named ") + decomposed.toUpper() +
                          QStringLiteral(".  Choose another name.");
  getNewSection* d = OpenNewDialog();
  ASSERT_NE(d, nullptr);
  TypeName(d, decomposed.toUpper());
  d->Control<fw::PushButton>("OK").Push();
  EXPECT_EQ(ui().Messages(), QStringList{message});
  EXPECT_EQ(Rows(), QStringList({QString::fromUtf8("Caf\u00e9"), "Work"}));
  d->Close();

  ui().Clear();
  Select(1);
  Title().SetText(decomposed.toUpper());
  EXPECT_FALSE(SaveAs().Enabled()) << "the title names a listed Section";
  Title().SetText("Other");  // arms Save As, which then stays armed
  Title().SetText(decomposed.toUpper());
  SaveAs().Push();
  EXPECT_EQ(ui().Messages(), QStringList{message});
  EXPECT_EQ(Rows(), QStringList({QString::fromUtf8("Caf\u00e9"), "Work"}));
  QDir data(DataPath());
  EXPECT_EQ(data.entryList({"Tavrin-Caf*"}, QDir::Files), QStringList());
}

TEST_F(SectionTest, TypedNamesWithInvisibleOrControlCharactersAreRefused) {
  Start("Diary\n");
  const QString control = QStringLiteral("A Section name cannot contain control characters.  Choose another name.");
  const QString format = QStringLiteral(
      "A Section name cannot contain invisible formatting characters such as direction marks or zero-width spaces.  "
      "Choose another name.");
  struct Case {
    const char* what;
    QString name;
    QString message;
  };
  const Case cases[] = {
      {"a tab", "to\tdo", control},
      {"two lines", "two\nlines", control},
      {"a line separator", QString::fromUtf8("two\u2028lines"), control},
      {"an escape", QStringLiteral("a\x1b[31m"), control},
      {"a right-to-left override", QString::fromUtf8("txt.\u202Eexe"), format},
      {"a left-to-right embedding", QString::fromUtf8("\u202Aname"), format},
      {"a first-strong isolate", QString::fromUtf8("na\u2068me\u2069"), format},
      {"a zero-width space", QString::fromUtf8("Dia\u200Bry"), format},
      {"a zero-width joiner", QString::fromUtf8("Dia\u200Dry"), format},
      {"a zero-width no-break space", QString::fromUtf8("Dia\uFEFFry"), format},
      {"half a surrogate pair", QStringLiteral("a") + QChar(0xD83D), QStringLiteral(
           "A Section name cannot contain an incomplete character.  Choose another name.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Pasted into the new-section dialog's field ...
    ui().Clear();
    getNewSection* d = OpenNewDialog();
    ASSERT_NE(d, nullptr);
    fw::EditField& field = d->Control<fw::EditField>("SectionName");
    QApplication::clipboard()->setText(c.name);
    field.LineEdit()->paste();
    ASSERT_EQ(field.Text(), c.name) << "the field takes the pasted text as it stands";
    d->Control<fw::PushButton>("OK").Push();
    EXPECT_EQ(ui().Messages(), QStringList{c.message});
    EXPECT_EQ(Rows(), QStringList{"Diary"});
    d->Close();
    // ... and into the title, for Save As.
    ui().Clear();
    Select(0);
    Title().LineEdit()->selectAll();
    Title().LineEdit()->paste();
    ASSERT_EQ(Title().Text(), c.name);
    SaveAs().Push();
    EXPECT_EQ(ui().Messages(), QStringList{c.message});
    EXPECT_EQ(Rows(), QStringList{"Diary"});
  }
  for (const QString& file : QDir(DataPath()).entryList(QDir::Files))
    EXPECT_TRUE(file == "Sections.txt" || file.startsWith("Tavrin-Diary")) << file.toStdString();
  // Letters of any script, and blanks inside, are names like any other.
  ui().Clear();
  NewSection(QString::fromUtf8("\u05d9\u05d5\u05de\u05df \u65e5\u8a18 Caf\u00e9"));
  EXPECT_TRUE(ui().Messages().isEmpty());
  EXPECT_EQ(List().ListCount(), 2);
}

// A hand-edited list may hold names a person could not type now: they stay listed, and their
// text is read and saved under their names as they stand, look-alikes each in its own files.
TEST_F(SectionTest, StoredNamesWithSuchCharactersStayReadable) {
  const QString names[] = {QString::fromUtf8("Caf\u00e9"), QString::fromUtf8("Cafe\u0301"), "to\tdo",
                           QString::fromUtf8("Dia\u200Bry"), QString::fromUtf8("\u202Eright")};
  QByteArray list;
  for (int i = 0; i < 5; ++i) {
    list += names[i].toUtf8() + '\n';
    WriteData("Tavrin-" + names[i] + ".txt", "{\\rtf1 text of " + QByteArray::number(i) + "}");
  }
  Start(list);
  EXPECT_EQ(Rows(), QStringList(std::begin(names), std::end(names)));
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    Select(i);
    EXPECT_EQ(Editor().Text(), QStringLiteral("text of ") + fw::Str(i));
    Type(QStringLiteral(" edited"));
  }
  Select(0);
  EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join('\n').toStdString();
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const QByteArray text = ReadData("Tavrin-" + names[i] + ".txt");
    EXPECT_TRUE(text.contains("text of " + QByteArray::number(i) + " edited")) << text.toStdString();
  }
}

TEST_F(ThreeSections, DeleteYes) {
  Select(1);
  ui().SetNextAnswer(fw::kAnswerYes);
  w->ButtonNamed("DeleteJournal").Push();
  ASSERT_EQ(ui().Calls().size(), 1);
  EXPECT_EQ(ui().Calls()[0].Text, "Are you sure that you want to delete the Section named B?");
  EXPECT_EQ(ui().Calls()[0].Buttons, 308);
  EXPECT_EQ(Rows(), QStringList({"A", "C"}));
  EXPECT_FALSE(DataExists("Tavrin-B.txt"));
  EXPECT_FALSE(DataExists("Tavrin-B-Style.txt"));
  EXPECT_EQ(ReadData("Sections.txt"), "A\nC\n");
  EXPECT_EQ(Title().Text(), "");
  EXPECT_EQ(Editor().Text(), "");
  EXPECT_EQ(List().ListIndex(), -1);
  EXPECT_FALSE(SaveAs().Enabled());
  EXPECT_TRUE(Editor().Enabled());
  EXPECT_EQ(Module1::MySection, "");
  EXPECT_EQ(Module1::LastSection, "");
  // Closing now writes nothing under the deleted name.
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_FALSE(DataExists("Tavrin-B.txt"));
  EXPECT_FALSE(DataExists("Tavrin-B-Style.txt"));
}

TEST_F(ThreeSections, DeleteNoChangesNothingButSaveAs) {
  Select(1);
  Title().SetText("Z");
  EXPECT_TRUE(SaveAs().Enabled());
  ui().SetNextAnswer(fw::kAnswerNo);
  w->ButtonNamed("DeleteJournal").Push();
  EXPECT_EQ(Rows(), QStringList({"A", "B", "C"}));
  EXPECT_TRUE(DataExists("Tavrin-B.txt"));
  ExpectState("B", "B", "B");
  EXPECT_FALSE(SaveAs().Enabled());
  EXPECT_FALSE(SaveAs().Default());
}

TEST_F(SectionTest, DeletingTheOnlySectionDisablesTheEditorUntilTheNextNew) {
  Start("");
  NewSection("Only");
  ui().SetNextAnswer(fw::kAnswerYes);
  w->ButtonNamed("DeleteJournal").Push();
  EXPECT_EQ(List().ListCount(), 0);
  EXPECT_FALSE(Editor().Enabled());
  NewSection("Again");
  EXPECT_TRUE(Editor().Enabled());
}

// With no row selected there is nothing to delete: Delete asks nothing, removes nothing and
// leaves the title and the editor as they are, however the program came to select no row.
TEST_F(SectionTest, DeleteWithNoRowSelectedOnlyBeeps) {
  WriteData("Tavrin-A.txt", "{\\rtf1\\ansi text of A\\par}");
  Start("A\nB\nC\n");
  const struct {
    const char* what;
    std::function<void()> leadIn;
  } cases[] = {
      {"at start", [] {}},
      {"after Save As", [this] { Select(0); Title().SetText("Z"); SaveAs().Push(); }},
      {"after a Delete", [this] { Select(1); ui().SetNextAnswer(fw::kAnswerYes); w->ButtonNamed("DeleteJournal").Push(); }},
      {"with text typed", [this] { Type("loose words"); }},
      {"with a title typed", [this] { Title().SetText("Draft"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.leadIn();
    ASSERT_EQ(List().ListIndex(), -1);
    const QStringList rows = Rows();
    const QByteArray list = ReadData("Sections.txt");
    const QString text = Editor().Text(), title = Title().Text();
    const bool saveAsOn = SaveAs().Enabled();
    const QStringList files = QDir(DataPath()).entryList(QDir::Files);
    ui().Clear();
    w->ButtonNamed("DeleteJournal").Push();
    EXPECT_EQ(ui().Count("MsgBox"), 0);
    EXPECT_EQ(ui().Count("Beep"), 1);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(ReadData("Sections.txt"), list);
    EXPECT_EQ(QDir(DataPath()).entryList(QDir::Files), files);
    EXPECT_EQ(Editor().Text(), text);
    EXPECT_EQ(Title().Text(), title);
    EXPECT_EQ(SaveAs().Enabled(), saveAsOn);
    EXPECT_TRUE(Editor().Enabled());
  }
  EXPECT_EQ(Editor().Text(), "loose words");
}

// Rows that differ only in case are two Sections with two sets of files: Delete and Save As take
// the row and the files of exactly the name they act on.
TEST_F(SectionTest, DuplicateRowsAreDeletedAndRenamedApart) {
  const struct {
    const char* what;
    int row;
    const char* newName;  // nullptr: Delete
    QStringList rows;
    const char* gone;
    const char* kept;
  } cases[] = {
      {"delete the first", 0, nullptr, {"twin", "Other"}, "Tavrin-Twin.txt", "Tavrin-twin.txt"},
      {"delete the second", 1, nullptr, {"Twin", "Other"}, "Tavrin-twin.txt", "Tavrin-Twin.txt"},
      {"rename the first", 0, "Beta", {"Beta", "twin", "Other"}, "Tavrin-Twin.txt", "Tavrin-twin.txt"},
      {"rename the second", 1, "Beta", {"Twin", "Beta", "Other"}, "Tavrin-twin.txt", "Tavrin-Twin.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CloseProgram(), 0);
    ReleaseModuleState();
    Module1::ResetState();
    ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    WriteData("Tavrin-Twin.txt", "{\\rtf1\\ansi upper\\par}");
    WriteData("Tavrin-twin.txt", "{\\rtf1\\ansi lower\\par}");
    Start("Twin\ntwin\nOther\n");
    ui().Clear();
    Select(c.row);
    if (c.newName) {
      Title().SetText(QString::fromLatin1(c.newName));
      SaveAs().Push();
    } else {
      ui().SetNextAnswer(fw::kAnswerYes);
      w->ButtonNamed("DeleteJournal").Push();
    }
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(ReadData("Sections.txt"), (c.rows.join(u'\n') + u'\n').toUtf8());
    EXPECT_FALSE(DataExists(c.gone));
    EXPECT_TRUE(DataExists(c.kept));
    if (c.newName) {
      EXPECT_TRUE(DataExists(QStringLiteral("Tavrin-") + c.newName + QStringLiteral(".txt")));
    }
  }
}

TEST_F(SectionTest, TitleArmsSaveAs) {
  Start("A\nB\nC\n");
  Select(1);
  EXPECT_FALSE(SaveAs().Enabled());
  Title().SetText("D");
  EXPECT_TRUE(SaveAs().Enabled());
  EXPECT_TRUE(SaveAs().Default());
  Title().SetText("B");
  EXPECT_TRUE(SaveAs().Enabled());
}

TEST_F(ThreeSections, RenameKeepsTextAndDropsTheOldFiles) {
  Select(1);
  List().SetCellTag(1, 0, "Red");
  Type(" edited");
  Title().SetText("D");
  SaveAs().Push();
  EXPECT_TRUE(ui().Messages().isEmpty());
  EXPECT_EQ(Rows(), QStringList({"A", "D", "C"}));
  EXPECT_FALSE(List().CellTag(1, 0).isValid());
  EXPECT_EQ(List().ListIndex(), -1);
  EXPECT_EQ(Title().Text(), "");
  EXPECT_EQ(Editor().Text(), "");
  ExpectState("", "", "");
  EXPECT_TRUE(SaveAs().Enabled());
  EXPECT_TRUE(SaveAs().Default());
  EXPECT_FALSE(DataExists("Tavrin-B.txt"));
  EXPECT_FALSE(DataExists("Tavrin-B-Style.txt"));
  // The list is written at once, and names the new name only.
  EXPECT_EQ(ReadData("Sections.txt"), "A\nD\nC\n");
  Select(1);
  EXPECT_EQ(Editor().Text(), "text of B edited");
  // Right after a rename the title is empty.
  List().SetListIndex(-1);
  SaveAs().Push();
  EXPECT_EQ(ui().Messages().last(), "First, enter a Section name!");
}

TEST_F(ThreeSections, RenameRefusals) {
  Select(1);
  for (const char* title : {"b", "A"}) {
    ui().Clear();
    Title().SetText(QString::fromLatin1(title));
    SaveAs().Push();
    EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("There is already a section named ") + title +
                                           QStringLiteral(".  Choose another name.")});
    EXPECT_EQ(Rows(), QStringList({"A", "B", "C"}));
    ExpectState("B", "B", "B");
  }
  ui().Clear();
  Title().SetText("");
  SaveAs().Push();
  EXPECT_EQ(ui().Messages(), QStringList{"First, enter a Section name!"});
}

TEST_F(ThreeSections, RenameWhoseWriteFailsRemovesNothing) {
  Select(1);
  Type(" precious");
  Title().SetText("D");
  FileFaults::FailWrite("Tavrin-D.txt", "disk full");
  SaveAs().Push();
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains("Tavrin-D.txt"));
  EXPECT_TRUE(ui().Messages()[0].contains("disk full"));
  EXPECT_EQ(Rows(), QStringList({"A", "B", "C"}));
  EXPECT_TRUE(DataExists("Tavrin-B.txt"));
  EXPECT_TRUE(DataExists("Tavrin-B-Style.txt"));
  EXPECT_EQ(Editor().Text(), "text of B precious");
  ExpectState("B", "B", "B");
}

// A name whose files the list lost (a crash, another program) is refused at Save As: the save
// would write their text away. A rename and a Save As with no Section shown alike.
TEST_F(ThreeSections, SaveAsRefusesANameWhoseFilesAreThere) {
  const struct {
    const char* what;
    int row;  // -1: no Section shown
    const char* file;
  } cases[] = {{"rename over a text file", 1, "Tavrin-Lost.txt"},
               {"rename over a style file", 1, "Tavrin-Lost-Style.txt"},
               {"no Section shown, over a text file", -1, "Tavrin-Lost.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(DataPath("Tavrin-Lost.txt"));
    QFile::remove(DataPath("Tavrin-Lost-Style.txt"));
    WriteData(c.file, "kept");
    if (c.row >= 0) Select(c.row);
    else List().SetListIndex(-1);
    Type(" typed");
    const QString text = Editor().Text();
    const QByteArray list = ReadData("Sections.txt");
    Title().SetText("Lost");
    ui().Clear();
    SaveAs().Push();
    EXPECT_EQ(ui().Messages(),
              QStringList{"The data folder already holds files of a Section named Lost.  Choose another name."});
    EXPECT_EQ(ReadData(c.file), "kept");
    EXPECT_EQ(Rows(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(ReadData("Sections.txt"), list);
    EXPECT_EQ(Editor().Text(), text);
    EXPECT_EQ(List().ListIndex(), c.row);
  }
}

TEST_F(ThreeSections, SaveAsWithNoSectionShownAddsTheTextAsANewSection) {
  List().SetListIndex(-1);
  Editor().SetText("loose notes");
  Title().SetText("Notes");
  SaveAs().Push();
  EXPECT_EQ(Rows(), QStringList({"A", "B", "C", "Notes"}));
  EXPECT_TRUE(DataExists("Tavrin-A.txt"));
  Select(3);
  EXPECT_EQ(Editor().Text(), "loose notes");
}

TEST_F(SectionTest, StyledTextAndToolRowSurviveARestart) {
  Start("");
  NewSection("Styled");
  Type("plain ");
  fw::EditField& ef = Editor();
  ef.SetSelTextFont("DejaVu Serif");
  ef.SetSelTextSize(18);
  ef.SetSelBold(true);
  ef.SetSelTextColor(fw::RGB(0, 0, 255));
  Type(QStringLiteral("bold blue \U0001F600\tend"));
  w->BevelNamed("ItalicButton").SetValue(true);
  w->BevelNamed("SizeMenu").SetCaption("18");
  EXPECT_EQ(CloseProgram(), 0);
  ReleaseModuleState();
  Module1::ResetState();
  Start();
  Select(0);
  EXPECT_EQ(Editor().Text(), QStringLiteral("plain bold blue \U0001F600\tend"));
  const fw::TextStyle plain = Editor().StyleAt(0);
  EXPECT_EQ(plain.Font, "Arial");
  EXPECT_EQ(plain.Size, 12);
  EXPECT_FALSE(plain.Bold);
  const fw::TextStyle styled = Editor().StyleAt(7);
  EXPECT_EQ(styled.Font, "DejaVu Serif");
  EXPECT_EQ(styled.Size, 18);
  EXPECT_TRUE(styled.Bold);
  EXPECT_EQ(styled.TextColor, fw::RGB(0, 0, 255));
  EXPECT_TRUE(w->BevelNamed("ItalicButton").Value());
  EXPECT_EQ(w->BevelNamed("SizeMenu").Caption(), "18");
}

// A damaged file is kept aside and said; what could be read of it before the damage is shown,
// not thrown away.
TEST_F(SectionTest, DamagedTextFileIsReportedAndKeptAside) {
  struct Case {
    const char* file;
    const char* shown;
    const char* messageEnd;
  } const cases[] = {
      {"{\\rtf1 half a fi", "half a fi", "the Section shows the text read before the damage."},
      {"{\\rtf1\\ansi first\\par second {\\b bo", "first\nsecond bo", "the Section shows the text read before the damage."},
      {"not rich text at all", "", "the Section is shown empty."},
  };
  Start("Broken\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    QFile::remove(DataPath("Tavrin-Broken.txt.unreadable"));
    WriteData("Tavrin-Broken.txt", c.file);
    ui().Clear();
    Select(0);
    ASSERT_EQ(ui().Messages().size(), 1);
    EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Tavrin-Broken.txt")));
    EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Tavrin-Broken.txt.unreadable")));
    EXPECT_TRUE(ui().Messages()[0].endsWith(QString::fromLatin1(c.messageEnd))) << ui().Messages()[0].toStdString();
    EXPECT_EQ(Editor().Text(), QString::fromLatin1(c.shown));
    Type(" new text");
    List().SetListIndex(-1);
    EXPECT_EQ(ReadData("Tavrin-Broken.txt.unreadable"), c.file);
    Select(0);
    EXPECT_EQ(Editor().Text(), QString::fromLatin1(c.shown) + " new text");
    List().SetListIndex(-1);
  }
}

// Damage far into a long file is found after the editor shows its start: it is said and the file
// kept aside once the text before it is in, and that text is what the Section then saves.
TEST_F(SectionTest, DamageFarIntoALongTextFileIsReportedWhenReached) {
  QString shown;
  QByteArray file = LongText(&shown);
  file += "{\\b cut";
  shown += QStringLiteral("cut");
  Start("Broken\n");
  WriteData("Tavrin-Broken.txt", file);
  ui().Clear();
  Select(0);
  EXPECT_TRUE(ui().Messages().isEmpty()) << "the whole file was read before its start showed";
  ASSERT_TRUE(WaitFor([&] { return !ui().Messages().isEmpty(); }, kMustComeMs)) << "no message came";
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Tavrin-Broken.txt.unreadable")));
  EXPECT_TRUE(ui().Messages()[0].endsWith(QStringLiteral("the Section shows the text read before the damage.")))
      << ui().Messages()[0].toStdString();
  EXPECT_EQ(ReadData("Tavrin-Broken.txt.unreadable"), file);
  EXPECT_EQ(Editor().Text(), shown);
  List().SetListIndex(-1);
  Select(0);
  EXPECT_EQ(ui().Messages().size(), 1);
  for (int i = 0; i < 1000; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ui().Messages().size(), 1) << "what was shown was not saved";
  EXPECT_EQ(Editor().Text(), shown);
}

// A word processor's file may hold what the editor cannot (tables, footnotes, pictures): opening
// it says so once and keeps the file aside before the first save replaces it with what is shown.
TEST_F(SectionTest, ContentTheEditorCannotHoldIsToldAndItsFileKeptAside) {
  const struct {
    const char* file;
    const char* shown;
    const char* kinds;
  } cases[] = {
      {"{\\rtf1\\ansi Before\\par\\trowd\\cellx1000\\cellx2000\\intbl A1\\cell B1\\cell\\row After\\par}", "Before\nA1\tB1\t\nAfter",
       " holds tables, which"},
      {"{\\rtf1\\ansi Text{\\*\\footnote Note} and {\\pict\\pngblip 89504e47}more\\par}", "Text and more",
       " holds footnotes and pictures, which"},
  };
  Start("Word\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    QFile::remove(DataPath("Tavrin-Word.txt.unreadable"));
    WriteData("Tavrin-Word.txt", c.file);
    ui().Clear();
    Select(0);
    ASSERT_EQ(ui().Messages().size(), 1);
    const QString message = ui().Messages()[0];
    EXPECT_TRUE(message.contains(DataPath("Tavrin-Word.txt"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLatin1(c.kinds))) << message.toStdString();
    EXPECT_TRUE(message.contains(DataPath("Tavrin-Word.txt.unreadable"))) << message.toStdString();
    EXPECT_EQ(ReadData("Tavrin-Word.txt.unreadable"), c.file);
    EXPECT_EQ(Editor().Text(), QString::fromLatin1(c.shown));
    // Left unchanged, it is saved as shown: the next opening has nothing more to say.
    List().SetListIndex(-1);
    EXPECT_NE(ReadData("Tavrin-Word.txt"), c.file);
    Select(0);
    EXPECT_EQ(ui().Messages().size(), 1);
    EXPECT_EQ(Editor().Text(), QString::fromLatin1(c.shown));
    EXPECT_FALSE(QFile::exists(DataPath("Tavrin-Word.txt.unreadable-2")));
    List().SetListIndex(-1);
  }
}

// Far into a long file it is found as the rest comes in: told then, or before a save that comes
// first, and the file is kept aside before it is replaced.
TEST_F(SectionTest, ContentTheEditorCannotHoldFarIntoALongFileIsToldWhenReached) {
  QString shown;
  QByteArray file = LongText(&shown);
  file += "end{\\*\\shppict{\\pict\\pngblip 89504e47}}\\par}";
  shown += QStringLiteral("end");
  Start("Long\n");
  for (const bool savedFirst : {false, true}) {
    SCOPED_TRACE(savedFirst ? "saved before all is in" : "all in");
    QFile::remove(DataPath("Tavrin-Long.txt.unreadable"));
    WriteData("Tavrin-Long.txt", file);
    ui().Clear();
    Select(0);
    EXPECT_TRUE(ui().Messages().isEmpty()) << "the whole file was read before its start showed";
    QString expected = shown;
    if (savedFirst) {
      QTextCursor start(Editor().Document());
      start.insertText(QStringLiteral("new "));
      expected = QStringLiteral("new ") + shown;
      List().SetListIndex(-1);
    } else {
      ASSERT_TRUE(WaitFor([&] { return !ui().Messages().isEmpty(); }, kMustComeMs)) << "no message came";
    }
    ASSERT_EQ(ui().Messages().size(), 1);
    EXPECT_TRUE(ui().Messages()[0].contains(QStringLiteral(" holds pictures, which"))) << ui().Messages()[0].toStdString();
    EXPECT_EQ(ReadData("Tavrin-Long.txt.unreadable"), file);
    if (!savedFirst) {
      EXPECT_EQ(Editor().Text(), shown);
      List().SetListIndex(-1);
    }
    Select(0);
    for (int i = 0; i < 1000; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(Editor().Text(), expected);
    EXPECT_EQ(ui().Messages().size(), 1) << "what was shown was saved";
    List().SetListIndex(-1);
  }
}

// Plain text pasted into a new Section takes the style there, its paragraph marks too; once the
// text is selected and deleted, what is typed next is still in that style, and it is saved so:
// no style of the toolkit's own reaches the file.
TEST_F(SectionTest, TextTypedAfterAPlainPasteIsDeletedKeepsTheSectionsStyle) {
  WriteData("Tavrin-DefaultStyle.txt",
            "Font: \tDejaVu Serif\nFont Size: \t14\nBold: \tFalse\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t200\t0\t0\n");
  Start(QByteArray());
  const std::function<void()> paste[] = {
      [this] { SendKey(Editor().TextEdit(), Qt::Key_V, Qt::ControlModifier); },
      [this] { Editor().SetSelText(fw::PlainClipboard().GetText()); },  // Paste Special
  };
  int n = 0;
  for (const char* text : {"one", "one\ntwo", "one\n", "\n\n"}) {
    for (int how = 0; how < 2; ++how) {
      SCOPED_TRACE(std::string(how == 0 ? "Paste: " : "Paste Special: ") + QString::fromLatin1(text).replace(u'\n', QStringLiteral("\\n")).toStdString());
      const QString name = QStringLiteral("P") + QString::number(n++);
      NewSection(name);
      QTextEdit* te = Editor().TextEdit();
      te->setFocus();
      QApplication::clipboard()->setText(QString::fromLatin1(text));
      paste[how]();
      EXPECT_EQ(Editor().Text(), QString::fromLatin1(text));
      const auto expectStyle = [](const QTextCharFormat& f, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(fw::NamedFamily(f), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(f.fontPointSize(), 14);
        EXPECT_EQ(f.foreground().color(), QColor(200, 0, 0));
      };
      for (QTextBlock b = Editor().Document()->begin(); b.isValid(); b = b.next()) expectStyle(b.charFormat(), "a pasted mark");
      SendKey(te, Qt::Key_A, Qt::ControlModifier);
      SendKey(te, Qt::Key_Backspace);
      SendKey(te, QStringLiteral("x"));
      List().SetListIndex(-1);
      QTextDocument saved;
      ASSERT_TRUE(fw::DecodeStyledRtf(ReadData("Tavrin-" + name.toUtf8() + ".txt"), saved, nullptr));
      ASSERT_EQ(saved.toPlainText(), QStringLiteral("x"));
      QTextCursor x(&saved);
      x.setPosition(1);
      expectStyle(x.charFormat(), "what was typed");
      expectStyle(saved.begin().charFormat(), "its mark");
    }
  }
}

// Leaving a Section writes its files only when something in them would change: its text, a style
// of its text, its tool row, or the file itself (removed or replaced by another program).
TEST_F(ThreeSections, LeavingWritesOnlyWhatChanged) {
  const QDateTime old = QDateTime::currentDateTime().addDays(-3);
  auto age = [&](const QString& name) {
    QFile f(DataPath(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
  };
  auto written = [&](const QString& name) { return QFileInfo(DataPath(name)).lastModified() != old; };
  struct Case {
    const char* what;
    std::function<void()> change;
    bool text, style;
  } const cases[] = {
      {"nothing", [] {}, false, false},
      {"a typed character", [&] { Type(QStringLiteral("!")); }, true, false},
      {"a style of the text only",
       [&] {
         Editor().SetSelStart(0);
         Editor().SetSelLength(4);
         Editor().SetSelBold(true);
       },
       true, false},
      {"the tool row", [&] { w->RectNamed("ColorRect").SetFillColor(fw::RGB(0, 0, 255)); }, false, true},
      {"the text file removed meanwhile", [&] { QFile::remove(DataPath("Tavrin-A.txt")); }, true, false},
      {"the text file replaced meanwhile", [&] { WriteData("Tavrin-A.txt", "{\\rtf1 other}"); }, true, false},
      {"the style file removed meanwhile", [&] { QFile::remove(DataPath("Tavrin-A-Style.txt")); }, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Select(1);
    age("Tavrin-A.txt");
    age("Tavrin-A-Style.txt");
    Select(0);
    const QString shown = Editor().Text();
    c.change();
    const QString expected = Editor().Text();
    Select(1);
    EXPECT_EQ(written("Tavrin-A.txt"), c.text);
    EXPECT_EQ(written("Tavrin-A-Style.txt"), c.style);
    Select(0);
    EXPECT_EQ(Editor().Text(), expected);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("text of A")));
  }
}

}  // namespace
