#include "scripteduiservice.h"

#include <QPrinter>

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

bool ScriptedUiService::ShowURL(const QString& url) {
  calls_.append({QStringLiteral("ShowURL"), url, 0, QString(), {}});
  if (urlOpens_.empty()) return true;
  const bool opens = urlOpens_.front();
  urlOpens_.pop_front();
  return opens;
}

void ScriptedUiService::Beep() { calls_.append({QStringLiteral("Beep"), QString(), 0, QString(), {}}); }

void ScriptedUiService::StartDrag(DragItem& item, QWidget*) {
  calls_.append({QStringLiteral("Drag"), QString(), 0, QString(), {}});
  if (drags_.empty()) return;
  auto f = std::move(drags_.front());
  drags_.pop_front();
  if (f) f(item);
}

bool ScriptedUiService::PageSetupDialog(QPageLayout& layout) {
  calls_.append({QStringLiteral("PageSetupDialog"), DescribePageLayout(layout), 0, QString(), {}});
  if (pageSetups_.empty()) return false;
  const auto [confirmed, chosen] = pageSetups_.front();
  pageSetups_.pop_front();
  if (confirmed) layout = chosen;
  return confirmed;
}

std::unique_ptr<QPrinter> ScriptedUiService::PrintDialog(const QPageLayout* layout) {
  calls_.append({QStringLiteral("PrintDialog"), layout ? DescribePageLayout(*layout) : QString(), 0, QString(), {}});
  if (prints_.empty()) return nullptr;
  PrintAnswer answer = std::move(prints_.front());
  prints_.pop_front();
  if (answer.whileOpen) answer.whileOpen();
  if (answer.path.isEmpty()) return nullptr;
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(answer.path);
  printer->setResolution(answer.resolution);
  if (layout) printer->setPageLayout(*layout);
  const PrintDialogChoice& c = answer.choice;
  if (c.fromPage > 0 || c.toPage > 0) {
    printer->setPrintRange(QPrinter::PageRange);
    printer->setFromTo(c.fromPage, c.toPage);
  }
  printer->setCopyCount(c.copies);
  printer->setCollateCopies(c.collate);
  printer->setPageOrder(c.reverse ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
  return printer;
}

void ScriptedUiService::SetNextPageSetup(bool confirmed, const QPageLayout& chosen) {
  pageSetups_.push_back({confirmed, chosen});
}

void ScriptedUiService::SetNextPrint(const QString& pdfPath, int resolution, std::function<void()> whileOpen) {
  prints_.push_back({pdfPath, resolution, std::move(whileOpen), {}});
}

void ScriptedUiService::SetNextPrint(const QString& pdfPath, const PrintDialogChoice& choice) {
  prints_.push_back({pdfPath, 1200, {}, choice});
}

QString DescribePageLayout(const QPageLayout& layout) {
  const QSizeF size = layout.pageSize().size(QPageSize::Point);
  const QMarginsF m = layout.margins(QPageLayout::Point);
  return QStringLiteral("%1 %2x%3 %4 margins %5 %6 %7 %8")
      .arg(layout.pageSize().key())
      .arg(size.width())
      .arg(size.height())
      .arg(layout.orientation() == QPageLayout::Landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
      .arg(m.left())
      .arg(m.top())
      .arg(m.right())
      .arg(m.bottom());
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
  urlOpens_.clear();
  drags_.clear();
  pageSetups_.clear();
  prints_.clear();
  onMessage_ = nullptr;
}

}  // namespace fw
