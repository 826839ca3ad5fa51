#pragma once
#include "platform/controls/rectcontrol.h"

namespace fw {

class ProgressBar : public RectControl {
  Q_OBJECT
 public:
  ProgressBar(Window* window, const QString& name);
  // A maximum of 0 shows a busy bar: work under way whose length is not known.
  int Maximum() const;
  void SetMaximum(int m);
  int Value() const;
  void SetValue(int v);
};

}  // namespace fw
