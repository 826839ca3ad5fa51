#pragma once
// The help window: the user documentation in one read-only, scrolling text field.

#include <QStringList>

#include "platform/controls/window.h"

namespace fw {
class EditField;
}

class Help : public fw::Window {
  Q_OBJECT
 public:
  Help();
  // The open help window, or a new one. (Named after its class; see Window1::Window1_.)
  static Help* Help_();

  fw::EditField& EditField1() const;

  // The help text's paragraphs, in order; the field holds them one empty line apart.
  static const QStringList& Paragraphs();

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
};
