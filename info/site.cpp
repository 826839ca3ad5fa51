#include "info/site.h"

#include "app/sitesettings.h"

namespace Site {

namespace {
QString& Override() {
  static QString host;
  return host;
}
}  // namespace

QString Host() { return Override().isEmpty() ? QStringLiteral(TAVRIN_SITE_HOST) : Override(); }
QString WebSiteURL() { return QStringLiteral("http://") + Host() + QStringLiteral("/"); }
QString UpdateFileURL() { return QStringLiteral("http://") + Host() + QStringLiteral("/Updates/tavrin.xml"); }
void SetHost(const QString& host) { Override() = host; }

}  // namespace Site
