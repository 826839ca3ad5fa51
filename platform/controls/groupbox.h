#pragma once
#include "platform/controls/rectcontrol.h"

namespace fw {

class GroupBox : public RectControl {
  Q_OBJECT
 public:
  GroupBox(Window* window, const QString& name);
  void SetCaption(const QString& c);
  QString Caption() const;
};

}  // namespace fw
