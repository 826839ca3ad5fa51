#include "platform/controls/widgetsupport.h"

#include <QDialog>
#include <QWidget>

#include "platform/system/application.h"

namespace fw {

void RepaintNowOrLater(QWidget& widget) {
  if (widget.isVisible())
    widget.repaint();
  else
    widget.update();
}

int ExecNested(QDialog& dialog) {
  int result = QDialog::Rejected;
  RunNestedLoop([&] { result = dialog.exec(); });
  return result;
}

}  // namespace fw
