// The real message boxes show their texts as plain text: a server's description or a Section
// name with markup in it must appear character for character, never as rich text or a link.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "platform/dialogs/qtuiservice.h"

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

// What a message box shows of a text too long for the screen: its beginning and its end around
// "…", never half of a character.
TEST(PlainTextDialogs, ATextTooLongForTheScreenKeepsItsBeginningAndEnd) {
  const QChar more(0x2026);
  const QString line = QStringLiteral("a line of some forty characters of text");  // 40
  auto lines = [&](int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << line + QString::number(i);
    return out.join(u'\n');
  };
  const QString prose = QString(700, u'p') + QString(210, u'q');
  const QString emoji = QStringLiteral("\U0001F600");
  const struct {
    const char* what;
    QString text;
    QString shown;
  } cases[] = {
      {"a few lines", lines(1, 12), lines(1, 12)},
      {"many lines", lines(1, 5000), lines(1, 8) + u'\n' + more + u'\n' + lines(4998, 5000)},
      {"one long line", QString(560, u'h') + prose + QString(210, u't'), QString(560, u'h') + more + QString(210, u't')},
      {"a long line among short ones", lines(1, 2) + u'\n' + QString(100'000, u'x') + u'\n' + lines(3, 5),
       lines(1, 2) + u'\n' + QString(420, u'x') + more + u'\n' + lines(3, 5)},
      // The cut falls between the two halves of a character: it stays whole on its side.
      {"a character cut in two", QString(559, u'h') + emoji + prose + emoji + QString(209, u't'),
       QString(559, u'h') + more + emoji + QString(209, u't')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(fw::MessageBoxText(c.text).toStdString(), c.shown.toStdString());
  }
}

// A mebibyte of text, in one line or in many, opens a message box that fits the screen.
TEST(PlainTextDialogs, AMebibyteOfTextOpensABoxThatFitsTheScreen) {
  QString manyLines;
  while (manyLines.size() < (1 << 20)) manyLines += QStringLiteral("a short line\n");
  const QString oneLine(1 << 20, u'w');
  for (const QString& text : {oneLine, manyLines}) {
    for (int way = 0; way < 2; ++way) {
      SCOPED_TRACE(way);
      int height = -1, screen = -1;
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        height = box->frameGeometry().height();
        screen = box->screen()->availableGeometry().height();
        box->buttons().first()->click();
      });
      poll.start(5);
      QTimer::singleShot(10000, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
      });
      fw::QtUiService service;
      if (way == 0) {
        service.MsgBox(text);
      } else {
        fw::MessageDialogOptions d;
        d.Message = QStringLiteral("Version ") + text + QStringLiteral(" is now available. ");
        d.Explanation = text;
        service.ShowMessageDialog(d);
      }
      ASSERT_GT(height, 0);
      EXPECT_LE(height, screen);
    }
  }
}

}  // namespace
