#pragma once
// The styled text of an editor, by range, and the style of one range.

#include <QString>

#include "platform/controls/color.h"

namespace fw {

// The style of one range of an editor's text (read at the range's first character).
struct TextStyle {
  QString Font;
  int Size = 0;
  Color TextColor = kBlack;
  bool Bold = false, Italic = false, Underline = false;
};

class EditField;

// The styled text of an editor, by range.
class StyledText {
 public:
  explicit StyledText(const EditField* field) : field_(field) {}
  QString Font(int start, int length) const;
  int Size(int start, int length) const;
  Color TextColor(int start, int length) const;
  bool Bold(int start, int length) const;
  bool Italic(int start, int length) const;
  bool Underline(int start, int length) const;
  TextStyle StyleAt(int start) const;

 private:
  const EditField* field_;
};

}  // namespace fw
