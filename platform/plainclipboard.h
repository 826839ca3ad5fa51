#pragma once
#include <QString>
#include <QStringList>

namespace fw {

class PlainClipboard {
 public:
  // The clipboard's text without styles; "" when it holds no text.
  QString GetText() const;
};

// Plain family names, each once, in their first order: the font database tags a family that
// several foundries make with the foundry ("Nimbus Sans [urw]"), a name no font request or stored
// style expects.
QStringList PlainFamilies(const QStringList& families);

// Installed font families, counted from 0, in the platform's order.
int FontCount();
QString Font(int i);

}  // namespace fw
