#include "platform/controls/groupbox.h"

#include <QGroupBox>

#include "platform/controls/window.h"

namespace fw {

GroupBox::GroupBox(Window* window, const QString& name) : RectControl(window, name, new QGroupBox(window->Content())) {
  Widget()->setFocusPolicy(Qt::NoFocus);
}
void GroupBox::SetCaption(const QString& c) { static_cast<QGroupBox*>(Widget())->setTitle(c); }
QString GroupBox::Caption() const { return static_cast<QGroupBox*>(Widget())->title(); }

}  // namespace fw
