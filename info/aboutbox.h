#pragma once
// The about box: the product's name, the running version, the credits, and two buttons that write
// to the author and open the maker's web site.

#include <QString>

#include "platform/controls/window.h"

class AboutBox : public fw::Window {
  Q_OBJECT
 public:
  AboutBox();
  // The open about box, or a new one. (Named after its class; see Window1::Window1_.)
  static AboutBox* AboutBox_();

  void PushButton1_Action();
  void PushButton2_Action();
  void StaticText4_Open();

  // The addresses behind the two buttons, from the build settings.
  static QString AuthorMailURL();
  static QString WebSiteURL();

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
};
