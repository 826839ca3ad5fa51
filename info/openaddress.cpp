#include "info/openaddress.h"

#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"

namespace Address {

namespace {
// Enough to recognise an address by; a download address from a broken update file can run to
// a mebibyte, which no message box can show.
constexpr int kShownCharacters = 200;
}  // namespace

QString CannotOpenMessage(const QString& address) {
  QString shown = fw::LeftCharacters(address, kShownCharacters);
  if (shown.size() < address.size()) shown += QChar(0x2026);
  return QStringLiteral("The address \"") + shown +
         QStringLiteral("\" could not be opened: no program on this computer would open it.");
}

void Open(const QString& address) {
  if (!fw::ShowURL(address)) fw::MsgBox(CannotOpenMessage(address));
}

}  // namespace Address
