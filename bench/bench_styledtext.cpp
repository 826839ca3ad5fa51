// Speed of a Section's save and load: EncodeStyledRtf / DecodeStyledRtf on text shaped like a
// real Section (a style change every 20 characters, a paragraph break about every 400).
// Prints medians in milliseconds and the peak resident set size.

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/styledtextrtf.h"

namespace {

std::vector<QTextCharFormat> SampleFormats() {
  const char* families[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"};
  const int sizes[] = {11, 12, 14, 18};
  const QRgb colors[] = {0x000000, 0xc0392b, 0x2471a3, 0x1e8449, 0x7d3c98};
  std::vector<QTextCharFormat> formats;
  for (int i = 0; i < 24; ++i) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(families[i % 3])});
    f.setFontPointSize(sizes[i % 4]);
    f.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
    f.setFontItalic(i % 5 == 1);
    f.setFontUnderline(i % 7 == 3);
    if (i % 5 != 0) f.setForeground(QColor::fromRgb(colors[i % 5]));
    formats.push_back(f);
  }
  return formats;
}

void FillSample(QTextDocument& doc, qsizetype characters) {
  // Mostly ASCII prose with some accented, CJK and emoji text mixed in.
  const QString words = QStringLiteral(
      "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
      "ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation "
      "ullamco laboris nisi ut aliquip ex ea commodo consequat. Café naïve déjà vu, 日本語の文章, "
      "emoji 😀 and a\ttab. ");
  const std::vector<QTextCharFormat> formats = SampleFormats();
  doc.setUndoRedoEnabled(false);
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  qsizetype written = 0;
  qsizetype sinceBreak = 0;
  qsizetype at = 0;
  size_t style = 0;
  while (written < characters) {
    if (at + 20 > words.size()) at = 0;
    cursor.insertText(words.mid(at, 20), formats[style++ % formats.size()]);
    at += 20;
    written += 20;
    sinceBreak += 20;
    if (sinceBreak >= 400) {
      cursor.insertBlock(QTextBlockFormat(), formats[style % formats.size()]);
      ++written;
      sinceBreak = 0;
    }
  }
  cursor.endEditBlock();
}

template <typename F>
double Median(int runs, F&& once) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) ms.push_back(once());
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

long PeakRssKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  }
  return -1;
}

struct Figures {
  double encode = 0;
  double decode = 0;
  double decodeBare = 0;
  double decodeShown = 0;
  double fullLayout = 0;
  qsizetype bytes = 0;
};

Figures Measure(qsizetype characters, int runs, bool withFullLayout) {
  Figures fig;
  QTextDocument source;
  FillSample(source, characters);
  const int expected = source.characterCount();

  QByteArray rtf;
  fig.encode = Median(runs, [&] {
    QElapsedTimer t;
    t.start();
    rtf = fw::EncodeStyledRtf(source);
    return t.nsecsElapsed() / 1e6;
  });
  fig.bytes = rtf.size();

  bool ok = true;
  auto decodeInto = [&](QTextDocument& doc) {
    QElapsedTimer t;
    t.start();
    QString error;
    ok = fw::DecodeStyledRtf(rtf, doc, &error) && ok;
    const double ms = t.nsecsElapsed() / 1e6;
    if (doc.characterCount() != expected) ok = false;
    return ms;
  };
  // Loading replaces what the editor showed before, so each run starts from a filled editor.
  fig.decode = Median(runs, [&] {
    auto editor = std::make_unique<QTextEdit>();
    editor->setPlainText(QStringLiteral("previous Section"));
    return decodeInto(*editor->document());
  });
  fig.decodeBare = Median(runs, [&] {
    QTextDocument doc;
    return decodeInto(doc);
  });
  // A hidden editor never lays text out. A shown one lays out the first screen during the load
  // and the rest lazily from the event loop; forcing it all shows what the rest costs.
  fig.decodeShown = Median(runs, [&] {
    auto editor = std::make_unique<QTextEdit>();
    editor->resize(800, 600);
    editor->show();
    QCoreApplication::processEvents();
    return decodeInto(*editor->document());
  });
  if (withFullLayout) {
    fig.fullLayout = Median(3, [&] {
      auto editor = std::make_unique<QTextEdit>();
      editor->resize(800, 600);
      editor->show();
      QCoreApplication::processEvents();
      decodeInto(*editor->document());
      QElapsedTimer t;
      t.start();
      QTextDocument* doc = editor->document();
      doc->documentLayout()->blockBoundingRect(doc->lastBlock());
      return t.nsecsElapsed() / 1e6;
    });
  }
  if (!ok) std::printf("WARNING: decoded text does not match the source (%d characters)\n", expected);
  return fig;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const Figures one = Measure(1'000'000, 7, true);
  const Figures ten = Measure(10'000'000, 3, false);

  double htmlLoad = 0;
  {
    QTextDocument source;
    FillSample(source, 1'000'000);
    const QString html = source.toHtml();
    htmlLoad = Median(3, [&] {
      QTextEdit editor;
      QElapsedTimer t;
      t.start();
      editor.document()->setHtml(html);
      return t.nsecsElapsed() / 1e6;
    });
  }

  std::printf("styled text RTF (medians, ms)\n");
  std::printf("  encode 1MB                  %8.1f   (%lld bytes of RTF)\n", one.encode,
              (long long)one.bytes);
  std::printf("  decode 1MB into QTextEdit   %8.1f\n", one.decode);
  std::printf("  decode 10MB into QTextEdit  %8.1f\n", ten.decode);
  std::printf("  encode 10MB                 %8.1f   (%lld bytes of RTF)\n", ten.encode,
              (long long)ten.bytes);
  std::printf("  decode 1MB, bare document   %8.1f\n", one.decodeBare);
  std::printf("  decode 10MB, bare document  %8.1f\n", ten.decodeBare);
  std::printf("  decode 1MB, shown editor    %8.1f\n", one.decodeShown);
  std::printf("  decode 10MB, shown editor   %8.1f\n", ten.decodeShown);
  std::printf("  then laying out all of 1MB  %8.1f   (done lazily by the editor)\n", one.fullLayout);
  std::printf("  Qt HTML load 1MB, for scale %8.1f\n", htmlLoad);
  std::printf("peak RSS (VmHWM) %ld kB\n", PeakRssKb());
  return 0;
}
