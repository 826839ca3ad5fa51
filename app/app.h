#pragma once
#include "platform/system/application.h"

class App : public fw::Application {
 public:
  App();

  void Event_Open() override;
  void Event_Close() override;
  // Saves what closing the main window saves, and keeps running.
  void Event_CommitData(fw::SessionCommit& commit) override;

  bool CheckforUpdateCheckNow_Action();
  bool HelpShow_Action();
  bool HelpAbout_Action();
  bool FilePageSetup_Action();
  bool FilePrintHelp_Action();
  bool FilePrintSelectedText_Action();
  bool FilePrintSelectedSection_Action();
  bool EditPasteSpecial_Action();

  // Prepares the data folder, fills the section list and resets the typing style.
  void setupTavrin();
};

// The application object. (Named after its class; see Window1::Window1_.)
App* App_();
