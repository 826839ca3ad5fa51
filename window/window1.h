#pragma once
// The main window: the section list, the styled editor, the style tool row, find, the colour
// swatch and ink pots, and the title row with Save As.

#include <functional>

#include "platform/controls/dragitem.h"
#include "platform/controls/graphics.h"
#include "platform/controls/window.h"

namespace fw {
class BevelButton;
class CheckBox;
class EditField;
class Listbox;
class PushButton;
class Rectangle;
}  // namespace fw

class Window1 : public fw::Window {
  Q_OBJECT
 public:
  Window1();

  // The one main window: the open one, or a new one with all its controls. (The accessor carries
  // the class's name; C++ keeps that name for the constructor, hence the underscore.)
  static Window1* Window1_();
  // The open main window, or nil: for commands that act on it and must not make one.
  static Window1* Open();

  // Control event handlers, in binding order.
  void NewJournal_Action();
  void DeleteJournal_Action();
  void FontMenu_Open();
  void FontMenu_Action();
  void SizeMenu_Open();
  void SizeMenu_Action();
  void BoldButton_Action();
  void ItalicButton_Action();
  void UnderlineButton_Action();
  void ColorRect_Open();
  bool ColorRect_MouseDown(int x, int y);
  void ColorRect_DropObject(fw::DragItem& item, int action);
  void MyColor_Action();
  void LB1_Change();
  void LB1_DoubleClick();
  void LB1_Reordered();
  bool LB1_CellTextPaint(fw::Graphics& g, int row, int column, int x, int y);
  bool EF1_MouseDown(int x, int y);
  void SectionTitle_TextChange();
  void SetDefault_Action();
  void SaveAs_Action();
  void InkPot1_Open();
  void InkPot1_DropObject(fw::DragItem& item, int action);
  bool InkPot1_MouseDown(int x, int y);
  void InkPot2_Open();
  void InkPot2_DropObject(fw::DragItem& item, int action);
  bool InkPot2_MouseDown(int x, int y);
  void InkPot3_Open();
  void InkPot3_DropObject(fw::DragItem& item, int action);
  bool InkPot3_MouseDown(int x, int y);
  void InkPot4_Open();
  void InkPot4_DropObject(fw::DragItem& item, int action);
  bool InkPot4_MouseDown(int x, int y);
  void InkPot5_Open();
  void InkPot5_DropObject(fw::DragItem& item, int action);
  bool InkPot5_MouseDown(int x, int y);
  void FindString_TextChange();
  void Find_Action();
  void FindNext_Action();
  void FindPrevious_Action();
  void ThisScroll_TextChange();

  // Saves what a close saves: the shown Section, the list, the preferences and the ink pots.
  // When the Section could not be saved whole and `mayAsk` allows a question, the user is asked
  // whether to end anyway; false on No, and then nothing after the Section is saved.
  bool SaveForEnd(const std::function<bool()>& mayAsk);

  // Window events.
  void Event_Open() override;
  void Event_Close() override;
  void Event_Moved() override;
  void Event_Resized() override;
  void Event_Restore() override;
  void Event_Resizing() override;

  // Before a road puts another text into the editor, or the program ends: text typed while no
  // Section was shown is dropped only when the user says so. True when the road may go on; false
  // when it must stay where it is (the new-section dialog is then open when the user chose to keep
  // the text). When no one may be there to answer (a signal, or `mayAsk` says no), the text is
  // kept under a free name.
  bool MayLeaveTextOfNoSection(const std::function<bool()>& mayAsk);
  // Makes the editor's text and the tool row the new Section `name` at the end of the list; false
  // when its text could not be saved (the failure has been shown, with why the text stays when
  // `tellWhyNot`).
  bool AddSectionOfShownText(const QString& name, bool tellWhyNot = true);

  // Typed access to the controls by name.
  fw::Listbox& LB1() const;
  fw::EditField& EF1() const;
  fw::EditField& EditFieldNamed(const QString& name) const;
  fw::BevelButton& BevelNamed(const QString& name) const;
  fw::PushButton& ButtonNamed(const QString& name) const;
  fw::Rectangle& RectNamed(const QString& name) const;

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
  void CopyRectangle();
  void ApplyRectangle();
  // Shared bodies of the five ink pots.
  void InkPotOpen(int n);
  void InkPotDropObject(int n, fw::DragItem& item, int action);
  bool InkPotMouseDown(int n, int x, int y);
  void ColorDrag(fw::Rectangle& ctl, int x, int y);
};
