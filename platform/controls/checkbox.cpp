#include "platform/controls/checkbox.h"

#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/controls/window.h"

namespace fw {

CheckBox::CheckBox(Window* window, const QString& name) : RectControl(window, name, new QCheckBox(window->Content())) {
  // As a push button: a space typed after a click must not toggle the box again.
  Widget()->setFocusPolicy(Qt::TabFocus);
  connect(static_cast<QCheckBox*>(Widget()), &QCheckBox::clicked, this, [this] { Raise(QStringLiteral("Action")); });
}
QString CheckBox::Caption() const { return static_cast<QCheckBox*>(Widget())->text(); }
void CheckBox::SetCaption(const QString& c) {
  static_cast<QCheckBox*>(Widget())->setText(c);
  FitText();
}

void CheckBox::FitText() {
  auto* box = static_cast<QCheckBox*>(Widget());
  QStyleOptionButton option;
  option.initFrom(box);
  option.text = box->text();
  FitTextInto(option.text, box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).size());
}
bool CheckBox::Value() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void CheckBox::SetValue(bool on) { static_cast<QCheckBox*>(Widget())->setChecked(on); }

}  // namespace fw
