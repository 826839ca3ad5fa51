#pragma once
#include <QString>

namespace fw {

class PlainClipboard {
 public:
  // The clipboard's text without styles; "" when it holds no text.
  QString GetText() const;
};

// Installed font families, counted from 0, in the platform's order.
int FontCount();
QString Font(int i);

}  // namespace fw
