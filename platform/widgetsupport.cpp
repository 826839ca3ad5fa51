#include "widgetsupport.h"

#include <QWidget>

namespace fw {

void RepaintNowOrLater(QWidget& widget) {
  if (widget.isVisible())
    widget.repaint();
  else
    widget.update();
}

}  // namespace fw
