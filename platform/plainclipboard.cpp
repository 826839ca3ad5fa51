#include "plainclipboard.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>

namespace fw {

QString PlainClipboard::GetText() const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (!mime || !mime->hasText()) return QString();
  return mime->text();
}

namespace {
const QStringList& Families() {
  static const QStringList families = QFontDatabase::families();
  return families;
}
}  // namespace

int FontCount() { return static_cast<int>(Families().size()); }
QString Font(int i) { return i >= 0 && i < Families().size() ? Families()[i] : QString(); }

}  // namespace fw
