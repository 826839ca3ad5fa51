#pragma once
// The maker's web server, from the build setting TAVRIN_SITE_HOST (a host name, optionally with
// ":port"): its home page is the web site, and it serves the update file.

#include <QString>

namespace Site {

QString Host();
// "http://" + host + "/".
QString WebSiteURL();
// "http://" + host + "/Updates/tavrin.xml".
QString UpdateFileURL();
// Points everything at another server (host[:port]); "" restores the built-in one.
void SetHostForTesting(const QString& host);

}  // namespace Site
