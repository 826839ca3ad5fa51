#include "platform/controls/pushbutton.h"

#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/controls/window.h"

namespace fw {

PushButton::PushButton(Window* window, const QString& name)
    : RectControl(window, name, new QPushButton(window->Content())) {
  Button()->setAutoDefault(false);
  // Tab reaches a push button, a click does not take the keyboard from the field that has it: a
  // space typed after a click would press the button again.
  Button()->setFocusPolicy(Qt::TabFocus);
  connect(Button(), &QPushButton::clicked, this, [this] { Raise(QStringLiteral("Action")); });
}

QPushButton* PushButton::Button() const { return static_cast<QPushButton*>(Widget()); }
QString PushButton::Caption() const { return Button()->text(); }
void PushButton::SetCaption(const QString& c) {
  Button()->setText(c);
  FitText();
}

void PushButton::FitText() {
  QStyleOptionButton option;
  option.initFrom(Button());
  option.text = Button()->text();
  if (Button()->isDefault()) option.features |= QStyleOptionButton::DefaultButton;
  FitTextInto(option.text, Button()->style()->subElementRect(QStyle::SE_PushButtonContents, &option, Button()).size());
}

void PushButton::SetDefault(bool on) {
  default_ = on;
  ParentWindow()->SetDefaultButton(this, on);
}

void PushButton::SetCancel(bool on) {
  cancel_ = on;
  ParentWindow()->SetCancelButton(this, on);
}

void PushButton::ShowAsDefault(bool on) {
  default_ = on;
  Button()->setDefault(on);
  FitText();
}

void PushButton::Push() {
  if (Enabled()) Button()->click();
}

}  // namespace fw
