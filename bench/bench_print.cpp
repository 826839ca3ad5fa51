// Printing a Section of styled text to PDF, as Print Selected Section does, from the command to the
// file closed: about 20 and about 200 pages of text shaped like a real Section (a style change
// every 20 characters, three font families, four sizes). Each size runs in a child process of its
// own, so that its peak resident set size is its own: after the text is filled in, and after the
// prints. Prints medians of 5 runs in milliseconds, in page order and last page first.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cstdio>
#include <vector>

#include "app/app.h"
#include "app/startup.h"
#include "benchsupport.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/controls/listbox.h"
#include "preferencesfolder.h"
#include "scripteduiservice.h"
#include "window/window1.h"

namespace {

int PdfPages(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("pdfinfo"), {path});
  if (!p.waitForFinished(30000)) return -1;
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAllStandardOutput()));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// One size: fills the editor with `characters`, prints it 5 times; one line of figures.
int Child(qsizetype characters) {
  auto& ui = static_cast<fw::ScriptedUiService&>(fw::UiService::Current());
  QTemporaryDir dir;
  const PreferencesFolder preferences(dir.path());
  if (!fw::StartApplication(&Startup)) return 1;
  Window1* w = Window1::Window1_();
  w->LB1().AddRow(QStringLiteral("Bench"));
  w->LB1().SetListIndex(0);
  fw::EditField& ef = w->EF1();
  ef.Document()->clear();
  bench::FillOptions fill;
  fill.formats = 12;
  bench::FillSampleSection(*ef.Document(), characters, fill);
  const long filledKb = bench::PeakRssKb();
  const QString pdf = dir.filePath(QStringLiteral("job.pdf"));
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    ui.SetNextPrint(pdf, 1200);
    QElapsedTimer t;
    t.start();
    App_()->FilePrintSelectedSection_Action();
    times.push_back(t.nsecsElapsed() / 1e6);
  }
  const long printedKb = bench::PeakRssKb();
  const int pages = PdfPages(pdf);
  const long long pdfBytes = QFile(pdf).size();
  // Last page first: every page is found before the first is drawn.
  std::vector<double> reversed;
  fw::ScriptedUiService::PrintDialogChoice lastFirst;
  lastFirst.reverse = true;
  for (int run = 0; run < 5; ++run) {
    ui.SetNextPrint(pdf, lastFirst);
    QElapsedTimer t;
    t.start();
    App_()->FilePrintSelectedSection_Action();
    reversed.push_back(t.nsecsElapsed() / 1e6);
  }
  std::printf("%d %.1f %ld %ld %lld %s %.1f\n", pages, bench::Median(times), filledKb, printedKb, pdfBytes,
              ui.Messages().isEmpty() && PdfPages(pdf) == pages ? "ok" : "messages", bench::Median(reversed));
  ReleaseModuleState();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  if (argc == 3 && QByteArray(argv[1]) == "--child") return Child(QByteArray(argv[2]).toLongLong());

  std::printf("print a Section to PDF (Print Selected Section, 1200 dpi), medians of 5\n");
  for (qsizetype characters : {qsizetype(33 * 1024), qsizetype(330 * 1024)}) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QString::number(characters)});
    if (!child.waitForFinished(600000)) return 1;
    const QStringList f = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u' ');
    if (f.size() < 7) {
      std::printf("  %lld characters: the child failed\n%s\n", static_cast<long long>(characters),
                  child.readAllStandardError().constData());
      continue;
    }
    std::printf("  %4lld KB of text, %4s pages: %8s ms, last page first %8s ms   peak RSS %5ld MB with the text,"
                " %5ld MB after printing   (PDF %lld KB, %s)\n",
                static_cast<long long>(characters / 1024), qPrintable(f[0]), qPrintable(f[1]), qPrintable(f[6]),
                f[2].toLong() / 1024, f[3].toLong() / 1024, f[4].toLongLong() / 1024, qPrintable(f[5]));
  }
  return 0;
}
