#include "platform/dialogs/qtuiservice.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDrag>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "platform/system/application.h"
#include "platform/controls/dragitem.h"
#include "platform/controls/widgetsupport.h"

namespace fw {

namespace {
// Message texts carry what users typed and what servers sent: shown as they stand, never read as
// rich text (QMessageBox would guess, and a "<b>" or a link would be interpreted).
void PlainTextOnly(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);
  for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

// About what one line of a message box holds; a longer line wraps, and counts as more.
constexpr qsizetype kLineCharacters = 70;
constexpr int kHeadLines = 8, kTailLines = 3;

// Never between the two halves of a character outside the Basic Multilingual Plane.
qsizetype WholeCharacter(const QString& s, qsizetype at) {
  return at > 0 && at < s.size() && s[at].isLowSurrogate() && s[at - 1].isHighSurrogate() ? at - 1 : at;
}

// Where the first `lines` shown lines of `s` end.
qsizetype HeadEnd(const QString& s, int lines) {
  qsizetype at = 0;
  for (int n = 0; n < lines && at < s.size(); ++n) {
    qsizetype end = s.indexOf(u'\n', at);
    if (end < 0) end = s.size();
    at = end - at > kLineCharacters ? at + kLineCharacters : end + 1;  // a long line wraps
  }
  return WholeCharacter(s, qMin(at, s.size()));
}

// Where the last `lines` shown lines of `s` begin.
qsizetype TailStart(const QString& s, int lines) {
  qsizetype at = s.size();
  for (int n = 0; n < lines && at > 0; ++n) {
    const qsizetype end = s[at - 1] == u'\n' ? at - 1 : at;
    const qsizetype start = end > 0 ? s.lastIndexOf(u'\n', end - 1) + 1 : 0;
    at = end - start > kLineCharacters ? end - kLineCharacters : start;
  }
  return WholeCharacter(s, at);
}

QMessageBox::Icon IconFor(int buttons) {
  switch (buttons & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}
int Run(QMessageBox& box) {
  PlainTextOnly(box);
  return ExecNested(box);
}
}  // namespace

QString MessageBoxText(const QString& text) {
  if (HeadEnd(text, kHeadLines + kTailLines + 1) >= text.size()) return text;
  const qsizetype head = HeadEnd(text, kHeadLines), tail = TailStart(text, kTailLines);
  QString shown = text.left(head);
  // Between whole lines the mark stands on a line of its own.
  const bool atLineEnd = shown.endsWith(u'\n');
  if (atLineEnd) shown.chop(1);
  shown += atLineEnd ? QStringLiteral("\n\u2026") : QStringLiteral("\u2026");
  if (text[tail - 1] == u'\n') shown += u'\n';
  shown += QStringView(text).mid(tail);
  return shown;
}

void QtUiService::MsgBox(const QString& message) {
  QMessageBox box(QMessageBox::NoIcon, QString(), MessageBoxText(message), QMessageBox::Ok, QApplication::activeWindow());
  Run(box);
}

int QtUiService::MsgBox(const QString& message, int buttons, const QString& title) {
  struct Choice { QMessageBox::StandardButton button; int answer; };
  QList<Choice> choices;
  switch (buttons & 7) {
    case 1: choices = {{QMessageBox::Ok, kAnswerOK}, {QMessageBox::Cancel, kAnswerCancel}}; break;
    case 2: choices = {{QMessageBox::Abort, kAnswerAbort}, {QMessageBox::Retry, kAnswerRetry}, {QMessageBox::Ignore, kAnswerIgnore}}; break;
    case 3: choices = {{QMessageBox::Yes, kAnswerYes}, {QMessageBox::No, kAnswerNo}, {QMessageBox::Cancel, kAnswerCancel}}; break;
    case 4: choices = {{QMessageBox::Yes, kAnswerYes}, {QMessageBox::No, kAnswerNo}}; break;
    case 5: choices = {{QMessageBox::Retry, kAnswerRetry}, {QMessageBox::Cancel, kAnswerCancel}}; break;
    default: choices = {{QMessageBox::Ok, kAnswerOK}}; break;
  }
  QMessageBox box(IconFor(buttons), title, MessageBoxText(message), QMessageBox::NoButton, QApplication::activeWindow());
  for (const Choice& c : choices) box.addButton(c.button);
  const int defaultIndex = (buttons & 512) ? 2 : (buttons & 256) ? 1 : 0;
  if (defaultIndex < choices.size()) box.setDefaultButton(choices[defaultIndex].button);
  const int picked = Run(box);
  for (const Choice& c : choices)
    if (c.button == picked) return c.answer;
  // Closed with Escape or the close box: the cancelling answer of the set.
  return choices.size() == 1 ? kAnswerOK : choices.last().answer;
}

MessageDialogButton QtUiService::ShowMessageDialog(const MessageDialogOptions& options) {
  static const QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Warning, QMessageBox::Critical,
                                            QMessageBox::Question};
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(options.Title);
  box.setText(MessageBoxText(options.Message));
  box.setInformativeText(MessageBoxText(options.Explanation));
  box.setIcon(options.Icon >= 0 && options.Icon <= 3 ? icons[options.Icon] : QMessageBox::NoIcon);
  QAbstractButton* action = options.ActionCaption.isEmpty() ? box.addButton(QMessageBox::Ok)
                                                         : box.addButton(options.ActionCaption, QMessageBox::AcceptRole);
  QAbstractButton* cancel = nullptr;
  if (options.CancelVisible)
    cancel = options.CancelCaption.isEmpty() ? box.addButton(QMessageBox::Cancel)
                                          : box.addButton(options.CancelCaption, QMessageBox::RejectRole);
  QAbstractButton* alternate = options.AlternateVisible ? box.addButton(options.AlternateCaption, QMessageBox::ActionRole)
                                                     : nullptr;
  box.setDefaultButton(qobject_cast<QPushButton*>(action));
  if (cancel) box.setEscapeButton(cancel);
  Run(box);
  if (box.clickedButton() == alternate && alternate) return MessageDialogButton::Alternate;
  if (box.clickedButton() == action) return MessageDialogButton::Action;
  return MessageDialogButton::Cancel;
}

bool QtUiService::SelectColor(Color& c, const QString& prompt) {
  QColor picked;
  RunNestedLoop([&] { picked = QColorDialog::getColor(ToQColor(c), QApplication::activeWindow(), prompt); });
  if (!picked.isValid()) return false;
  c = FromQColor(picked);
  return true;
}

bool QtUiService::ShowURL(const QString& url) { return QDesktopServices::openUrl(QUrl(url)); }

void QtUiService::Beep() { QApplication::beep(); }

void QtUiService::StartDrag(DragItem& item, QWidget* source) {
  auto* drag = new QDrag(source);
  drag->setMimeData(item.ToMimeData());
  RunNestedLoop([&] { drag->exec(Qt::CopyAction); });
}

}  // namespace fw
