#include "platform/controls/styledtext.h"

#include "platform/controls/editfield.h"

namespace fw {

QString StyledText::Font(int start, int) const { return field_->StyleAt(start).Font; }
int StyledText::Size(int start, int) const { return field_->StyleAt(start).Size; }
Color StyledText::TextColor(int start, int) const { return field_->StyleAt(start).TextColor; }
bool StyledText::Bold(int start, int) const { return field_->StyleAt(start).Bold; }
bool StyledText::Italic(int start, int) const { return field_->StyleAt(start).Italic; }
bool StyledText::Underline(int start, int) const { return field_->StyleAt(start).Underline; }
TextStyle StyledText::StyleAt(int start) const { return field_->StyleAt(start); }

}  // namespace fw
