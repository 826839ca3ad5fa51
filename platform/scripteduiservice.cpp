#include "scripteduiservice.h"

namespace fw {

void ScriptedUiService::MsgBox(const QString& message) {
  calls_.append({QStringLiteral("MsgBox"), message, 0, QString(), {}});
  if (onMessage_) onMessage_(message);
}

int ScriptedUiService::MsgBox(const QString& message, int buttons, const QString& title) {
  calls_.append({QStringLiteral("MsgBox"), message, buttons, title, {}});
  if (onMessage_) onMessage_(message);
  if (!answers_.empty()) {
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  // The default button of the set.
  const int set = buttons & 7;
  const int index = (buttons & 512) ? 2 : (buttons & 256) ? 1 : 0;
  static const QList<QList<int>> sets = {{kAnswerOK}, {kAnswerOK, kAnswerCancel},
                                         {kAnswerAbort, kAnswerRetry, kAnswerIgnore},
                                         {kAnswerYes, kAnswerNo, kAnswerCancel}, {kAnswerYes, kAnswerNo},
                                         {kAnswerRetry, kAnswerCancel}};
  const QList<int>& answers = set < sets.size() ? sets[set] : sets[0];
  return index < answers.size() ? answers[index] : answers[0];
}

MessageDialogButton ScriptedUiService::ShowMessageDialog(const MessageDialogOptions& options) {
  calls_.append({QStringLiteral("MessageDialog"), options.Message, 0, options.Title, options});
  if (dialogAnswers_.empty()) return MessageDialogButton::Cancel;
  const MessageDialogButton b = dialogAnswers_.front();
  dialogAnswers_.pop_front();
  return b;
}

bool ScriptedUiService::SelectColor(Color& c, const QString& prompt) {
  calls_.append({QStringLiteral("SelectColor"), prompt, static_cast<int>(c), QString(), {}});
  if (colors_.empty()) return false;
  const auto [picked, colour] = colors_.front();
  colors_.pop_front();
  if (picked) c = colour;
  return picked;
}

void ScriptedUiService::ShowURL(const QString& url) { calls_.append({QStringLiteral("ShowURL"), url, 0, QString(), {}}); }

void ScriptedUiService::Beep() { calls_.append({QStringLiteral("Beep"), QString(), 0, QString(), {}}); }

void ScriptedUiService::StartDrag(DragItem& item, QWidget*) {
  calls_.append({QStringLiteral("Drag"), QString(), 0, QString(), {}});
  if (drags_.empty()) return;
  auto f = std::move(drags_.front());
  drags_.pop_front();
  if (f) f(item);
}

QStringList ScriptedUiService::Messages() const {
  QStringList out;
  for (const Call& c : calls_)
    if (c.Kind == QLatin1String("MsgBox")) out << c.Text;
  return out;
}

int ScriptedUiService::Count(const QString& kind) const {
  int n = 0;
  for (const Call& c : calls_) n += c.Kind == kind;
  return n;
}

void ScriptedUiService::Clear() {
  calls_.clear();
  answers_.clear();
  dialogAnswers_.clear();
  colors_.clear();
  drags_.clear();
  onMessage_ = nullptr;
}

}  // namespace fw
