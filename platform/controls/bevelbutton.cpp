#include "platform/controls/bevelbutton.h"

#include <QMenu>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include "platform/controls/window.h"

namespace fw {

BevelButton::BevelButton(Window* window, const QString& name)
    : RectControl(window, name, new QToolButton(window->Content())) {
  Button()->setFocusPolicy(Qt::NoFocus);
  Button()->setToolButtonStyle(Qt::ToolButtonTextOnly);
  Button()->setAutoRaise(false);
  connect(Button(), &QToolButton::clicked, this, [this] {
    if (!menu_) Raise(QStringLiteral("Action"));
  });
}

namespace {
// A button's and a menu's text take "&" for the next letter's shortcut; a font's name ("Bitstream
// Charter & Co") is shown as it is.
QString Shown(QString text) { return text.replace(u'&', QStringLiteral("&&")); }
}  // namespace

QToolButton* BevelButton::Button() const { return static_cast<QToolButton*>(Widget()); }
QString BevelButton::Caption() const { return caption_; }
void BevelButton::SetCaption(const QString& c) {
  caption_ = c;
  Button()->setText(Shown(c));
  FitText();
}

void BevelButton::FitText() {
  // The caption is a font's name at run time, of any length; the pop-up's arrow takes its room.
  QStyleOptionToolButton option;
  option.initFrom(Button());
  QStyle* style = Button()->style();
  const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, Button());
  const int arrow = menu_ ? style->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, Button()) : 0;
  FitTextInto(Button()->text(), QSize(Button()->width() - 2 * frame - arrow, Button()->height()));
}
void BevelButton::SetCaptionAlign(int) {}

void BevelButton::SetButtonType(int type) { Button()->setCheckable(type == 1); }
bool BevelButton::Value() const { return Button()->isChecked(); }
void BevelButton::SetValue(bool on) {
  const QSignalBlocker block(Button());
  Button()->setChecked(on);
}

void BevelButton::SetHasMenu(int hasMenu) {
  if (hasMenu == 0) {
    Button()->setMenu(nullptr);
    delete menu_;
    menu_ = nullptr;
    return;
  }
  if (menu_) return;
  menu_ = new QMenu(Button());
  Button()->setMenu(menu_);
  Button()->setPopupMode(QToolButton::InstantPopup);
  FitText();
}

void BevelButton::AddRow(const QString& text) {
  const int index = static_cast<int>(rows_.size());
  rows_ << text;
  if (!menu_) SetHasMenu(1);
  QAction* a = menu_->addAction(Shown(text));
  connect(a, &QAction::triggered, this, [this, index] { ChooseRow(index); });
}

QString BevelButton::List(int index) const {
  return index >= 0 && index < rows_.size() ? rows_[index] : QString();
}

void BevelButton::ChooseRow(int index) {
  menuValue_ = index;
  Raise(QStringLiteral("Action"));
}

void BevelButton::Click() {
  if (!Enabled()) return;
  Button()->click();
}

}  // namespace fw
