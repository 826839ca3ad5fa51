#pragma once
// Stands in for the system clock while it lives: every fw::Date made reads the moment last set,
// so that what a command stamps is known. One at a time; the system clock is back once it goes.

#include <QDateTime>

#include "platform/system/date.h"

class FixedClock {
 public:
  explicit FixedClock(const QDateTime& moment) {
    Set(moment);
    fw::Date::SetClock(&Now);
  }
  ~FixedClock() { fw::Date::SetClock(nullptr); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;

  // Moves time on (or back) for the Dates made from now on.
  void Set(const QDateTime& moment) { moment_ = moment; }

 private:
  static QDateTime Now() { return moment_; }
  static inline QDateTime moment_;
};
