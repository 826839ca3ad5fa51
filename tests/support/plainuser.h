#pragma once
// For the length of a scope, the test runs without root's right to read and write whatever the
// permission bits say, so that a folder of mode 0555 is as read-only to the program as it is to the
// person using it. Not root: nothing changes. Root: the real and effective user and group become
// nobody's (65534) while the saved ones stay root's, so that leaving the scope can take them back.
// Whatever the user nobody must reach needs permission bits for others.

#include <unistd.h>

class AsPlainUser {
 public:
  AsPlainUser() {
    if (::geteuid() != 0) return;
    groupSwitched_ = ::setresgid(kNobody, kNobody, 0) == 0;
    userSwitched_ = groupSwitched_ && ::setresuid(kNobody, kNobody, 0) == 0;
  }
  ~AsPlainUser() {
    if (userSwitched_) (void)::setresuid(0, 0, 0);
    if (groupSwitched_) (void)::setresgid(0, 0, 0);
  }
  AsPlainUser(const AsPlainUser&) = delete;
  AsPlainUser& operator=(const AsPlainUser&) = delete;

  // Whether permission bits now bind the test.
  bool Bound() const { return ::geteuid() != 0; }

 private:
  static constexpr uid_t kNobody = 65534;
  bool groupSwitched_ = false, userSwitched_ = false;
};
