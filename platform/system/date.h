#pragma once
#include <QDateTime>
#include <QString>

namespace fw {

// A moment: the time the object was made, as text in the system locale's short formats.
class Date {
 public:
  Date();

  QString ShortDate() const;
  QString ShortTime() const;
  const QDateTime& Value() const { return value_; }

  // The clock new Dates read in place of the system's (nullptr: the system's again). What a
  // command stamps on its output depends on the moment it takes, which only a clock set by hand
  // shows: the tests set one, and move it on while a command waits in a dialog. Unset, as the
  // program leaves it, a Date costs one test of a null pointer more.
  using Clock = QDateTime (*)();
  static void SetClock(Clock clock);

 private:
  QDateTime value_;
};

}  // namespace fw
