#include "plainclipboard.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>

namespace fw {

QString PlainClipboard::GetText() const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (!mime || !mime->hasText()) return QString();
  return mime->text();
}

QStringList PlainFamilies(const QStringList& families) {
  static const QRegularExpression foundryTag(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
  QStringList plain;
  for (QString family : families) {
    family.remove(foundryTag);
    if (!family.isEmpty() && !plain.contains(family)) plain << family;
  }
  return plain;
}

namespace {
const QStringList& Families() {
  static const QStringList families = PlainFamilies(QFontDatabase::families());
  return families;
}
}  // namespace

int FontCount() { return static_cast<int>(Families().size()); }
QString Font(int i) { return i >= 0 && i < Families().size() ? Families()[i] : QString(); }

}  // namespace fw
