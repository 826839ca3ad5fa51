#pragma once
// Everything modal or outside the program goes through one replaceable service: Qt's real dialogs
// by default, a scripted one in tests (ScriptedUiService) that answers and records every call, so
// that no test can hang on a dialog nobody answers.

#include <QString>
#include <memory>

#include "platform/controls/color.h"

class QPageLayout;
class QPrinter;
class QWidget;

namespace fw {

class DragItem;

// Answers of the buttons-code message box.
enum MsgBoxAnswer { kAnswerOK = 1, kAnswerCancel = 2, kAnswerAbort = 3, kAnswerRetry = 4, kAnswerIgnore = 5,
                    kAnswerYes = 6, kAnswerNo = 7 };

struct MessageDialogOptions {
  QString Title, Message, Explanation;
  int Icon = 0;  // 0 note, 1 caution, 2 stop, 3 question
  QString ActionCaption;   // "" = the platform's affirmative caption
  QString CancelCaption;   // "" = the platform's cancelling caption
  bool CancelVisible = false;
  QString AlternateCaption;
  bool AlternateVisible = false;
};
enum class MessageDialogButton { Action, Cancel, Alternate };

class UiService {
 public:
  virtual ~UiService();

  // One OK button; returns when dismissed.
  virtual void MsgBox(const QString& message) = 0;
  // Buttons code: 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel;
  // + 16 stop, 32 question, 48 caution, 64 note icon; + 256 second button default, + 512 third.
  // Returns a MsgBoxAnswer.
  virtual int MsgBox(const QString& message, int buttons, const QString& title) = 0;
  virtual MessageDialogButton ShowMessageDialog(const MessageDialogOptions& options) = 0;
  // True when the user picked a colour, which is then in `c`.
  virtual bool SelectColor(Color& c, const QString& prompt) = 0;
  // Hands an address to the program the desktop opens its kind with (browser, mail program): false
  // when nothing could open it.
  virtual bool ShowURL(const QString& url) = 0;
  virtual void Beep() = 0;
  // Runs a drag of `item` from `source` until it is dropped or abandoned.
  virtual void StartDrag(DragItem& item, QWidget* source) = 0;
  // The page-setup dialog, opened on `layout`: true when confirmed, the chosen format then in
  // `layout`; false when cancelled, `layout` untouched.
  virtual bool PageSetupDialog(QPageLayout& layout) = 0;
  // The print dialog, on `layout` or on the default page format when it is null: the printer the
  // user chose, set up for the job but not started; null when cancelled.
  virtual std::unique_ptr<QPrinter> PrintDialog(const QPageLayout* layout) = 0;

  static UiService& Current();
  // Installs a service; returns the previous one.
  static std::unique_ptr<UiService> Install(std::unique_ptr<UiService> service);
};

// Program-facing calls, named as the program's code uses them.
void MsgBox(const QString& message);
int MsgBox(const QString& message, int buttons, const QString& title);
bool SelectColor(Color& c, const QString& prompt);
bool ShowURL(const QString& url);
void Beep();

}  // namespace fw
