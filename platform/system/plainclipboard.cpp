#include "platform/system/plainclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace fw {

QString PlainClipboard::GetText() const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (!mime || !mime->hasText()) return QString();
  return mime->text();
}

}  // namespace fw
