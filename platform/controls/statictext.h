#pragma once
#include "platform/controls/color.h"
#include "platform/controls/rectcontrol.h"

class QLabel;

namespace fw {

class StaticText : public RectControl {
  Q_OBJECT
 public:
  StaticText(Window* window, const QString& name);
  QString Text() const;
  void SetText(const QString& t);
  // 0 left, 1 centre, 2 right
  void SetTextAlign(int align);
  void SetTextColor(Color c);
  void SetMultiline(bool on);
  QLabel* Label() const;

 protected:
  void FitText() override;
};

}  // namespace fw
