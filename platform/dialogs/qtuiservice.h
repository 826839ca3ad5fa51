#pragma once
#include "platform/dialogs/uiservice.h"

namespace fw {

// The real dialogs.
class QtUiService : public UiService {
 public:
  void MsgBox(const QString& message) override;
  int MsgBox(const QString& message, int buttons, const QString& title) override;
  MessageDialogButton ShowMessageDialog(const MessageDialogOptions& options) override;
  bool SelectColor(Color& c, const QString& prompt) override;
  bool ShowURL(const QString& url) override;
  void Beep() override;
  void StartDrag(DragItem& item, QWidget* source) override;
  bool PageSetupDialog(QPageLayout& layout) override;             // qtuiservice_print.cpp
  std::unique_ptr<QPrinter> PrintDialog(const QPageLayout* layout) override;
};

// A text as a message box shows it: one too long for the screen (a server's mebibyte of
// description, or of version) keeps its beginning and its end, about a dozen lines in all, with
// "…" for what is left out.
QString MessageBoxText(const QString& text);

}  // namespace fw
