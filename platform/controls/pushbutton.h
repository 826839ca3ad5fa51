#pragma once
#include "platform/controls/rectcontrol.h"

class QPushButton;

namespace fw {

class PushButton : public RectControl {
  Q_OBJECT
 public:
  PushButton(Window* window, const QString& name);

  QString Caption() const;
  void SetCaption(const QString& c);
  bool Default() const { return default_; }
  void SetDefault(bool on);  // Return presses it
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);   // Escape presses it
  // Pressed as the user would press it: Action, when enabled.
  void Push();
  void ShowAsDefault(bool on);
  QPushButton* Button() const;

 protected:
  void FitText() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

}  // namespace fw
