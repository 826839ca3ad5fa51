// The menu bar as the program builds it and as the main window shows it, the handlers bound to
// its items, Paste Special, and quitting through the menu.
#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include "app/app.h"
#include "app/menubar1.h"
#include "journalfixture.h"
#include "keys.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/controls/menuitem.h"
#include "store/module1.h"
#include "print/printing.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

struct Entry {
  const char* menu;
  const char* name;
  const char* text;
  const char* shortcut;  // the framework's notation
  const char* kind;
  const char* keys;  // as Qt reads it
};

// Menus left to right, items top to bottom.
const Entry kTable[] = {
    {"FileMenu", "FilePageSetup", "Page Setup", "Cmd+Shift+P", "item", "Ctrl+Shift+P"},
    {"FileMenu", "FilePrintHelp", "Print Help", "", "item", ""},
    {"FileMenu", "FilePrintSelectedText", "Print Selected Section Text", "", "item", ""},
    {"FileMenu", "FilePrintSelectedSection", "Print Selected Section", "Cmd+P", "item", "Ctrl+P"},
    {"FileMenu", "UntitledSeparator", "-", "", "separator", ""},
    {"FileMenu", "FileQuit", "&Quit", "Cmd+Q", "quit", "Ctrl+Q"},
    {"EditMenu", "EditUndo", "&Undo", "Cmd+Z", "item", "Ctrl+Z"},
    {"EditMenu", "UntitledMenu1", "-", "", "separator", ""},
    {"EditMenu", "EditCut", "Cu&t", "Cmd+X", "item", "Ctrl+X"},
    {"EditMenu", "EditCopy", "&Copy", "Cmd+C", "item", "Ctrl+C"},
    {"EditMenu", "EditPaste", "&Paste", "Cmd+V", "item", "Ctrl+V"},
    {"EditMenu", "EditPasteSpecial", "Paste Special", "Cmd+Shift+V", "item", "Ctrl+Shift+V"},
    {"EditMenu", "EditClear", "&Delete", "", "item", ""},
    {"EditMenu", "UntitledMenu0", "-", "", "separator", ""},
    {"EditMenu", "EditSelectAll", "Select &All", "Cmd+A", "item", "Ctrl+A"},
    {"CheckforUpdateMenu", "CheckforUpdateCheckNow", "Check Now", "", "item", ""},
    {"HelpMenu", "HelpShow", "Show Help", "", "item", ""},
    {"HelpMenu", "HelpAbout", "About...", "", "application menu", ""},
};

const char* KindOf(const fw::MenuItem& item) {
  if (item.IsSeparator()) return "separator";
  switch (item.ItemKind()) {
    case fw::MenuItem::Kind::Quit: return "quit";
    case fw::MenuItem::Kind::ApplicationMenu: return "application menu";
    case fw::MenuItem::Kind::Item: break;
  }
  return "item";
}

QString Line(const QString& menu, const fw::MenuItem& item) {
  return QStringList{menu, item.Name, item.Text, item.KeyboardShortcut, QString::fromLatin1(KindOf(item)),
                     item.AutoEnable ? "auto-enabled" : "not auto-enabled"}
      .join(" | ");
}

QAction* ActionNamed(fw::Window* w, const char* name) {
  return w->QtMenuBar() ? w->QtMenuBar()->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

using MenusTest = JournalTest;

TEST_F(MenusTest, MenuBarIsBuiltAsTheTableSays) {
  MenuBar1* bar = MenuBar1::MenuBar1_();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(MenuBar1::MenuBar1_(), bar) << "one menu bar per run";
  QStringList titles, built, expected;
  for (int i = 0; i < bar->Count(); ++i) {
    const fw::MenuItem* menu = bar->Item(i);
    titles << Line(QString(), *menu);
    for (int j = 0; j < menu->Count(); ++j) built << Line(menu->Name, *menu->Item(j));
  }
  for (const Entry& e : kTable) {
    expected << QStringList{e.menu, e.name, e.text, e.shortcut, e.kind, "auto-enabled"}.join(" | ");
  }
  EXPECT_EQ(titles, (QStringList{" | FileMenu | &File |  | item | auto-enabled", " | EditMenu | &Edit |  | item | auto-enabled",
                                 " | CheckforUpdateMenu | Check for Update |  | item | auto-enabled",
                                 " | HelpMenu | Tavrin Help |  | item | auto-enabled"}));
  EXPECT_EQ(built, expected);
  EXPECT_EQ(bar->Child("EditMenu"), bar->Item(1));
  EXPECT_EQ(bar->Child("EditCopy"), nullptr) << "Child looks at direct children only";
}

TEST_F(MenusTest, MainWindowShowsEveryItemWithItsShortcut) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QMenuBar* qbar = w->QtMenuBar();
  ASSERT_NE(qbar, nullptr);
  QStringList titles;
  for (QAction* a : qbar->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "Check for Update", "Tavrin Help"}));
  for (const Entry& e : kTable) {
    SCOPED_TRACE(e.name);
    const fw::MenuItem* item = MenuBar1::MenuBar1_()->Find(e.name);
    ASSERT_NE(item, nullptr);
    const QKeySequence expected(QString::fromLatin1(e.keys));
    EXPECT_EQ(item->Shortcut(), expected);
    QAction* a = ActionNamed(w, e.name);
    ASSERT_NE(a, nullptr);
    QMenu* menu = qbar->findChild<QMenu*>(e.menu);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(a)) << "in its own menu";
    EXPECT_EQ(a->isSeparator(), QByteArray(e.kind) == "separator");
    if (!a->isSeparator()) {
      EXPECT_EQ(a->text(), e.text);
      EXPECT_EQ(a->shortcut(), expected);
      EXPECT_TRUE(a->isEnabled());
    }
  }
  EXPECT_EQ(CloseProgram(), 0);
}

TEST_F(MenusTest, ProgramShortcutsReachTheirItems) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), w->Widget()) << "shortcuts need the active window";
  fw::EditField& find = w->EditFieldNamed("FindString");
  const struct {
    int key;
    Qt::KeyboardModifiers m;
    const char* item;
  } cases[] = {
      {Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, "FilePageSetup"},
      {Qt::Key_P, Qt::ControlModifier, "FilePrintSelectedSection"},
      {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, "EditPasteSpecial"},
  };
  for (const auto& c : cases) {
    find.SetFocus();
    fw::EnableTrace(true);
    fw::TraceLog().clear();
    SendKey(find.Widget(), c.key, c.m);
    fw::EnableTrace(false);
    EXPECT_TRUE(fw::TraceLog().contains(QStringLiteral("Menu.") + c.item)) << c.item << ": " << fw::TraceLog().join(", ").toStdString();
  }
  EXPECT_EQ(CloseProgram(), 0);
}

TEST_F(MenusTest, TheEightHandlersAreRegisteredByItemName) {
  ASSERT_NE(StartProgram(), nullptr);
  App* app = App_();
  ASSERT_NE(app, nullptr);
  const QStringList handled = {"CheckforUpdateCheckNow", "HelpShow", "HelpAbout", "FilePageSetup",
                               "FilePrintHelp", "FilePrintSelectedText", "FilePrintSelectedSection", "EditPasteSpecial"};
  for (const Entry& e : kTable) EXPECT_EQ(app->HasMenuHandler(e.name), handled.contains(e.name)) << e.name;
  EXPECT_EQ(CloseProgram(), 0);
}

// Paste Special always goes into the editor at the editor's own selection, with the style the
// editor gives text inserted there, whatever has the focus and whatever styles the clipboard holds.
TEST_F(MenusTest, PasteSpecialPastesPlainTextIntoTheEditor) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  fw::EditField& ef = w->EF1();
  fw::EditField& find = w->EditFieldNamed("FindString");
  const int baseSize = ef.BaseFormat().fontPointSize() > 0 ? static_cast<int>(ef.BaseFormat().fontPointSize()) : 12;
  enum class Clip { Plain, Styled, Empty };
  const struct {
    const char* what;
    Clip clip;
    int selStart, selLength;
    QString expected;
    int insertedAt, insertedLength;
    bool bold;  // the style at the insertion point
    bool editorEnabled = true;
  } cases[] = {
      {"plain text over a plain selection", Clip::Plain, 6, 5, "Hello there", 6, 5, false},
      {"plain text at the caret before the bold word", Clip::Plain, 0, 0, "thereHello world", 0, 5, true},
      {"styled text at the end of the bold word", Clip::Styled, 5, 0, "HelloBIG world", 5, 3, true},
      {"styled text at the end of the text", Clip::Styled, 11, 0, "Hello worldBIG", 11, 3, false},
      {"empty clipboard removes the selection", Clip::Empty, 5, 6, "Hello", 5, 0, false},
      {"empty clipboard, nothing selected", Clip::Empty, 2, 0, "Hello world", 2, 0, false},
      {"the editor disabled", Clip::Plain, 6, 5, "Hello there", 6, 5, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ef.SetEnabled(c.editorEnabled);
    ef.SetText("Hello world");
    ef.SetSelStart(0);
    ef.SetSelLength(5);
    ef.SetSelBold(true);  // "Hello" bold, " world" in the base style
    ef.SetSelStart(c.selStart);
    ef.SetSelLength(c.selLength);
    auto* mime = new QMimeData;
    if (c.clip == Clip::Plain) mime->setText("there");
    if (c.clip == Clip::Styled) {
      mime->setHtml("<b><i><span style=\"font-size:30pt; color:#ff0000\">BIG</span></i></b>");
      mime->setText("BIG");
    }
    QApplication::clipboard()->setMimeData(mime);
    find.SetText("in the find box");
    find.SetFocus();
    QAction* a = ActionNamed(w, "EditPasteSpecial");
    ASSERT_NE(a, nullptr);
    a->trigger();
    EXPECT_EQ(ef.Text(), c.expected);
    EXPECT_EQ(find.Text(), "in the find box");
    for (int i = c.insertedAt; i < c.insertedAt + c.insertedLength; ++i) {
      const fw::TextStyle s = ef.StyleAt(i);
      EXPECT_EQ(s.Bold, c.bold) << i;
      EXPECT_FALSE(s.Italic) << i;
      EXPECT_EQ(s.Size, baseSize) << i;
      EXPECT_EQ(s.TextColor, fw::kBlack) << i;
    }
  }
  EXPECT_FALSE(fw::HasFailed());
  EXPECT_TRUE(ui().Messages().isEmpty());
  EXPECT_EQ(CloseProgram(), 0);
}

// Commands that act on the main window, run after it closed (a menu left open, a dialog still up):
// they stop at their check for the window instead of making a new, empty main window.
TEST_F(MenusTest, CommandsOnTheMainWindowMakeNoNewOneWhenItIsClosed) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  getNewSection* dialog = getNewSection::getNewSection_();
  w->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
  const struct {
    const char* what;
    std::function<void()> run;
  } cases[] = {
      {"Paste Special", [] { App_()->EditPasteSpecial_Action(); }},
      {"Print Selected Section Text", [] { Printing::printSelectedText(); }},
      {"Print Selected Section", [] { Printing::printSelectedSection(); }},
      {"OK of the new-section dialog", [dialog] { dialog->OK_Action(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(c.run(), fw::NilObjectException);
    EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
  }
  EXPECT_TRUE(ui().Messages().isEmpty());
  dialog->Close();
  EXPECT_EQ(CloseProgram(), 0);
}

// Quitting through the menu closes the main window with its whole Close sequence, then the
// application's Close writes the preferences file a second time with the same lines.
class QuitTest : public JournalTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuitTest, QuitRunsTheWindowsCloseAndWritesThePreferencesTwice) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  const std::string how = GetParam();
  fw::EnableTrace(true);
  fw::TraceLog().clear();
  if (how == "QuitFromMenu") {
    fw::QuitFromMenu();
  } else if (how == "FileQuitAction") {
    ASSERT_NE(ActionNamed(w, "FileQuit"), nullptr);
    ActionNamed(w, "FileQuit")->trigger();
  } else {
    ASSERT_EQ(QApplication::activeWindow(), w->Widget());
    SendKey(w->EF1().Widget(), Qt::Key_Q, Qt::ControlModifier);
  }
  fw::EnableTrace(false);
  EXPECT_TRUE(fw::TraceLog().contains("Window1.Close")) << fw::TraceLog().join(", ").toStdString();
  EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
  const QByteArray expected = "#Window1Position 150,150,700,500\n#MySection \n";
  EXPECT_EQ(ReadData("tavrin.txt"), expected) << "written by the window's Close";
  EXPECT_TRUE(DataExists("Sections.txt"));
  EXPECT_TRUE(DataExists("Tavrin-Inkpots.txt"));
  ASSERT_TRUE(QFile::remove(DataPath("tavrin.txt")));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(fw::FinishApplication(0), 0);
  EXPECT_EQ(ReadData("tavrin.txt"), expected) << "written again by the application's Close";
  EXPECT_TRUE(ui().Messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitTest, ::testing::Values("QuitFromMenu", "FileQuitAction", "CtrlQ"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
