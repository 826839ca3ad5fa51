#pragma once
#include <QStringList>

#include "platform/controls/rectcontrol.h"

class QToolButton;
class QMenu;

namespace fw {

// A flat button with an optional pop-up menu of rows or a toggle state. It never takes the
// keyboard focus, so choosing from it leaves the focus (and the selection) where it was.
class BevelButton : public RectControl {
  Q_OBJECT
 public:
  BevelButton(Window* window, const QString& name);

  QString Caption() const;
  void SetCaption(const QString& c);
  // 0 left, 1 ... 3 centre (the framework's numbering: 0 flush left, 1 flush right, 3 centred)
  void SetCaptionAlign(int align);
  void SetBevel(int) {}
  // ButtonType 1: a toggle.
  void SetButtonType(int type);
  bool Value() const;
  void SetValue(bool on);
  // HasMenu 1: a pop-up menu of rows; choosing a row sets MenuValue and raises Action.
  void SetHasMenu(int hasMenu);
  void AddRow(const QString& text);
  QString List(int index) const;
  int ListCount() const { return static_cast<int>(rows_.size()); }
  int MenuValue() const { return menuValue_; }
  // As the user chooses row `index` from the pop-up.
  void ChooseRow(int index);
  // As the user clicks the button.
  void Click();
  QToolButton* Button() const;

 protected:
  void FitText() override;

 private:
  QString caption_;
  QStringList rows_;
  QMenu* menu_ = nullptr;
  int menuValue_ = -1;
};

}  // namespace fw
