#include "window/window1.h"

#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/controls/listbox.h"
#include "platform/controls/menubar.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/checkbox.h"
#include "platform/controls/groupbox.h"
#include "platform/controls/line.h"
#include "platform/controls/rectangle.h"
#include "platform/controls/roundrectangle.h"
#include "platform/controls/statictext.h"
#include "platform/dialogs/uiservice.h"
#include "platform/system/application.h"
#include "store/module1.h"
#include "store/prefmodule.h"

using namespace fw;

namespace {
constexpr bool L = true;  // locked to that edge
constexpr bool _ = false;

ControlProperties At(int left, int top, int width, int height, bool lockLeft, bool lockTop, bool lockRight,
                     bool lockBottom, bool bold, int tabIndex, const char* parent = "") {
  ControlProperties p = PlacedAt(left, top, width, height, lockLeft, lockTop, lockRight, lockBottom);
  p.Bold = bold;
  p.TabIndex = tabIndex;
  p.InitialParent = QString::fromLatin1(parent);
  return p;
}

ControlProperties Hidden(ControlProperties p) {
  p.Visible = false;
  return p;
}
}  // namespace

Window1::Window1() : Window(QStringLiteral("Window1")) {}

Window1* Window1::Window1_() { return ImplicitWindow<Window1>(QStringLiteral("Window1")); }
Window1* Window1::Open() { return dynamic_cast<Window1*>(GetImplicitWindow(QStringLiteral("Window1"))); }

void Window1::Layout() {
  SetMenuBar(ProgramMenuBar());
  WindowProperties p;
  p.Frame = 0;
  p.Title = QStringLiteral("Tavrin");
  p.Width = 700;
  p.Height = 500;
  p.MinWidth = 700;
  p.MinHeight = 500;
  p.MaxWidth = 32000;
  p.MaxHeight = 32000;
  p.Resizeable = true;
  p.LiveResize = true;
  p.CloseButton = p.MinimizeButton = p.MaximizeButton = true;
  p.Visible = true;
  p.FullScreen = false;
  p.MenuBarVisible = true;
  p.HasBackColor = false;
  p.BackColor = kWhite;
  p.Placement = 0;
  SetProperties(p);
}

void Window1::CreateControls() { CreateControls0(); }

void Window1::CreateControls0() {
  // The style tool row.
  auto* group = New<GroupBox>("GroupBox1", At(20, 3, 660, 53, L, L, _, _, true, 0));
  group->SetCaption(QString());

  auto* newJournal = New<PushButton>("NewJournal", At(33, 22, 80, 20, L, L, _, _, true, 0, "GroupBox1"));
  newJournal->SetCaption(QStringLiteral("New"));
  newJournal->InstallHandler("Action", [this] { NewJournal_Action(); });

  auto* deleteJournal = New<PushButton>("DeleteJournal", At(125, 22, 80, 20, L, L, _, _, true, 1, "GroupBox1"));
  deleteJournal->SetCaption(QStringLiteral("Delete"));
  deleteJournal->InstallHandler("Action", [this] { DeleteJournal_Action(); });

  auto* fontLabel = New<StaticText>("StaticText2", At(216, 24, 38, 16, L, L, _, _, true, 2, "GroupBox1"));
  fontLabel->SetText(QStringLiteral("Font:"));
  fontLabel->SetTextAlign(2);

  ControlProperties fontProps = At(260, 24, 135, 16, L, L, _, _, false, 3, "GroupBox1");
  fontProps.TextSize = 9;
  auto* fontMenu = New<BevelButton>("FontMenu", fontProps);
  fontMenu->SetCaption(QString());
  fontMenu->SetHasMenu(1);
  fontMenu->SetCaptionAlign(3);
  fontMenu->SetBevel(0);
  fontMenu->InstallHandler("Open", [this] { FontMenu_Open(); });
  fontMenu->InstallHandler("Action", [this] { FontMenu_Action(); });

  auto* sizeLabel = New<StaticText>("StaticText3", At(402, 24, 35, 16, L, L, _, _, true, 4, "GroupBox1"));
  sizeLabel->SetText(QStringLiteral("Size:"));
  sizeLabel->SetTextAlign(2);

  auto* sizeMenu = New<BevelButton>("SizeMenu", At(441, 24, 43, 16, L, L, _, _, false, 5, "GroupBox1"));
  sizeMenu->SetCaption(QString());
  sizeMenu->SetHasMenu(1);
  sizeMenu->SetCaptionAlign(3);
  sizeMenu->SetBevel(0);
  sizeMenu->InstallHandler("Open", [this] { SizeMenu_Open(); });
  sizeMenu->InstallHandler("Action", [this] { SizeMenu_Action(); });

  struct Toggle { const char* name; const char* caption; int left; bool bold; int tab; void (Window1::*action)(); };
  const Toggle toggles[] = {{"BoldButton", "B", 496, true, 6, &Window1::BoldButton_Action},
                            {"ItalicButton", "I", 518, false, 7, &Window1::ItalicButton_Action},
                            {"UnderlineButton", "U", 539, false, 8, &Window1::UnderlineButton_Action}};
  for (const Toggle& t : toggles) {
    ControlProperties p = At(t.left, 24, 16, 16, L, L, _, _, t.bold, t.tab, "GroupBox1");
    p.TextSize = 9;
    auto* b = New<BevelButton>(QString::fromLatin1(t.name), p);
    b->SetCaption(QString::fromLatin1(t.caption));
    b->SetButtonType(1);
    b->SetValue(false);
    b->SetCaptionAlign(3);
    b->SetBevel(0);
    b->InstallHandler("Action", [this, action = t.action] { (this->*action)(); });
  }

  auto* swatch = New<Rectangle>("ColorRect", At(634, 22, 31, 20, _, _, _, _, false, -1, "GroupBox1"));
  swatch->SetFillColor(RGB(255, 255, 255));
  swatch->SetBorderWidth(1);
  swatch->SetTopLeftColor(kBlack);
  swatch->SetBottomRightColor(kBlack);
  swatch->InstallHandler("Open", [this] { ColorRect_Open(); });
  swatch->InstallHandler("MouseDown", MouseDownHandler([this](int x, int y) { return ColorRect_MouseDown(x, y); }));
  swatch->InstallHandler("DropObject", DropObjectHandler([this](DragItem& i, int a) { ColorRect_DropObject(i, a); }));

  auto* colorButton = New<PushButton>("MyColor", At(565, 22, 57, 20, _, _, _, _, true, 10, "GroupBox1"));
  colorButton->SetCaption(QStringLiteral("Color"));
  colorButton->InstallHandler("Action", [this] { MyColor_Action(); });

  // The section list and the editor.
  auto* list = New<Listbox>("LB1", At(20, 61, 187, 417, L, L, _, L, false, 1));
  list->SetColumnCount(1);
  list->SetHasHeading(true);
  list->SetHeading(0, QStringLiteral("               Sections"));
  list->SetHeadingIndex(-1);
  list->SetRequiresSelection(true);
  list->SetEnableDragReorder(true);
  list->SetGridLinesHorizontal(2);
  list->InstallHandler("Change", [this] { LB1_Change(); });
  list->InstallHandler("DoubleClick", [this] { LB1_DoubleClick(); });
  list->InstallHandler("Reordered", [this] { LB1_Reordered(); });
  list->InstallHandler("CellTextPaint", CellTextPaintHandler([this](Graphics& g, int r, int c, int x, int y) {
                         return LB1_CellTextPaint(g, r, c, x, y);
                       }));

  auto* editor = New<EditField>("EF1", At(219, 210, 461, 268, L, L, L, L, false, 2), true);
  editor->SetStyled(true);
  editor->SetAcceptTabs(true);
  editor->SetBorder(true);
  editor->SetAlignment(0);
  editor->SetReadOnly(false);
  editor->InstallHandler("MouseDown", MouseDownHandler([this](int x, int y) { return EF1_MouseDown(x, y); }));

  auto* titleLabel = New<StaticText>("StaticText1", At(219, 179, 112, 20, L, L, _, _, true, 3));
  titleLabel->SetText(QStringLiteral("Selected Section:"));
  titleLabel->SetTextAlign(0);

  auto* title = New<EditField>("SectionTitle", At(333, 179, 187, 22, L, L, _, _, false, 4));
  title->SetBorder(true);
  title->SetMask(QString());
  title->SetLimitText(0);
  title->SetAlignment(0);
  title->InstallHandler("TextChange", [this] { SectionTitle_TextChange(); });

  auto* setDefault = New<PushButton>("SetDefault", At(372, 142, 147, 20, L, L, _, _, true, 5));
  setDefault->SetCaption(QStringLiteral("Set Default Style"));
  setDefault->InstallHandler("Action", [this] { SetDefault_Action(); });

  ControlProperties saveAsProps = At(539, 179, 120, 20, _, _, _, _, true, 6);
  saveAsProps.Enabled = false;
  auto* saveAs = New<PushButton>("SaveAs", saveAsProps);
  saveAs->SetCaption(QStringLiteral("Save As"));
  saveAs->InstallHandler("Action", [this] { SaveAs_Action(); });

  // The print buffer: never shown.
  auto* buffer = New<EditField>("EF2", Hidden(At(299, 532, 80, 22, _, _, _, _, false, 8)), true);
  buffer->SetStyled(true);
  buffer->SetAcceptTabs(false);

  struct Pot { void (Window1::*open)(); void (Window1::*drop)(DragItem&, int); bool (Window1::*down)(int, int); };
  const Pot pots[] = {{&Window1::InkPot1_Open, &Window1::InkPot1_DropObject, &Window1::InkPot1_MouseDown},
                      {&Window1::InkPot2_Open, &Window1::InkPot2_DropObject, &Window1::InkPot2_MouseDown},
                      {&Window1::InkPot3_Open, &Window1::InkPot3_DropObject, &Window1::InkPot3_MouseDown},
                      {&Window1::InkPot4_Open, &Window1::InkPot4_DropObject, &Window1::InkPot4_MouseDown},
                      {&Window1::InkPot5_Open, &Window1::InkPot5_DropObject, &Window1::InkPot5_MouseDown}};
  for (int n = 1; n <= 5; ++n) {
    const Pot& pot = pots[n - 1];
    auto* c = New<RoundRectangle>(QStringLiteral("InkPot") + QString::number(n),
                                  At(554 + 26 * (n - 1), 143, 20, 20, _, _, _, _, false, -1));
    c->SetFillColor(kWhite);
    c->SetBorderWidth(1);
    c->SetBorderColor(kBlack);
    c->SetOval(16, 16);
    c->InstallHandler("Open", [this, f = pot.open] { (this->*f)(); });
    c->InstallHandler("DropObject", DropObjectHandler([this, f = pot.drop](DragItem& i, int a) { (this->*f)(i, a); }));
    c->InstallHandler("MouseDown", MouseDownHandler([this, f = pot.down](int x, int y) { return (this->*f)(x, y); }));
  }

  // Find.
  auto* findString = New<EditField>("FindString", At(258, 92, 163, 22, L, L, _, _, false, 14));
  findString->SetBorder(true);
  findString->SetMask(QString());
  findString->SetLimitText(0);
  findString->InstallHandler("TextChange", [this] { FindString_TextChange(); });

  auto* findLabel = New<StaticText>("StaticText4", At(258, 72, 163, 20, L, L, _, _, true, 15));
  findLabel->SetText(QStringLiteral("Find Text"));
  findLabel->SetTextAlign(1);

  auto* find = New<PushButton>("Find", At(433, 93, 80, 20, L, L, _, _, true, 16));
  find->SetCaption(QStringLiteral("Find"));
  find->InstallHandler("Action", [this] { Find_Action(); });

  auto* findNext = New<PushButton>("FindNext", At(433, 61, 80, 20, L, L, _, _, true, 17));
  findNext->SetCaption(QStringLiteral("Find Next"));
  findNext->InstallHandler("Action", [this] { FindNext_Action(); });

  auto* findPrevious = New<PushButton>("FindPrevious", At(525, 61, 120, 20, L, L, _, _, true, 18));
  findPrevious->SetCaption(QStringLiteral("Find Previous"));
  findPrevious->InstallHandler("Action", [this] { FindPrevious_Action(); });

  auto* ignoreCase = New<CheckBox>("IgnoreCase", At(533, 94, 119, 20, _, _, _, _, true, 19));
  ignoreCase->SetCaption(QStringLiteral("Ignore Case"));
  ignoreCase->SetValue(true);

  auto* rule = New<Line>("Line1", At(224, 129, 455, 1, _, _, _, _, false, -1));
  rule->SetBorderWidth(1);
  rule->SetLineColor(kBlack);
  rule->SetPoints(224, 129, 678, 129);

  auto* scroll = New<EditField>("ThisScroll", Hidden(At(168, 532, 98, 22, _, _, _, _, false, 21)));
  scroll->SetReadOnly(true);
  scroll->SetAlignment(2);
  scroll->InstallHandler("TextChange", [this] { ThisScroll_TextChange(); });

  auto* scrollLabel = New<StaticText>("StaticText5", Hidden(At(64, 533, 100, 20, _, _, _, _, true, 22)));
  scrollLabel->SetText(QStringLiteral("Scroll Position"));
  scrollLabel->SetTextAlign(1);
}

Listbox& Window1::LB1() const { return Control<Listbox>(QStringLiteral("LB1")); }
EditField& Window1::EF1() const { return Control<EditField>(QStringLiteral("EF1")); }
EditField& Window1::EditFieldNamed(const QString& name) const { return Control<EditField>(name); }
BevelButton& Window1::BevelNamed(const QString& name) const { return Control<BevelButton>(name); }
PushButton& Window1::ButtonNamed(const QString& name) const { return Control<PushButton>(name); }
Rectangle& Window1::RectNamed(const QString& name) const { return Control<Rectangle>(name); }

void Window1::ApplyRectangle() {
  // Setting the rectangle from code raises no Moved or Resized, so the four values can be
  // applied one after the other straight from prefModule.
  SetTop(prefModule::Window1Top);
  SetLeft(prefModule::Window1Left);
  SetWidth(prefModule::Window1Width);
  SetHeight(prefModule::Window1Height);
  // A hand-edited rectangle may lie off the screen or exceed it; what the window really took is
  // what the preferences keep.
  KeepOnScreen();
  CopyRectangle();
}

void Window1::CopyRectangle() {
  prefModule::Window1Top = Top();
  prefModule::Window1Left = Left();
  prefModule::Window1Width = Width();
  prefModule::Window1Height = Height();
}

void Window1::Event_Open() {
  ApplyRectangle();
  Module1::getInkpotColors();
}

bool Window1::SaveForEnd(const std::function<bool()>& mayAsk) {
  if (!MayLeaveTextOfNoSection(mayAsk)) return false;
  Module1::SectionSave saved = Module1::saveSectionFiles();
  // A text that is on disk as shown loses nothing; style settings that cannot be saved in a folder
  // told at start-up as one that keeps nothing would only be told again.
  if (saved == Module1::SectionSave::TextNotSaved && Module1::shownTextIsKept()) saved = Module1::SectionSave::Saved;
  if (saved == Module1::SectionSave::StyleNotSaved && Module1::DataFolderUnusable) saved = Module1::SectionSave::Saved;
  if (saved != Module1::SectionSave::Saved && mayAsk()) {
    // The failure has been shown; ending now would lose what it names, so the user decides, and
    // the safe answer is the default.
    const QString question =
        saved == Module1::SectionSave::TextNotSaved
            ? QStringLiteral("The text of the Section ") + Module1::ThisSection +
                  QStringLiteral(" could not be saved.  Quit anyway and lose the changes?")
            : QStringLiteral("The text of the Section ") + Module1::ThisSection +
                  QStringLiteral(" is saved, but its style settings could not be saved.  Quit anyway and lose them?");
    if (MsgBox(question, 4 + 48 + 256, QString()) != kAnswerYes) return false;
  }
  Module1::saveSections();
  prefModule::savePrefs();
  Module1::saveInkpotColors();
  return true;
}

void Window1::Event_Close() {
  if (!SaveForEnd([] { return true; })) {
    CancelClose();
    return;
  }
  Quit(0);
}

void Window1::Event_Moved() { CopyRectangle(); }
void Window1::Event_Resized() { CopyRectangle(); }
void Window1::Event_Resizing() { CopyRectangle(); }
void Window1::Event_Restore() { ApplyRectangle(); }
