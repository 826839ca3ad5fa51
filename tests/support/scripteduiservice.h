#pragma once
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "platform/dialogs/uiservice.h"

namespace fw {

// Test double: answers from a script, records every call, never blocks. An unscripted message
// box takes its default button; an unscripted colour picker, drag, page-setup or print dialog is
// cancelled.
class ScriptedUiService : public UiService {
 public:
  struct Call {
    QString Kind;     // "MsgBox", "MessageDialog", "SelectColor", "ShowURL", "Beep", "Drag",
                      // "PageSetupDialog", "PrintDialog"
    QString Text;     // message, prompt or URL; for the printing dialogs the page format they
                      // opened on (DescribePageLayout), "" for the print dialog's default
    int Buttons = 0;
    QString Title;
    MessageDialogOptions Dialog;
  };

  void MsgBox(const QString& message) override;
  int MsgBox(const QString& message, int buttons, const QString& title) override;
  MessageDialogButton ShowMessageDialog(const MessageDialogOptions& options) override;
  bool SelectColor(Color& c, const QString& prompt) override;
  bool ShowURL(const QString& url) override;
  void Beep() override;
  void StartDrag(DragItem& item, QWidget* source) override;
  bool PageSetupDialog(QPageLayout& layout) override;
  std::unique_ptr<QPrinter> PrintDialog(const QPageLayout* layout) override;

  // The next page-setup dialog is confirmed with `chosen`, or cancelled.
  void SetNextPageSetup(bool confirmed, const QPageLayout& chosen = QPageLayout());
  // What the user sets in the print dialog besides the file.
  struct PrintDialogChoice {
    int fromPage = 0, toPage = 0;  // 0, 0: all pages
    int copies = 1;
    bool collate = false;
    bool reverse = false;
  };
  // The next print dialog is confirmed with a PDF printer writing to `pdfPath` at `resolution`
  // dots per inch; `whileOpen` runs as the dialog would be up. An empty path cancels it.
  void SetNextPrint(const QString& pdfPath, int resolution = 1200, std::function<void()> whileOpen = {});
  void SetNextPrint(const QString& pdfPath, const PrintDialogChoice& choice);

  void SetNextAnswer(int answer) { answers_.push_back(answer); }
  void SetNextDialogAnswer(MessageDialogButton b) { dialogAnswers_.push_back(b); }
  void SetNextColor(bool picked, Color c = 0) { colors_.push_back({picked, c}); }
  // Whether the next address handed to ShowURL finds a program that opens it; unscripted, it does.
  void SetNextUrlOpens(bool opens) { urlOpens_.push_back(opens); }
  // What happens while a drag runs (for example, a synthetic drop on a target); none = abandoned.
  void SetNextDrag(std::function<void(DragItem&)> whileDragging) { drags_.push_back(std::move(whileDragging)); }
  // Runs when a message box is shown, to act while the box would be up (for example, to check
  // that a label was already redrawn).
  void SetOnMessage(std::function<void(const QString&)> f) { onMessage_ = std::move(f); }

  const QList<Call>& Calls() const { return calls_; }
  QStringList Messages() const;  // texts of all message boxes, in order
  int Count(const QString& kind) const;
  void Clear();

 private:
  QList<Call> calls_;
  std::deque<int> answers_;
  std::deque<MessageDialogButton> dialogAnswers_;
  std::deque<std::pair<bool, Color>> colors_;
  std::deque<bool> urlOpens_;
  std::deque<std::function<void(DragItem&)>> drags_;
  std::deque<std::pair<bool, QPageLayout>> pageSetups_;
  struct PrintAnswer { QString path; int resolution; std::function<void()> whileOpen; PrintDialogChoice choice; };
  std::deque<PrintAnswer> prints_;
  std::function<void(const QString&)> onMessage_;
};

// A page format as one readable line: size, orientation and margins in points.
QString DescribePageLayout(const QPageLayout& layout);

}  // namespace fw
