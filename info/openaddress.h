#pragma once
// Opening an address of the maker's (its web site, the author's mail, an upgrade's download) with
// the user's browser or mail program.

#include <QString>

namespace Address {

// Hands `address` to the desktop; when nothing can open it, the user is told so with the address.
void Open(const QString& address);

// The message for an address nothing could open; a very long address is shown cut.
QString CannotOpenMessage(const QString& address);

}  // namespace Address
