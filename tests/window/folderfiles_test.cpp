// What is already in the data folder: files a lost list no longer names, pipes where files should
// be, a list that cannot be read, names that cannot be file names, a data folder that is a file.
// None of them may hang the program, and none may be written over unseen.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "app/startup.h"
#include "filefaults.h"
#include "journalfixture.h"
#include "plainuser.h"
#include "platform/system/atomicfile.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/system/files.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "store/module1.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

class FolderFiles : public JournalTest {
 protected:
  Window1* w = nullptr;
  void Start() {
    w = StartProgram();
    ASSERT_NE(w, nullptr);
  }
  void MakePipe(const QString& name) {
    MakeDataFolder();
    ASSERT_EQ(::mkfifo(DataPath(name).toLocal8Bit().constData(), 0600), 0);
  }
  bool IsPipe(const QString& name) {
    struct stat st {};
    return ::lstat(DataPath(name).toLocal8Bit().constData(), &st) == 0 && S_ISFIFO(st.st_mode);
  }
  void Type(const QString& text) {
    QTextEdit* te = w->EF1().TextEdit();
    te->moveCursor(QTextCursor::End);
    te->insertPlainText(text);
  }
  // With `section` shown in `row` holding the typed `text`: New and a switch to `otherRow` each say
  // `why` and stay where they were.
  void ExpectTypedTextStopsTheRoads(const QString& why, int row, const QString& section, int otherRow,
                                    const QString& text) {
    const struct {
      const char* what;
      std::function<void()> road;
    } roads[] = {
        {"New", [this] { w->ButtonNamed("NewJournal").Push(); }},
        {"a switch", [this, otherRow] { w->LB1().UserSelectRow(otherRow); }},
    };
    for (const auto& r : roads) {
      SCOPED_TRACE(r.what);
      ui().Clear();
      r.road();
      EXPECT_EQ(ui().Messages(), QStringList{why});
      EXPECT_EQ(fw::GetImplicitWindow("getNewSection"), nullptr);
      EXPECT_EQ(Module1::MySection, section);
      EXPECT_EQ(w->LB1().ListIndex(), row);
      EXPECT_EQ(w->EF1().Text(), text);
    }
  }
  void NewSection(const QString& name) {
    w->ButtonNamed("NewJournal").Push();
    auto* d = dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection"));
    ASSERT_NE(d, nullptr);
    d->Control<fw::EditField>("SectionName").LineEdit()->insert(name);
    d->Control<fw::PushButton>("OK").Push();
  }
};

// Re-creating a Section whose files the list lost brings its text and style back.
TEST_F(FolderFiles, NewOverUnlistedFilesTakesThemIn) {
  const QByteArray text = "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs28\\b kept words}";
  const QByteArray style =
      "Font: \tCourier New\nFont Size: \t14\nBold: \tTrue\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t0\t0\t255\n";
  WriteData("Sections.txt", "Other\n");
  WriteData("Tavrin-Lost.txt", text);
  WriteData("Tavrin-Lost-Style.txt", style);
  Start();
  NewSection("Lost");
  EXPECT_EQ(w->EF1().Text(), "kept words");
  EXPECT_EQ(w->BevelNamed("FontMenu").Caption(), "Courier New");
  EXPECT_TRUE(w->BevelNamed("BoldButton").Value());
  EXPECT_EQ(Module1::MySection, "Lost");
  EXPECT_EQ(w->LB1().ListIndex(), 1);
  EXPECT_EQ(ReadData("Sections.txt"), "Other\nLost\n");
  EXPECT_EQ(ReadData("Tavrin-Lost.txt"), text) << "nothing is written over before the user changes it";
  EXPECT_EQ(ReadData("Tavrin-Lost-Style.txt"), style);
  EXPECT_TRUE(ui().Messages().isEmpty());
}

// A pipe opened for reading waits for a writer that never comes: each of the folder's files as a
// pipe must leave start-up, a switch and the close free to go on (a hang ends in the test's
// timeout), and the pipe itself untouched.
TEST_F(FolderFiles, PipesNeverHangAndAreNeverWrittenOver) {
  for (const char* name : {"tavrin.txt", "Tavrin-DefaultStyle.txt", "Tavrin-Inkpots.txt", "Tavrin-P.txt", "Tavrin-Q-Style.txt"})
    MakePipe(QString::fromLatin1(name));
  WriteData("Sections.txt", "P\nQ\n");
  Start();
  EXPECT_EQ(w->LB1().ListCount(), 2);
  // Told like any file that cannot be read; the preferences keep their silent skip.
  EXPECT_EQ(ui().Messages(),
            QStringList({"The file \"" + DataPath("Tavrin-DefaultStyle.txt") + "\" could not be read: it is not a regular file.",
                         "The file \"" + DataPath("Tavrin-Inkpots.txt") + "\" could not be read: it is not a regular file."}));
  ui().Clear();
  w->LB1().UserSelectRow(0);
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains("it is not a regular file")) << ui().Messages()[0].toStdString();
  EXPECT_TRUE(ui().Messages()[0].endsWith("this Section's text cannot be saved while it is there."));
  EXPECT_EQ(w->EF1().Text(), "");
  w->LB1().UserSelectRow(1);  // the empty P has nothing to keep; Q's style file is a pipe too
  EXPECT_EQ(Module1::MySection, "Q");
  ui().SetNextAnswer(fw::kAnswerYes);
  CloseProgram();
  for (const char* name : {"tavrin.txt", "Tavrin-DefaultStyle.txt", "Tavrin-Inkpots.txt", "Tavrin-P.txt", "Tavrin-Q-Style.txt"})
    EXPECT_TRUE(IsPipe(QString::fromLatin1(name))) << name;
}

// A Section text file that cannot be read and cannot be copied aside: the message promises what
// the next save does, and the save keeps that promise. Only a regular file is replaced, and only
// where its own folder (a link's target's) takes a new file.
TEST_F(FolderFiles, AnUnreadableTextFileIsToldWithWhatTheNextSaveDoes) {
  const QString replaced = "The file could not be copied aside: it will be replaced when this Section is next saved.";
  const QString kept = "The file could not be copied aside, and it cannot be replaced: this Section's text cannot be "
                       "saved while it is there.";
  const QString elsewhere = PrefsPath() + "/elsewhere";
  enum class Kind { Damaged, Folder, NoPermission, LinkIntoClosedFolder };
  const struct {
    const char* what;
    Kind kind;
    bool userOnly;  // root reads and writes whatever the permissions say
    bool replaceable;
  } cases[] = {
      {"damaged, the copy aside fails", Kind::Damaged, false, true},
      {"a folder named like the file", Kind::Folder, false, false},
      {"mode 000", Kind::NoPermission, true, true},
      {"a link into a folder that takes no new file", Kind::LinkIntoClosedFolder, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.userOnly && ::geteuid() == 0) continue;
    CloseProgram();
    ReleaseModuleState();
    Module1::ResetState();
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QDir(elsewhere).removeRecursively());
    ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    WriteData("Sections.txt", "X\nOther\n");
    const QString file = DataPath("Tavrin-X.txt");
    switch (c.kind) {
      case Kind::Damaged:
        WriteData("Tavrin-X.txt", "not rich text at all");
        FileFaults::FailAt("Tavrin-X.txt.unreadable", fw::AtomicFile::Step::Open, ENOSPC);
        break;
      case Kind::Folder:
        ASSERT_TRUE(QDir().mkpath(file));
        break;
      case Kind::NoPermission:
        WriteData("Tavrin-X.txt", "{\\rtf1\\ansi old\\par}");
        ASSERT_EQ(::chmod(file.toLocal8Bit().constData(), 0), 0);
        break;
      case Kind::LinkIntoClosedFolder: {
        ASSERT_TRUE(QDir().mkpath(elsewhere));
        QFile target(elsewhere + "/x.txt");
        ASSERT_TRUE(target.open(QIODevice::WriteOnly));
        target.write("not rich text at all");
        target.close();
        ASSERT_TRUE(QFile::link(elsewhere + "/x.txt", file));
        // The copy aside goes beside the link, which the data folder takes: it must fail too.
        FileFaults::FailAt("Tavrin-X.txt.unreadable", fw::AtomicFile::Step::Open, ENOSPC);
        ASSERT_EQ(::chmod(elsewhere.toLocal8Bit().constData(), 0555), 0);
        break;
      }
    }
    ui().Clear();
    Start();
    w->LB1().UserSelectRow(0);
    ASSERT_EQ(ui().Messages().size(), 1);
    EXPECT_TRUE(ui().Messages()[0].endsWith(c.replaceable ? replaced : kept)) << ui().Messages()[0].toStdString();
    EXPECT_EQ(w->EF1().Text(), "");
    Type("typed");
    ui().Clear();
    ui().SetNextAnswer(fw::kAnswerYes);
    w->LB1().UserSelectRow(1);
    if (c.replaceable) {
      // Replaced, and readable again: the next showing has the typed text.
      EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
      w->LB1().UserSelectRow(0);
      EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
      EXPECT_EQ(w->EF1().Text(), "typed");
    } else {
      EXPECT_EQ(ui().Messages().size(), 1u);
      EXPECT_EQ(Module1::MySection, "X") << "the typed text stays shown";
      EXPECT_EQ(w->EF1().Text(), "typed");
    }
  }
  QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A list that exists but cannot be read is said at start-up, and never replaced by this run's
// few names.
TEST_F(FolderFiles, UnreadableListIsToldAndKept) {
  const struct {
    const char* what;
    bool pipe;  // else a file of mode 000, which only root could read
    const char* reason;
  } cases[] = {{"a pipe", true, "it is not a regular file"}, {"mode 000", false, "Permission denied"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.pipe && ::geteuid() == 0) continue;  // root reads a file of mode 000
    CloseProgram();
    ReleaseModuleState();
    Module1::ResetState();
    ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    if (c.pipe) {
      MakePipe("Sections.txt");
    } else {
      WriteData("Sections.txt", "Old\n");
      ASSERT_EQ(::chmod(DataPath("Sections.txt").toLocal8Bit().constData(), 0), 0);
    }
    ui().Clear();
    Start();
    ASSERT_EQ(ui().Messages().size(), 1);
    EXPECT_EQ(ui().Messages()[0], "The list of Sections \"" + DataPath("Sections.txt") + "\" could not be read: " +
                                      c.reason + ".  It is left as it is, and Sections created now are not added to it.");
    NewSection("Fresh");
    EXPECT_TRUE(DataExists("Tavrin-Fresh.txt"));
    CloseProgram();
    if (c.pipe) {
      EXPECT_TRUE(IsPipe("Sections.txt"));
    } else {
      struct stat st {};
      ASSERT_EQ(::stat(DataPath("Sections.txt").toLocal8Bit().constData(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0u) << "the list was replaced";
      ASSERT_EQ(::chmod(DataPath("Sections.txt").toLocal8Bit().constData(), 0600), 0);
      EXPECT_EQ(ReadData("Sections.txt"), "Old\n");
    }
  }
}

// A Section whose text is a regular file and whose style file is a pipe: showing it says the pipe
// cannot be read and goes on (a hang ends in the test's timeout); leaving it says it cannot be
// written, and the pipe stays.
TEST_F(FolderFiles, AStyleFileThatIsAPipeIsToldAndNeverHangs) {
  WriteData("Sections.txt", "R\nOther\n");
  WriteData("Tavrin-R.txt", "{\\rtf1\\ansi regular text\\par}");
  MakePipe("Tavrin-R-Style.txt");
  Start();
  w->LB1().UserSelectRow(0);
  EXPECT_EQ(ui().Messages(), QStringList{"The file \"" + DataPath("Tavrin-R-Style.txt") +
                                         "\" could not be read: it is not a regular file."});
  EXPECT_EQ(w->EF1().Text(), "regular text");
  ui().Clear();
  w->LB1().UserSelectRow(1);
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_EQ(ui().Messages()[0], "The file \"" + DataPath("Tavrin-R-Style.txt") +
                                    "\" could not be saved: it is not a regular file");
  ui().SetNextAnswer(fw::kAnswerYes);
  CloseProgram();
  EXPECT_TRUE(IsPipe("Tavrin-R-Style.txt"));
  EXPECT_TRUE(ReadData("Tavrin-R.txt").contains("regular text"));
}

// A name from a hand-edited list that cannot name its files is told when it is selected, its text
// is never lost silently, Save As under another name keeps it, and neither Save As nor Delete
// touches the files its name would point at: a subfolder's, another Section's style file ("x-Style"
// is "x"'s), the program's own.
TEST_F(FolderFiles, NameThatCannotBeAFileNameIsToldAndSaveAsKeepsTheText) {
  const struct {
    QString name;
    bool del;  // Delete instead of Save As
  } cases[] = {{"a/b", false}, {"a/b", true}, {"x-Style", false}, {"x-Style", true},
               {"INKPOTS", false}, {"defaultstyle", true}};
  const QStringList present = {"Tavrin-a/b.txt", "Tavrin-a/b-Style.txt", "Tavrin-x.txt", "Tavrin-x-Style.txt",
                               "Tavrin-Inkpots.txt", "Tavrin-DefaultStyle.txt"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString() + (c.del ? " Delete" : " Save As"));
    CloseProgram();
    ReleaseModuleState();
    Module1::ResetState();
    ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(DataPath("Tavrin-a")));
    for (const QString& name : present) WriteData(name, "kept " + name.toUtf8());
    WriteData("Sections.txt", (c.name + "\nx\n").toUtf8());
    ui().Clear();
    Start();
    w->LB1().UserSelectRow(0);
    EXPECT_EQ(ui().Messages(), QStringList{"The name of the Section " + c.name +
                                           " cannot be stored as a file name.  Save As under another name keeps its text."});
    Type("precious");
    ui().Clear();
    w->LB1().UserSelectRow(1);
    EXPECT_EQ(ui().Messages(), QStringList{"The text of the Section " + c.name +
                                           " cannot be saved under its name.  Save As under another name keeps it."});
    EXPECT_EQ(Module1::MySection, c.name);
    EXPECT_EQ(w->EF1().Text(), "precious");
    if (c.del) {
      ui().SetNextAnswer(fw::kAnswerYes);
      w->ButtonNamed("DeleteJournal").Push();
      EXPECT_EQ(ReadData("Sections.txt"), "x\n");
    } else {
      w->EditFieldNamed("SectionTitle").SetText("a-b");
      w->ButtonNamed("SaveAs").Push();
      EXPECT_TRUE(ReadData("Tavrin-a-b.txt").contains("precious"));
      EXPECT_EQ(ReadData("Sections.txt"), "a-b\nx\n");
    }
    for (const QString& name : present) EXPECT_EQ(ReadData(name), "kept " + name.toUtf8()) << name.toStdString();
  }
}

// A data folder that is a file is said once at start-up, not at every save that follows (the ink
// pots' too). A road that stops because the shown text cannot be saved says why, once, and stays.
TEST_F(FolderFiles, UnusableDataFolderIsToldOnce) {
  QFile f(PrefsPath() + "/Tavrin");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not a folder");
  f.close();
  Start();
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_EQ(ui().Messages()[0], "The data folder \"" + DataPath() +
                                    "\" cannot be used: it is not a folder.  Nothing you write can be saved.");
  EXPECT_TRUE(Module1::DataFolderUnusable);
  ui().Clear();
  w->SetDefault_Action();
  Module1::saveInkpotColors();
  EXPECT_TRUE(ui().Messages().isEmpty());

  // Sections can be made while the editor is empty: nothing is lost.
  NewSection("A");
  NewSection("B");
  EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
  w->LB1().UserSelectRow(0);
  ASSERT_EQ(Module1::MySection, "A");
  Type("typed");
  const QString why = "The shown text cannot be saved: the data folder \"" + DataPath() +
                      "\" cannot be used: it is not a folder.";
  ExpectTypedTextStopsTheRoads(why, 0, "A", 1, "typed");
  ui().Clear();
  Module1::saveInkpotColors();
  EXPECT_TRUE(ui().Messages().isEmpty());
  ui().SetNextAnswer(fw::kAnswerYes);
  CloseProgram();
  EXPECT_TRUE(QFileInfo(PrefsPath() + "/Tavrin").isFile());
}

// A data folder that can be read but not written: its Sections are listed and shown as usual, and
// that nothing can be saved is said once. Leaving a Section unchanged says nothing, even one whose
// style file is missing (the tool row's record cannot be written, but no text is lost); only a road
// that would lose typed text stops, and a close then asks before losing it.
TEST_F(FolderFiles, AReadOnlyDataFolderShowsItsSectionsAndStopsOnlyWhereTextWouldBeLost) {
  WriteData("Sections.txt", "A\n###B\n");
  WriteData("Tavrin-A.txt", "{\\rtf1\\ansi text of A\\par}");
  WriteData("Tavrin-A-Style.txt",
            "Font: \tArial\nFont Size: \t12\nBold: \tFalse\nItalics: \tFalse\nUnderline: \tFalse\nColor: \t0\t0\t0\n");
  WriteData("Tavrin-B.txt", "{\\rtf1\\ansi text of B\\par}");
  QMap<QString, QByteArray> before;
  for (const QString& name : QDir(DataPath()).entryList(QDir::Files)) {
    before.insert(name, ReadData(name));
    ASSERT_TRUE(QFile::setPermissions(DataPath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                          QFile::ReadOther));
  }
  const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QFile::setPermissions(PrefsPath(), readOnly | QFile::WriteOwner));
  ASSERT_TRUE(QFile::setPermissions(DataPath(), readOnly));
  {
    const AsPlainUser plain;
    ASSERT_TRUE(plain.Bound()) << "permission bits cannot bind this test";
    Start();
    EXPECT_EQ(ui().Messages(), QStringList{"The data folder \"" + DataPath() +
                                           "\" cannot be written to: its Sections are shown, but nothing you write "
                                           "can be saved."});
    ASSERT_EQ(w->LB1().ListCount(), 2);
    EXPECT_EQ(w->LB1().Cell(1, 0), "B");
    EXPECT_EQ(w->LB1().CellTag(1, 0).toString(), "Red");

    ui().Clear();
    for (int row : {0, 1, 0, 1, 0}) {
      w->LB1().UserSelectRow(row);
      EXPECT_EQ(Module1::MySection, row == 0 ? "A" : "B");
      EXPECT_EQ(w->EF1().Text(), row == 0 ? "text of A" : "text of B");
    }
    w->LB1().UserSelectRow(1);
    EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();

    Type(" typed");
    const QString why = "The shown text cannot be saved: the data folder \"" + DataPath() + "\" cannot be written to.";
    ExpectTypedTextStopsTheRoads(why, 1, "B", 0, "text of B typed");
    ui().Clear();
    ui().SetNextAnswer(fw::kAnswerNo);
    w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ui().Messages(),
              QStringList{"The text of the Section B could not be saved.  Quit anyway and lose the changes?"});
    ASSERT_EQ(fw::GetImplicitWindow("Window1"), w) << "No keeps the main window open";
    EXPECT_EQ(w->EF1().Text(), "text of B typed");
    ui().Clear();
    ui().SetNextAnswer(fw::kAnswerYes);
    CloseProgram();
    EXPECT_EQ(ui().Messages().size(), 1) << ui().Messages().join(" | ").toStdString();
  }
  QMap<QString, QByteArray> after;
  for (const QString& name : QDir(DataPath()).entryList(QDir::Files)) after.insert(name, ReadData(name));
  EXPECT_EQ(after, before);
}

// A data folder that cannot be made counts as unusable: said once, then the same silence.
TEST_F(FolderFiles, ADataFolderThatCannotBeMadeIsToldOnce) {
  // Its parent is a file: no one, not even root, can make a folder inside it.
  const QString parent = PrefsPath() + "/file";
  QFile f(parent);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  PointPreferencesAt(parent);
  Start();
  EXPECT_EQ(ui().Messages(), QStringList{"The data folder \"" + parent +
                                         "/Tavrin\" could not be created: nothing you write can be saved."});
  EXPECT_TRUE(Module1::DataFolderUnusable);
  ui().Clear();
  Module1::saveInkpotColors();
  EXPECT_TRUE(ui().Messages().isEmpty());
  ui().SetNextAnswer(fw::kAnswerYes);
  CloseProgram();
  EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
}

}  // namespace
