#pragma once
#include <QString>

// One directive of the preferences file: "#" name, a blank, text.
class directiveClass {
 public:
  QString name;  // lower-cased, without the "#"
  QString text;  // everything after the first blank, unchanged
};
