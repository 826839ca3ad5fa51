#pragma once
#include <stdexcept>
#include <string>

namespace fw {

// Raised when code uses an object that is not there (a control name not found, a stream that
// could not be opened). Nothing in the program catches it; the event dispatch does.
class NilObjectException : public std::runtime_error {
 public:
  explicit NilObjectException(const std::string& what) : std::runtime_error(what) {}
};

template <class T>
T* NilCheck(T* p, const char* what) {
  if (p == nullptr) throw NilObjectException(what);
  return p;
}

}  // namespace fw
