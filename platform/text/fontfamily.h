#pragma once

#include <QString>
#include <QStringList>

class QTextCharFormat;

namespace fw {

// The font family a styled text names for a run, and the one it is drawn in. A family this
// computer lacks is drawn in the family the font system falls back to for that name; the format
// then carries that family, so that the thousands of missing families of a long file cost the
// font system one font each rather than a font per name (whose cache then slows down with every
// name it holds), and it keeps the name for everything that reads or writes it: saving, the style
// shown at the caret, copying.
void SetNamedFamily(QTextCharFormat& f, const QString& family);
// The family set by SetNamedFamily unless the family was set since by other means; else the
// format's first family; empty without one.
QString NamedFamily(const QTextCharFormat& f);

// Plain family names, each once, in their first order: the font database tags a family that
// several foundries make with the foundry ("Nimbus Sans [urw]"), a name no font request or stored
// style expects.
QStringList PlainFamilies(const QStringList& families);

// Installed font families, counted from 0, in the platform's order.
int FontCount();
QString Font(int i);

}  // namespace fw
