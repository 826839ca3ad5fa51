// The real message boxes show their texts as plain text: a server's description or a Section
// name with markup in it must appear character for character, never as rich text or a link.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "platform/uiservice.h"

namespace {

const QString kMarkup = QStringLiteral("<b>bold</b> <a href=\"file:///etc/passwd\">click</a>");

// Runs `show`, which opens a real message box; once the box is up, records the format and text
// of each of its labels and presses its first button.
QList<std::pair<Qt::TextFormat, QString>> LabelsOf(const std::function<void(fw::QtUiService&)>& show) {
  QList<std::pair<Qt::TextFormat, QString>> labels;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll.stop();
    for (QLabel* l : box->findChildren<QLabel*>())
      if (!l->text().isEmpty()) labels.append({l->textFormat(), l->text()});
    box->buttons().first()->click();
  });
  poll.start(5);
  // Should the box never appear, nothing may wait on it for ever.
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  fw::QtUiService service;
  show(service);
  return labels;
}

TEST(PlainTextDialogs, EveryMessageBoxShowsItsTextsAsTheyStand) {
  const std::function<void(fw::QtUiService&)> shows[] = {
      [](fw::QtUiService& s) { s.MsgBox(kMarkup); },
      [](fw::QtUiService& s) { s.MsgBox(kMarkup, 4, QStringLiteral("t")); },
      [](fw::QtUiService& s) {
        fw::MessageDialogOptions d;
        d.Title = QStringLiteral("New version available!");
        d.Message = kMarkup;
        d.Explanation = kMarkup;
        d.CancelVisible = true;
        d.AlternateCaption = QStringLiteral("Go to Website");
        d.AlternateVisible = true;
        s.ShowMessageDialog(d);
      },
  };
  for (size_t i = 0; i < std::size(shows); ++i) {
    SCOPED_TRACE(i);
    const auto labels = LabelsOf(shows[i]);
    int markupLabels = 0;
    for (const auto& [format, text] : labels) {
      EXPECT_EQ(format, Qt::PlainText) << qPrintable(text);
      markupLabels += text == kMarkup;
    }
    EXPECT_EQ(markupLabels, i == 2 ? 2 : 1);
  }
}

}  // namespace
