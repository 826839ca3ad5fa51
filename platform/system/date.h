#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

namespace fw {

// A moment: the time the object was made, as text in the system locale's short formats.
class Date {
 public:
  Date();

  QString ShortDate() const;
  QString ShortTime() const;
  const QDateTime& Value() const { return value_; }

  // Replaces the clock new Dates read (nullptr: the system clock), so that a test can move time on
  // while a command waits in a dialog.
  static void SetClockForTesting(std::function<QDateTime()> clock);

 private:
  QDateTime value_;
};

}  // namespace fw
