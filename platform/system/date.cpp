#include "platform/system/date.h"

#include <QLocale>

namespace fw {

namespace {
Date::Clock g_clock = nullptr;
}  // namespace

Date::Date() : value_(g_clock ? g_clock() : QDateTime::currentDateTime()) {}

QString Date::ShortDate() const { return QLocale::system().toString(value_.date(), QLocale::ShortFormat); }
QString Date::ShortTime() const { return QLocale::system().toString(value_.time(), QLocale::ShortFormat); }

void Date::SetClock(Clock clock) { g_clock = clock; }

}  // namespace fw
