#include "window/getnewsection.h"

#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/statictext.h"
#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "store/module1style.h"
#include "window/window1.h"

using namespace fw;

getNewSection::getNewSection() : Window(QStringLiteral("getNewSection")) {}

getNewSection* getNewSection::getNewSection_() { return ImplicitWindow<getNewSection>(QStringLiteral("getNewSection")); }

void getNewSection::Layout() {
  WindowProperties p;
  p.Frame = 0;
  p.Title = QString();
  p.Width = 216;
  p.Height = 115;
  p.MinWidth = 64;
  p.MinHeight = 64;
  p.Resizeable = false;
  p.LiveResize = true;
  p.CloseButton = p.MinimizeButton = p.MaximizeButton = false;
  p.Visible = true;
  p.MenuBarVisible = true;
  SetProperties(p);
  // A dialog of the main window, not a window of its own beside it.
  SetOwner(GetImplicitWindow(QStringLiteral("Window1")));
}

void getNewSection::CreateControls() { CreateControls0(); }

void getNewSection::CreateControls0() {
  auto* name = New<EditField>("SectionName", TabStopAt(20, 40, 174, 22, false, 0));
  name->SetBorder(true);
  name->SetAlignment(0);
  name->SetMask(QString(25, u'&'));
  name->SetLimitText(0);
  name->InstallHandler("TextChange", [this] { SectionName_TextChange(); });

  ControlProperties okProps = TabStopAt(114, 74, 80, 20, true, 1);
  okProps.Enabled = false;
  auto* ok = New<PushButton>("OK", okProps);
  ok->SetCaption(QStringLiteral("OK"));
  ok->InstallHandler("Action", [this] { OK_Action(); });

  auto* label = New<StaticText>("StaticText1", TabStopAt(20, 17, 174, 20, true, 2));
  label->SetText(QStringLiteral("New Section Name"));
  label->SetTextAlign(1);

  auto* cancel = New<PushButton>("Cancel", TabStopAt(22, 74, 80, 20, true, 3));
  cancel->SetCaption(QStringLiteral("Cancel"));
  cancel->SetDefault(false);
  // With no close box, Escape is the keyboard's way out.
  cancel->SetCancel(true);
  cancel->InstallHandler("Action", [this] { Cancel_Action(); });
}

void getNewSection::SectionName_TextChange() {
  EditField& field = Control<EditField>(QStringLiteral("SectionName"));
  const QString t = field.Text();
  const int n = Len(t);
  if (n > 0 && fw::Right(t, 1) == QLatin1String(":")) {
    Beep();
    field.SetText(fw::Left(t, n - 1));
    field.Refresh(true);
  }
  PushButton& ok = Control<PushButton>(QStringLiteral("OK"));
  if (!field.Text().isEmpty()) {
    ok.SetDefault(true);
    ok.SetEnabled(true);
  } else {
    ok.SetDefault(false);
    ok.SetEnabled(false);
  }
}

void getNewSection::OK_Action() {
  Window1* main = NilCheck(Window1::Open(), "the main window is not open");
  Listbox& lb = main->LB1();
  EditField& field = Control<EditField>(QStringLiteral("SectionName"));

  Module1::getDefaultStyle();
  const QString name = field.Text();
  if (Module1::sectionListed(lb, name)) {
    MsgBox(QStringLiteral("There is already a section named ") + name + QStringLiteral(".  Choose another name."));
    field.SetText(QString());
    return;
  }
  if (const QString problem = Module1::sectionNameProblem(name); !problem.isEmpty()) {
    MsgBox(problem);
    field.SetText(QString());
    return;
  }
  if (Module1::textBelongsToNoSection()) {
    // Text typed while no Section was shown becomes the new Section's, never emptied away; over
    // files of the same name that the list lost it would write their text away.
    if (const QString problem = Module1::sectionFilesProblem(name); !problem.isEmpty()) {
      MsgBox(problem);
      field.SetText(QString());
      return;
    }
    if (!main->AddSectionOfShownText(name)) return;  // the failure has been shown; the dialog stays
    lb.SetListIndex(lb.ListCount() - 1);
    EditField& ef = main->EF1();
    ef.SetEnabled(true);
    ef.SetFocus();
    getNewSection_()->Close();
    return;
  }
  // Text typed into the shown Section while this dialog was open is saved before the editor is
  // emptied for the new one; when that fails the dialog stays open and the text stays shown.
  if (!Module1::LastSection.isEmpty() && !Module1::keepShownText(Module1::LastSection)) return;

  lb.AddRow(name);
  const int idx = lb.ListCount() - 1;
  FolderItemPtr textFile = Module1::sectionTextFile(name);  // creates the data folder when it is missing
  if (textFile && textFile->Exists()) {
    // Files of this name that the list lost (a crash, a kill, another program): the Section is
    // made again with them, and the switch shows their text and style instead of emptying them.
    Module1::LastSection = QString();
    lb.SetListIndex(idx);
    Module1::saveSections();
    EditField& ef = main->EF1();
    ef.SetEnabled(true);
    ef.SetFocus();
    getNewSection_()->Close();
    return;
  }
  Module1::MySection = name;
  Module1::ThisSection = name;
  Module1::LastSection = name;
  EditField& ef = main->EF1();
  // Emptied before the default style is applied to it: the style given to the old text first
  // would restyle every character of it (seconds for a long Section) only for it to be dropped.
  ef.SetText(QString());
  Module1::resetStyle();
  Module1::saveSectionStyle();
  main->EditFieldNamed(QStringLiteral("SectionTitle")).SetText(name);
  if (!textFile || !textFile->SaveStyledEditField(ef))
    Module1::reportWriteFailure(textFile, textFile ? textFile->LastError() : QStringLiteral("the data folder cannot be had"));
  lb.SetListIndex(idx);
  // The list is written at once: a crash or a logout before the window closes must not leave the
  // new Section's files unlisted.
  Module1::saveSections();
  ef.SetEnabled(lb.ListCount() != 0);
  ef.SetFocus();
  getNewSection_()->Close();
}

void getNewSection::Cancel_Action() { getNewSection_()->Close(); }
