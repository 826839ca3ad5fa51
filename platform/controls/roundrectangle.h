#pragma once
#include "platform/controls/rectangle.h"

namespace fw {

class RoundRectangle : public Rectangle {
  Q_OBJECT
 public:
  RoundRectangle(Window* window, const QString& name);
};

}  // namespace fw
