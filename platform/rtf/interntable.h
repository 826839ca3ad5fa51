#pragma once

#include <QHash>
#include <vector>

namespace fw::rtf {

// Each distinct value (style, font name) once, numbered in the order first seen: the reader and
// the writer both keep their styles and font names so.
template <typename T>
class InternTable {
 public:
  int Intern(const T& value) {
    auto it = ids_.constFind(value);
    if (it != ids_.constEnd()) return *it;
    const int id = int(values_.size());
    values_.push_back(value);
    ids_.insert(value, id);
    return id;
  }
  const T& operator[](size_t id) const { return values_[id]; }
  size_t size() const { return values_.size(); }
  typename std::vector<T>::const_iterator begin() const { return values_.begin(); }
  typename std::vector<T>::const_iterator end() const { return values_.end(); }

 private:
  std::vector<T> values_;
  QHash<T, int> ids_;
};

}  // namespace fw::rtf
