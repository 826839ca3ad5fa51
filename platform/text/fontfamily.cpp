#include "platform/text/fontfamily.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTextCharFormat>

namespace fw {
namespace {

// Holds the name as a string: Qt hashes a format's family list by its type alone, so formats that
// differ only in the font all share one hash and finding each run's format walks all of them (a
// file of 40,000 fonts took a minute). The name as a string gives each font a hash of its own.
constexpr int kNamedFamilyKey = QTextFormat::UserProperty + 0x7466;

// The installed families by their plain names, as the font menu shows them and styles store them.
const QStringList& Families() {
  static const QStringList families = PlainFamilies(QFontDatabase::families());
  return families;
}

// The family a name is drawn in, asked of the font system once per name.
const QString& ShownFamily(const QString& named) {
  static QHash<QString, QString> shown;
  auto it = shown.constFind(named);
  if (it != shown.constEnd()) return *it;
  static const QSet<QString> installed = [] {
    QSet<QString> set;
    for (const QString& family : Families()) set.insert(family.toCaseFolded());
    return set;
  }();
  QString family = named;
  if (!installed.contains(named.toCaseFolded())) {
    const QString fallback = QFontInfo(QFont(named)).family();
    if (!fallback.isEmpty()) family = fallback;
  }
  return *shown.insert(named, family);
}

}  // namespace

void SetNamedFamily(QTextCharFormat& f, const QString& family) {
  f.setFontFamilies(QStringList{ShownFamily(family)});
  f.setProperty(kNamedFamilyKey, family);
}

QString NamedFamily(const QTextCharFormat& f) {
  const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
  const QString first = families.value(0);
  const QVariant named = f.property(kNamedFamilyKey);
  if (named.isValid() && !first.isEmpty() && ShownFamily(named.toString()) == first) return named.toString();
  return first;
}

QStringList PlainFamilies(const QStringList& families) {
  static const QRegularExpression foundryTag(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
  QStringList plain;
  QSet<QString> seen;
  for (QString family : families) {
    family.remove(foundryTag);
    if (!family.isEmpty() && !seen.contains(family)) {
      seen.insert(family);
      plain << family;
    }
  }
  return plain;
}

int FontCount() { return static_cast<int>(Families().size()); }
QString Font(int i) { return i >= 0 && i < Families().size() ? Families()[i] : QString(); }

}  // namespace fw
