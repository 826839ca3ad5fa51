#pragma once
#include <QString>

namespace fw {

class PlainClipboard {
 public:
  // The clipboard's text without styles; "" when it holds no text.
  QString GetText() const;
};

}  // namespace fw
