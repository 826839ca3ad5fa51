// The help window: its text, its read-only field, and one window per accessor.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTextEdit>
#include <QWidget>

#include "app/app.h"
#include "info/help.h"
#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "window/window1.h"

namespace {

class HelpTest : public JournalTest {
 protected:
  void SetUp() override {
    JournalTest::SetUp();
    ASSERT_NE(StartProgram(), nullptr);
  }
  void TearDown() override {
    CloseProgram();
    JournalTest::TearDown();
  }
  static void CloseAndDelete(fw::Window* w) {
    w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  static int OpenOfClass(const QString& name) {
    int n = 0;
    for (fw::Window* w : fw::OpenWindows()) n += w->ClassName() == name;
    return n;
  }
};

// Seventeen one-line paragraphs, one empty line apart, each stating its topic's facts in order.
TEST_F(HelpTest, TheHelpTextHasItsSeventeenParagraphs) {
  const QStringList& paragraphs = Help::Paragraphs();
  ASSERT_EQ(paragraphs.size(), 17);
  const QList<QStringList> facts = {
      {"Tavrin", "Sections", "as long as you like", "bold, italic, underlined, colour", "letter by letter", "printed",
       "bottom right corner", "maximize button"},
      {"\"New\"", "no other Section has", "\"OK\"", "end of the list", "up or down", "(\"Sections\")", "a to z",
       "z to a", "paste", "hint", "keeps the style", "default style before you paste"},
      {"double-click", "plain black to bold red", "second double-click"},
      {"\"Color\" button", "colour picker", "\"OK\"", "\"Swatch\"", "right of the \"Color\" button", "five \"Inkpots\"",
       "Ctrl key", "from the Swatch to an ink pot", "select it and click the Swatch or an ink pot"},
      {"cannot be made pure white"},
      {"letter", "word", "sentence", "paragraph", "at the top", "font, font size, bold, italic, underline and colour"},
      {"search", "with or without regard to", "case"},
      {"saved when you click another Section", "quit"},
      {"Click a Section's name", "its text"},
      {"click its name", "\"Delete\"", "deleted"},
      {"\"Selected Section\" field", "\"Save As\""},
      {"Arial, size 12, not bold, not italic, not underlined, in black", "\"Set Default Style\"", "new Sections"},
      {"\"Edit > Paste\"", "keeps the style", "\"Edit > Paste Special\"", "style of the Section at the insertion point"},
      {"size and place", "Section names, texts and styles", "automatically"},
      {"click its name", "Portrait", "\"File > Page Setup\"", "\"File > Print Selected Section\""},
      {"click its name", "select the text", "Portrait", "\"File > Page Setup\"", "\"File > Print Selected Section Text\""},
      {"\"File > Print Help\"", "prints this help"},
  };
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_FALSE(paragraphs[i].contains(u'\n')) << "one line";
    qsizetype at = 0;
    for (const QString& fact : facts[i]) {
      const qsizetype found = paragraphs[i].indexOf(fact, at);
      EXPECT_GE(found, 0) << "\"" << fact.toStdString() << "\", in order, in: " << paragraphs[i].toStdString();
      if (found >= 0) at = found + fact.size();
    }
  }
  Help* help = Help::Help_();
  EXPECT_EQ(help->EditField1().Text(), paragraphs.join(QStringLiteral("\n\n")));
}

TEST_F(HelpTest, TheWindowIsBuiltAsDesigned) {
  Help* help = Help::Help_();
  const fw::WindowProperties& p = help->Properties();
  EXPECT_EQ(help->Title(), QStringLiteral("Help"));
  EXPECT_EQ(p.Frame, 0);
  EXPECT_EQ(help->Width(), 350);
  EXPECT_EQ(help->Height(), 348);
  EXPECT_EQ(help->Widget()->minimumSize(), help->Widget()->maximumSize()) << "not resizable";
  const Qt::WindowFlags flags = help->Widget()->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  ASSERT_EQ(help->Controls().size(), 1u);
  fw::EditField& field = help->EditField1();
  EXPECT_EQ(QRect(field.Left(), field.Top(), field.Width(), field.Height()), QRect(20, 19, 310, 309));
  EXPECT_TRUE(field.Multiline());
  EXPECT_TRUE(field.Styled());
  EXPECT_TRUE(field.ReadOnly());
  EXPECT_TRUE(field.TextEdit()->tabChangesFocus()) << "tabs not accepted";
  EXPECT_EQ(field.TextEdit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_NE(field.TextEdit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(field.Widget()->font(), QApplication::font()) << "the system font, plain";
}

// Typing, pasting, cutting, deleting and undoing change nothing; selecting and copying work.
TEST_F(HelpTest, TheFieldIsReadOnlyButCopies) {
  ASSERT_FALSE(App_()->HelpShow_Action());
  Help* help = Help::Help_();
  fw::EditField& field = help->EditField1();
  const QString text = field.Text();
  QCoreApplication::processEvents();
  field.SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), field.Widget());
  QApplication::clipboard()->setText(QStringLiteral("pasted"));
  field.SetSelStart(0);
  field.SetSelLength(6);
  for (int key : {Qt::Key_X, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Return}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_X ? QStringLiteral("x") : QString());
    QCoreApplication::sendEvent(field.TextEdit()->viewport(), &press);
  }
  EXPECT_EQ(field.SelLength(), 6) << "the keys left the selection";
  EXPECT_EQ(field.Text(), text) << "typed";
  for (fw::EditCommand c : {fw::EditCommand::Paste, fw::EditCommand::Cut, fw::EditCommand::Clear, fw::EditCommand::Undo}) {
    fw::ApplyEditCommand(c);
    EXPECT_EQ(field.Text(), text) << "edit command " << static_cast<int>(c);
  }

  // Copying, from the Edit menu's commands and from the keyboard.
  fw::ApplyEditCommand(fw::EditCommand::SelectAll);
  EXPECT_EQ(field.SelLength(), text.size());
  fw::ApplyEditCommand(fw::EditCommand::Copy);
  EXPECT_EQ(QApplication::clipboard()->text(), text);
  field.SetSelStart(0);
  field.SetSelLength(6);
  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
  QCoreApplication::sendEvent(field.TextEdit(), &copy);
  EXPECT_EQ(QApplication::clipboard()->text(), text.left(6));
}

// One window per accessor: shown again while open, made anew after the user closed it. The same
// for the about box.
TEST_F(HelpTest, ShowHelpAndAboutShowTheOneWindowOfTheirClass) {
  struct Case {
    const char* className;
    bool (App::*command)();
  } cases[] = {{"Help", &App::HelpShow_Action}, {"AboutBox", &App::HelpAbout_Action}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    EXPECT_FALSE((App_()->*c.command)());
    fw::Window* first = fw::GetImplicitWindow(c.className);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->IsOpened());
    EXPECT_TRUE(first->Widget()->isVisible());
    (App_()->*c.command)();
    EXPECT_EQ(fw::GetImplicitWindow(c.className), first);
    EXPECT_EQ(OpenOfClass(c.className), 1);
    CloseAndDelete(first);
    EXPECT_EQ(fw::GetImplicitWindow(c.className), nullptr);
    (App_()->*c.command)();
    EXPECT_NE(fw::GetImplicitWindow(c.className), nullptr);
    EXPECT_EQ(OpenOfClass(c.className), 1);
  }
  EXPECT_TRUE(ui().Messages().isEmpty());
}

}  // namespace
