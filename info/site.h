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
// Points everything at another server (host[:port]); "" restores the built-in one. The built-in
// host is fixed when the program is built; this lets one build check for updates against a server
// on this machine (the tests' and the update benchmark's, on 127.0.0.1). The program never sets it.
void SetHost(const QString& host);

}  // namespace Site
