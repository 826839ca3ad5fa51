#include "platform/controls/roundrectangle.h"

namespace fw {

RoundRectangle::RoundRectangle(Window* window, const QString& name) : Rectangle(window, name) { SetOval(16, 16); }

}  // namespace fw
