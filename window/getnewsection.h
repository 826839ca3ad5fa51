#pragma once
// The new-section dialog: one name field, OK and Cancel. Modeless: the main window stays usable.

#include "platform/controls/window.h"

class getNewSection : public fw::Window {
  Q_OBJECT
 public:
  getNewSection();
  // The open dialog, or a new one. (Named after its class; see Window1::Window1_.)
  static getNewSection* getNewSection_();

  void SectionName_TextChange();
  void OK_Action();
  void Cancel_Action();

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
};
