// Speed of a Section's save and load: EncodeStyledRtf / DecodeStyledRtf on text shaped like a
// real Section (a style change every 20 characters, a paragraph break about every 400).
// Prints medians in milliseconds and the peak resident set size.

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>
#include <memory>
#include <vector>

#include "benchsupport.h"
#include "platform/rtf/styledtextrtf.h"

namespace {

using bench::Median;
using bench::PeakRssKb;

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
  bench::FillSampleSection(source, characters);
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
    bench::FillSampleSection(source, 1'000'000);
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
