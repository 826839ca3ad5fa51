#include "platform/system/date.h"

#include <QLocale>

namespace fw {

namespace {
std::function<QDateTime()>& Clock() {
  static std::function<QDateTime()> clock;
  return clock;
}
}  // namespace

Date::Date() : value_(Clock() ? Clock()() : QDateTime::currentDateTime()) {}

QString Date::ShortDate() const { return QLocale::system().toString(value_.date(), QLocale::ShortFormat); }
QString Date::ShortTime() const { return QLocale::system().toString(value_.time(), QLocale::ShortFormat); }

void Date::SetClockForTesting(std::function<QDateTime()> clock) { Clock() = std::move(clock); }

}  // namespace fw
