#pragma once
#include "platform/controls/rectcontrol.h"

namespace fw {

class CheckBox : public RectControl {
  Q_OBJECT
 public:
  CheckBox(Window* window, const QString& name);
  QString Caption() const;
  void SetCaption(const QString& c);
  bool Value() const;
  void SetValue(bool on);

 protected:
  void FitText() override;
};

}  // namespace fw
