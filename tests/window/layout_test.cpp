// The main window as made: its 33 controls, their places and design values, which events have
// handlers, how the locks follow a resize, and what closing right after start-up writes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTextEdit>

#include "filefaults.h"
#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/checkbox.h"
#include "platform/controls/groupbox.h"
#include "platform/controls/line.h"
#include "platform/controls/rectangle.h"
#include "platform/controls/roundrectangle.h"
#include "platform/controls/statictext.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

namespace {

using fw::RectControl;

QString ClassOf(RectControl* c) {
  // Most derived first: a RoundRectangle is also a Rectangle.
  if (dynamic_cast<fw::RoundRectangle*>(c)) return "RoundRectangle";
  if (dynamic_cast<fw::Rectangle*>(c)) return "Rectangle";
  if (dynamic_cast<fw::GroupBox*>(c)) return "GroupBox";
  if (dynamic_cast<fw::PushButton*>(c)) return "PushButton";
  if (dynamic_cast<fw::BevelButton*>(c)) return "BevelButton";
  if (dynamic_cast<fw::StaticText*>(c)) return "StaticText";
  if (dynamic_cast<fw::Listbox*>(c)) return "Listbox";
  if (dynamic_cast<fw::EditField*>(c)) return "EditField";
  if (dynamic_cast<fw::CheckBox*>(c)) return "CheckBox";
  if (dynamic_cast<fw::Line*>(c)) return "Line";
  return "?";
}

QString TextOf(RectControl* c) {
  if (auto* x = dynamic_cast<fw::GroupBox*>(c)) return x->Caption();
  if (auto* x = dynamic_cast<fw::PushButton*>(c)) return x->Caption();
  if (auto* x = dynamic_cast<fw::BevelButton*>(c)) return x->Caption();
  if (auto* x = dynamic_cast<fw::StaticText*>(c)) return x->Text();
  if (auto* x = dynamic_cast<fw::EditField*>(c)) return x->Text();
  if (auto* x = dynamic_cast<fw::CheckBox*>(c)) return x->Caption();
  return QString();
}

struct Design {
  const char* name;
  const char* cls;
  int left, top, width, height;
  const char* parent;
  bool visible;
  const char* text;
};

constexpr const char* G = "GroupBox1";

const Design kControls[] = {
    {"GroupBox1", "GroupBox", 20, 3, 660, 53, "", true, ""},
    {"NewJournal", "PushButton", 33, 22, 80, 20, G, true, "New"},
    {"DeleteJournal", "PushButton", 125, 22, 80, 20, G, true, "Delete"},
    {"StaticText2", "StaticText", 216, 24, 38, 16, G, true, "Font:"},
    {"FontMenu", "BevelButton", 260, 24, 135, 16, G, true, ""},
    {"StaticText3", "StaticText", 402, 24, 35, 16, G, true, "Size:"},
    {"SizeMenu", "BevelButton", 441, 24, 43, 16, G, true, ""},
    {"BoldButton", "BevelButton", 496, 24, 16, 16, G, true, "B"},
    {"ItalicButton", "BevelButton", 518, 24, 16, 16, G, true, "I"},
    {"UnderlineButton", "BevelButton", 539, 24, 16, 16, G, true, "U"},
    {"ColorRect", "Rectangle", 634, 22, 31, 20, G, true, ""},
    {"MyColor", "PushButton", 565, 22, 57, 20, G, true, "Color"},
    {"LB1", "Listbox", 20, 61, 187, 417, "", true, ""},
    {"EF1", "EditField", 219, 210, 461, 268, "", true, ""},
    {"StaticText1", "StaticText", 219, 179, 112, 20, "", true, "Selected Section:"},
    {"SectionTitle", "EditField", 333, 179, 187, 22, "", true, ""},
    {"SetDefault", "PushButton", 372, 142, 147, 20, "", true, "Set Default Style"},
    {"SaveAs", "PushButton", 539, 179, 120, 20, "", true, "Save As"},
    {"EF2", "EditField", 299, 532, 80, 22, "", false, ""},
    {"InkPot1", "RoundRectangle", 554, 143, 20, 20, "", true, ""},
    {"InkPot2", "RoundRectangle", 580, 143, 20, 20, "", true, ""},
    {"InkPot3", "RoundRectangle", 606, 143, 20, 20, "", true, ""},
    {"InkPot4", "RoundRectangle", 632, 143, 20, 20, "", true, ""},
    {"InkPot5", "RoundRectangle", 658, 143, 20, 20, "", true, ""},
    {"FindString", "EditField", 258, 92, 163, 22, "", true, ""},
    {"StaticText4", "StaticText", 258, 72, 163, 20, "", true, "Find Text"},
    {"Find", "PushButton", 433, 93, 80, 20, "", true, "Find"},
    {"FindNext", "PushButton", 433, 61, 80, 20, "", true, "Find Next"},
    {"FindPrevious", "PushButton", 525, 61, 120, 20, "", true, "Find Previous"},
    {"IgnoreCase", "CheckBox", 533, 94, 119, 20, "", true, "Ignore Case"},
    {"Line1", "Line", 224, 129, 455, 1, "", true, ""},
    {"ThisScroll", "EditField", 168, 532, 98, 22, "", false, ""},
    {"StaticText5", "StaticText", 64, 533, 100, 20, "", false, "Scroll Position"},
};

const QStringList kEvents = {"Action", "Open",       "Change",     "DoubleClick",
                             "TextChange", "MouseDown", "DropObject", "CellTextPaint"};

using Layout = JournalTest;

TEST_F(Layout, ControlsAreMadeInOrderWithTheirDesignValues) {
  Window1* w = Window1::Window1_();
  ASSERT_NE(w, nullptr);
  const std::vector<RectControl*>& controls = w->Controls();
  ASSERT_EQ(controls.size(), std::size(kControls));
  for (size_t i = 0; i < controls.size(); ++i) {
    const Design& d = kControls[i];
    RectControl* c = controls[i];
    SCOPED_TRACE(d.name);
    EXPECT_EQ(c->Name(), d.name) << "made as #" << i + 1;
    EXPECT_EQ(ClassOf(c), d.cls);
    EXPECT_EQ(c->Left(), d.left);
    EXPECT_EQ(c->Top(), d.top);
    EXPECT_EQ(c->Width(), d.width);
    EXPECT_EQ(c->Height(), d.height);
    EXPECT_EQ(c->Properties().InitialParent, d.parent);
    EXPECT_EQ(c->Visible(), d.visible);
    EXPECT_EQ(TextOf(c), d.text);
    EXPECT_EQ(c->Enabled(), c->Name() != "SaveAs");
  }
}

TEST_F(Layout, DesignStateOfTheWindow) {
  Window1* w = Window1::Window1_();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Title(), "Tavrin");
  EXPECT_FALSE(w->ButtonNamed("SaveAs").Enabled());
  EXPECT_TRUE(w->Control<fw::CheckBox>("IgnoreCase").Value());
  EXPECT_EQ(w->RectNamed("ColorRect").FillColor(), fw::kWhite);
  for (int n = 1; n <= 5; ++n) {
    fw::Rectangle& pot = w->RectNamed("InkPot" + QString::number(n));
    EXPECT_EQ(pot.FillColor(), fw::kWhite) << n;
    EXPECT_EQ(pot.OvalWidth(), 16);
    EXPECT_EQ(pot.OvalHeight(), 16);
  }
  EXPECT_EQ(w->LB1().Heading(0), QString(15, u' ') + "Sections");
  EXPECT_EQ(w->LB1().ListCount(), 0);
  EXPECT_EQ(w->LB1().HeadingIndex(), -1);
  EXPECT_TRUE(w->LB1().RequiresSelection());
  EXPECT_TRUE(w->EF1().Multiline());
  EXPECT_TRUE(w->EF1().Styled());
  EXPECT_FALSE(w->EF1().ReadOnly());
  EXPECT_TRUE(w->EditFieldNamed("EF2").Multiline());
  EXPECT_TRUE(w->EditFieldNamed("EF2").Styled());
  EXPECT_FALSE(w->EditFieldNamed("SectionTitle").Multiline());
  EXPECT_FALSE(w->EditFieldNamed("FindString").Multiline());
  EXPECT_TRUE(w->EditFieldNamed("ThisScroll").ReadOnly());
  fw::Line& rule = w->Control<fw::Line>("Line1");
  EXPECT_EQ(rule.X1(), 224);
  EXPECT_EQ(rule.Y1(), 129);
  EXPECT_EQ(rule.X2(), 678);
  EXPECT_EQ(rule.Y2(), 129);
  for (const char* toggle : {"BoldButton", "ItalicButton", "UnderlineButton"}) EXPECT_FALSE(w->BevelNamed(toggle).Value()) << toggle;
}

TEST_F(Layout, EachControlHasHandlersForItsEventsOnly) {
  struct Binding {
    const char* control;
    QStringList events;
  };
  const QStringList pot = {"Open", "DropObject", "MouseDown"};
  const Binding bindings[] = {
      {"GroupBox1", {}},
      {"NewJournal", {"Action"}},
      {"DeleteJournal", {"Action"}},
      {"StaticText2", {}},
      {"FontMenu", {"Open", "Action"}},
      {"StaticText3", {}},
      {"SizeMenu", {"Open", "Action"}},
      {"BoldButton", {"Action"}},
      {"ItalicButton", {"Action"}},
      {"UnderlineButton", {"Action"}},
      {"ColorRect", {"Open", "MouseDown", "DropObject"}},
      {"MyColor", {"Action"}},
      {"LB1", {"Change", "DoubleClick", "CellTextPaint"}},
      {"EF1", {"MouseDown"}},
      {"StaticText1", {}},
      {"SectionTitle", {"TextChange"}},
      {"SetDefault", {"Action"}},
      {"SaveAs", {"Action"}},
      {"EF2", {}},
      {"InkPot1", pot},
      {"InkPot2", pot},
      {"InkPot3", pot},
      {"InkPot4", pot},
      {"InkPot5", pot},
      {"FindString", {"TextChange"}},
      {"StaticText4", {}},
      {"Find", {"Action"}},
      {"FindNext", {"Action"}},
      {"FindPrevious", {"Action"}},
      {"IgnoreCase", {}},
      {"Line1", {}},
      {"ThisScroll", {"TextChange"}},
      {"StaticText5", {}},
  };
  Window1* w = Window1::Window1_();
  ASSERT_EQ(w->Controls().size(), std::size(bindings));
  for (const Binding& b : bindings) {
    SCOPED_TRACE(b.control);
    RectControl* c = w->ControlByName(b.control);
    ASSERT_NE(c, nullptr);
    for (const QString& e : kEvents) EXPECT_EQ(c->HasHandler(e), b.events.contains(e)) << e.toStdString();
  }
}

TEST_F(Layout, MakingTheWindowRunsNoHandler) {
  fw::EnableTrace(true);
  fw::TraceLog().clear();
  Window1* w = Window1::Window1_();
  fw::EnableTrace(false);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(fw::TraceLog().isEmpty()) << fw::TraceLog().join(", ").toStdString();
  // What the handlers would have left behind: filled pop-ups, a changed typing style, files.
  EXPECT_EQ(w->BevelNamed("FontMenu").ListCount(), 0);
  EXPECT_EQ(w->BevelNamed("SizeMenu").ListCount(), 0);
  EXPECT_EQ(w->BevelNamed("FontMenu").Caption(), "");
  EXPECT_EQ(Module1::MyFont, "");
  EXPECT_EQ(Module1::MySize, 0);
  EXPECT_FALSE(QDir(DataPath()).exists());
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Layout, TheAccessorReturnsTheOneWindow) {
  Window1* first = Window1::Window1_();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Window1::Window1_(), first);
  EXPECT_EQ(fw::OpenWindows().size(), 1);
}

TEST_F(Layout, TheAccessorReturnsTheOneWindowThroughoutARun) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Window1::Window1_(), w);
  EXPECT_EQ(fw::OpenWindows().size(), 1);
}

TEST_F(Layout, ResizingStretchesOnlyTheEditorAndTheList) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->Width(), 700);
  ASSERT_EQ(w->Height(), 500);
  std::vector<QRect> before;
  for (RectControl* c : w->Controls()) before.emplace_back(c->Left(), c->Top(), c->Width(), c->Height());

  w->SetWidth(800);
  w->SetHeight(550);
  ASSERT_EQ(w->Width(), 800);
  ASSERT_EQ(w->Height(), 550);
  for (size_t i = 0; i < before.size(); ++i) {
    RectControl* c = w->Controls()[i];
    SCOPED_TRACE(c->Name().toStdString());
    QRect expected = before[i];
    if (c->Name() == "EF1") expected.setSize({561, 318});
    if (c->Name() == "LB1") expected.setHeight(467);
    EXPECT_EQ(QRect(c->Left(), c->Top(), c->Width(), c->Height()), expected);
  }
  for (const char* hidden : {"EF2", "ThisScroll", "StaticText5"}) EXPECT_FALSE(w->ControlByName(hidden)->Visible()) << hidden;

  // Never smaller than the design size.
  w->SetWidth(600);
  w->SetHeight(400);
  EXPECT_EQ(w->Width(), 700);
  EXPECT_EQ(w->Height(), 500);
  for (size_t i = 0; i < before.size(); ++i) {
    RectControl* c = w->Controls()[i];
    EXPECT_EQ(QRect(c->Left(), c->Top(), c->Width(), c->Height()), before[i]) << c->Name().toStdString();
  }
}

TEST_F(Layout, MovingAndResizingCopyTheWholeRectangle) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  auto scramble = [] {
    prefModule::Window1Top = prefModule::Window1Left = prefModule::Window1Width = prefModule::Window1Height = -1;
  };
  auto expectCopied = [w] {
    EXPECT_EQ(prefModule::Window1Top, w->Top());
    EXPECT_EQ(prefModule::Window1Left, w->Left());
    EXPECT_EQ(prefModule::Window1Width, w->Width());
    EXPECT_EQ(prefModule::Window1Height, w->Height());
  };
  // The user moves the window, then drags it larger by 200 x 150.
  QWidget* frame = w->Widget();
  scramble();
  frame->move(40, 60);
  EXPECT_EQ(w->Top(), 60);
  EXPECT_EQ(w->Left(), 40);
  expectCopied();

  scramble();
  frame->resize(frame->width() + 200, frame->height() + 150);
  EXPECT_EQ(prefModule::Window1Width, 900);
  EXPECT_EQ(prefModule::Window1Height, 650);
  expectCopied();

  for (void (Window1::*event)() : {&Window1::Event_Moved, &Window1::Event_Resized, &Window1::Event_Resizing}) {
    scramble();
    (w->*event)();
    expectCopied();
  }
  // Restore puts the recorded rectangle back.
  prefModule::Window1Top = 70;
  prefModule::Window1Left = 80;
  prefModule::Window1Width = 750;
  prefModule::Window1Height = 520;
  w->Event_Restore();
  EXPECT_EQ(w->Top(), 70);
  EXPECT_EQ(w->Left(), 80);
  EXPECT_EQ(w->Width(), 750);
  EXPECT_EQ(w->Height(), 520);
}

TEST_F(Layout, OpensAtTheStoredRectangle) {
  WriteData("tavrin.txt", "#Window1Position 40,60,900,650\n#MySection \n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Top(), 40);
  EXPECT_EQ(w->Left(), 60);
  EXPECT_EQ(w->Width(), 900);
  EXPECT_EQ(w->Height(), 650);
}

TEST_F(Layout, BevelButtonsTakeNoFocus) {
  Window1* w = Window1::Window1_();
  for (const char* name : {"FontMenu", "SizeMenu", "BoldButton", "ItalicButton", "UnderlineButton"})
    EXPECT_FALSE(w->BevelNamed(name).AcceptFocus()) << name;
  for (const char* name : {"GroupBox1", "ColorRect", "InkPot1", "InkPot5"}) EXPECT_FALSE(w->ControlByName(name)->AcceptFocus()) << name;
  EXPECT_TRUE(w->EF1().AcceptFocus());
}

TEST_F(Layout, TabInTheEditorTypesATab) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QTextEdit* te = w->EF1().TextEdit();
  w->EF1().SetText("ab");
  w->EF1().SetSelStart(1);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
  QApplication::sendEvent(te, &press);
  EXPECT_EQ(w->EF1().Text(), "a\tb");
  EXPECT_FALSE(te->tabChangesFocus());
  EXPECT_TRUE(w->EditFieldNamed("EF2").TextEdit()->tabChangesFocus());
}

TEST_F(Layout, ClosingRightAfterStartUpWritesListPrefsAndPotsOnly) {
  WriteData("Sections.txt", "Diary\n###Work\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray("Diary\n###Work\n"));
  const QList<QByteArray> prefs = ReadData("tavrin.txt").split('\n');
  ASSERT_GE(prefs.size(), 2);
  EXPECT_EQ(prefs[0], "#Window1Position 150,150,700,500");
  EXPECT_EQ(prefs[1], "#MySection ");
  EXPECT_EQ(ReadData("Tavrin-Inkpots.txt"),
            QByteArray("InkPot1Color: \t255\t255\t255\nInkPot2Color: \t255\t255\t255\nInkPot3Color: \t255\t255\t255\n"
                       "InkPot4Color: \t255\t255\t255\nInkPot5Color: \t255\t255\t255\n"));
  QStringList files = QDir(DataPath()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  files.sort();
  EXPECT_EQ(files, (QStringList{"Sections.txt", "Tavrin-Inkpots.txt", "tavrin.txt"}));
  EXPECT_TRUE(ui().Calls().isEmpty());
}

TEST_F(Layout, ClosingGoesOnWhenTheListCannotBeSaved) {
  WriteData("Sections.txt", "Diary\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  w->LB1().AddRow("Work");
  FileFaults::FailWrite("Sections.txt", "disk full");
  EXPECT_EQ(CloseProgram(), 0);
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray("Diary\n"));
  ASSERT_EQ(ui().Messages().size(), 1);
  EXPECT_TRUE(ui().Messages()[0].contains(DataPath("Sections.txt")));
  EXPECT_TRUE(DataExists("tavrin.txt"));
  EXPECT_TRUE(DataExists("Tavrin-Inkpots.txt"));
}

}  // namespace
