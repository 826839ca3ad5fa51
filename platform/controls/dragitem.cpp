#include "platform/controls/dragitem.h"

#include <QMimeData>

#include "platform/dialogs/uiservice.h"

namespace fw {

namespace {
const QString kPrefix = QStringLiteral("application/x-tavrin-");
}

QString DragItem::MimeTypeFor(const QString& type) { return kPrefix + type; }

void DragItem::Drag(QWidget* source) { UiService::Current().StartDrag(*this, source); }

QMimeData* DragItem::ToMimeData() const {
  auto* mime = new QMimeData;
  for (auto it = data_.cbegin(); it != data_.cend(); ++it) mime->setData(MimeTypeFor(it.key()), it.value().toUtf8());
  return mime;
}

DragItem DragItem::FromMimeData(const QMimeData* mime) {
  DragItem item;
  if (!mime) return item;
  for (const QString& format : mime->formats())
    if (format.startsWith(kPrefix)) item.data_[format.mid(kPrefix.size())] = QString::fromUtf8(mime->data(format));
  return item;
}

}  // namespace fw
