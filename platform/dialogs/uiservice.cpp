#include "platform/dialogs/uiservice.h"

#include "platform/dialogs/qtuiservice.h"
#include "platform/system/application.h"

namespace fw {

namespace {
std::unique_ptr<UiService>& Slot() {
  static std::unique_ptr<UiService> service = std::make_unique<QtUiService>();
  return service;
}
}  // namespace

UiService::~UiService() = default;

UiService& UiService::Current() { return *Slot(); }

std::unique_ptr<UiService> UiService::Install(std::unique_ptr<UiService> service) {
  std::unique_ptr<UiService> old = std::move(Slot());
  Slot() = std::move(service);
  return old;
}

void MsgBox(const QString& message) {
  // A notice the session manager gives no turn for is not shown: it would hold up the logout.
  if (MayInteract()) UiService::Current().MsgBox(message);
}
int MsgBox(const QString& message, int buttons, const QString& title) {
  return UiService::Current().MsgBox(message, buttons, title);
}
bool SelectColor(Color& c, const QString& prompt) { return UiService::Current().SelectColor(c, prompt); }
bool ShowURL(const QString& url) { return UiService::Current().ShowURL(url); }
void Beep() { UiService::Current().Beep(); }

}  // namespace fw
