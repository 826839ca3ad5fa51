#pragma once
// The version window: the running version and the button that starts an update check.

#include "platform/controls/window.h"

class selfTest : public fw::Window {
  Q_OBJECT
 public:
  selfTest();
  // The open version window, or a new one. (Named after its class; see Window1::Window1_.)
  static selfTest* selfTest_();

  void StaticText2_Open();
  void PushButton1_Action();

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
};
