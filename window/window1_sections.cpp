// The section list and the roads that show, create, delete and rename Sections.

#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/controls/graphics.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "window/getnewsection.h"
#include "window/window1.h"

using namespace fw;

namespace {
// The row that holds exactly this Section's name; -1 when none does.
int RowNamed(const Listbox& lb, const QString& name) {
  for (int i = 0; i < lb.ListCount(); ++i)
    if (lb.Cell(i, 0) == name) return i;
  return -1;
}

// A name from a hand-edited list that cannot name its files has none: its file names would point
// into a subfolder ("a/b") or at another Section's or the program's own files ("x-Style").
void RemoveSectionFiles(const QString& name) {
  if (name.isEmpty() || !Module1::sectionNameStorable(name)) return;
  if (FolderItemPtr text = Module1::sectionTextFile(name); text && text->Exists()) text->Delete();
  if (FolderItemPtr style = Module1::sectionStyleFile(name); style && style->Exists()) style->Delete();
}

// A name for text kept without the user naming it: "Untitled", "Untitled 2", ..., one that no row
// bears in any letter case and that has no files in the data folder.
QString FreeSectionName(const Listbox& lb) {
  for (int n = 1;; ++n) {
    const QString name = QStringLiteral("Untitled") + (n == 1 ? QString() : u' ' + Str(n));
    if (!Module1::sectionListed(lb, name) && !Module1::sectionFilesExist(name)) return name;
  }
}
}  // namespace

bool Window1::AddSectionOfShownText(const QString& name, bool tellWhyNot) {
  Module1::ThisSection = name;
  if (!(tellWhyNot ? Module1::saveSectionTextOrSay() : Module1::saveSectionText())) {
    Module1::ThisSection = QString();
    return false;
  }
  LB1().AddRow(name);
  Module1::saveSections();
  return true;
}

bool Window1::MayLeaveTextOfNoSection(const std::function<bool()>& mayAsk) {
  if (!Module1::textBelongsToNoSection()) return true;
  if (TerminationUnderWay() || !mayAsk()) {
    // A logout or a signal: no answer can come, and the text must outlive the program. When even
    // that save fails, nothing more can be done without an answer.
    AddSectionOfShownText(FreeSectionName(LB1()), false);
    return true;
  }
  const int answer = MsgBox(QStringLiteral("The text in the editor belongs to no Section.  Keep it as a new Section?  "
                                           "No discards the text."),
                            3 + 48, QString());
  if (answer == kAnswerNo) {
    // Discarded now, so that the end that follows a logout's request does not ask again.
    EF1().SetText(QString());
    return true;
  }
  if (answer == kAnswerYes) getNewSection::getNewSection_()->Show();  // its OK keeps the text
  return false;
}

void Window1::LB1_Change() {
  Window1* w = this;
  Listbox& lb = w->LB1();
  if (lb.ListIndex() >= 0 && !MayLeaveTextOfNoSection([] { return true; })) {
    lb.RestoreListIndex(-1);
    return;
  }
  if (!Module1::LastSection.isEmpty()) {
    if (!Module1::keepShownText(Module1::LastSection)) {
      // Going on would put another text into the editor and this one would be gone: the Section
      // stays shown and selected, so the user can make room and try again.
      lb.RestoreListIndex(RowNamed(lb, Module1::LastSection));
      return;
    }
  }
  Module1::MySection = lb.Text();
  w->EditFieldNamed(QStringLiteral("SectionTitle")).SetText(Module1::MySection);
  Module1::ThisSection = Module1::MySection;
  Module1::getSectionText();
  Module1::LastSection = Module1::MySection;
  lb.Refresh(true);
  w->EditFieldNamed(QStringLiteral("FindString")).SetText(QString());
  EditField& ef = w->EF1();
  ef.SetScrollPosition(0);
  ef.SetFocus();
}

void Window1::LB1_Reordered() {
  // A new order is written at once: a crash or a logout before the window closes must not lose it.
  Module1::saveSections();
}

void Window1::LB1_DoubleClick() {
  Listbox& lb = LB1();
  const int r = lb.ListIndex();
  if (r < 0) return;  // the toggle needs a row
  const QString t = lb.CellTag(r, 0).toString();
  lb.SetCellTag(r, 0, StrEq(t, QStringLiteral("White")) ? QStringLiteral("Red") : QStringLiteral("White"));
  Module1::saveSections();
}

bool Window1::LB1_CellTextPaint(Graphics& g, int row, int, int, int) {
  const QString t = LB1().CellTag(row, 0).toString();
  if (StrEq(t, QStringLiteral("Red"))) {
    g.ForeColor = RGB(255, 0, 0);
    g.Bold = true;
  } else {
    g.ForeColor = RGB(0, 0, 0);
    g.Bold = false;
  }
  return false;
}

void Window1::NewJournal_Action() {
  if (!Module1::MySection.isEmpty()) {
    // The editor keeps the text that is not saved.
    if (!Module1::keepShownText(Module1::MySection)) return;
  }
  getNewSection::getNewSection_()->Show();
}

void Window1::DeleteJournal_Action() {
  Window1* w = this;
  Listbox& lb = w->LB1();
  if (lb.ListIndex() < 0) {
    // Nothing is selected, so nothing is to be deleted: the editor may hold text the user typed.
    Beep();
    return;
  }
  const QString name = lb.Text();
  const int r = MsgBox(QStringLiteral("Are you sure that you want to delete the Section named ") + name + u'?', 308, QString());
  if (r == kAnswerYes) {
    if (!name.isEmpty()) {
      // Exactly this name: a hand-edited list may hold "Alpha" beside "alpha", and only the
      // deleted one's files go.
      for (int i = 0; i < lb.ListCount();) {
        if (lb.Cell(i, 0) == name) lb.RemoveRow(i);
        else ++i;
      }
    }
    RemoveSectionFiles(name);
    Module1::saveSections();
    w->EditFieldNamed(QStringLiteral("SectionTitle")).SetText(QString());
    w->EF1().SetText(QString());
    Module1::MySection = QString();
    Module1::LastSection = QString();
    // The editor no longer belongs to any Section: nothing may be written under the deleted name
    // afterwards (closing the window would otherwise bring its files back).
    Module1::ThisSection = QString();
  }
  w->EF1().SetEnabled(lb.ListCount() > 0);
  PushButton& saveAs = w->ButtonNamed(QStringLiteral("SaveAs"));
  saveAs.SetDefault(false);
  saveAs.SetEnabled(false);
}

void Window1::SectionTitle_TextChange() {
  Window1* w = this;
  Listbox& lb = w->LB1();
  if (lb.ListCount() == 0) return;
  if (Module1::sectionListed(lb, w->EditFieldNamed(QStringLiteral("SectionTitle")).Text())) return;
  PushButton& saveAs = w->ButtonNamed(QStringLiteral("SaveAs"));
  saveAs.SetDefault(true);
  saveAs.SetEnabled(true);
}

void Window1::SaveAs_Action() {
  Window1* w = this;
  Listbox& lb = w->LB1();
  EditField& title = w->EditFieldNamed(QStringLiteral("SectionTitle"));
  const QString newName = title.Text();
  if (newName.isEmpty()) {
    MsgBox(QStringLiteral("First, enter a Section name!"));
    return;
  }
  const QString oldName = Module1::MySection;
  if (Module1::sectionListed(lb, newName)) {
    MsgBox(QStringLiteral("There is already a section named ") + newName + QStringLiteral(".  Choose another name."));
    title.SetFocus();
    return;
  }
  QString problem = Module1::sectionNameProblem(newName);
  // Files of the new name that the list lost would be written over by the save below.
  if (problem.isEmpty()) problem = Module1::sectionFilesProblem(newName);
  if (!problem.isEmpty()) {
    MsgBox(problem);
    title.SetFocus();
    return;
  }
  // Exactly the shown name's row: a hand-edited list may hold "Alpha" beside "alpha".
  const int J = oldName.isEmpty() ? -1 : RowNamed(lb, oldName);

  // The new name's files first, then the list that names it; the old files go only once both are
  // written, so the list never names a Section whose files are gone.
  Module1::ThisSection = newName;
  if (!Module1::saveSectionTextOrSay()) {
    Module1::ThisSection = oldName;
    return;  // the failure has been shown; the Section keeps its name and its files
  }
  if (J >= 0) {
    lb.InsertRow(J, newName, 0);
    lb.RemoveRow(J + 1);
  } else {
    // No Section is shown: the title and the editor's text become a new Section.
    lb.AddRow(newName);
  }
  if (Module1::saveSections() && J >= 0) RemoveSectionFiles(oldName);
  Module1::MySection = newName;
  Module1::LastSection = newName;
  PushButton& saveAs = w->ButtonNamed(QStringLiteral("SaveAs"));
  saveAs.SetDefault(false);
  saveAs.SetEnabled(false);
  lb.SetListIndex(-1);
  w->EF1().SetText(QString());
}
