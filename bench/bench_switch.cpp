// Speed of the section switch: saving the shown Section and loading the next one, as a user's
// click on another row does, for Sections of 20 KB, 1 MB and 10 MB of styled text (a style change
// every 20 characters, a paragraph break about every 400). Prints medians in milliseconds and the
// peak resident set size after each size.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "benchsupport.h"
#include "app/startup.h"
#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/files.h"
#include "platform/listbox.h"
#include "platform/scripteduiservice.h"
#include "store/module1.h"
#include "window/window1.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  QTemporaryDir dir;
  fw::SpecialFolder::SetPreferencesForTesting(dir.path());
  if (!fw::StartApplication(&Startup)) return 1;
  Window1* w = Window1::Window1_();
  fw::Listbox& lb = w->LB1();
  fw::EditField& ef = w->EF1();

  std::printf("section switch (save the shown Section, load the next), medians of 7\n");
  struct Size { const char* label; qsizetype chars; };
  for (const Size& size : {Size{"20 KB", 20 * 1024}, Size{"1 MB", 1024 * 1024}, Size{"10 MB", 10 * 1024 * 1024}}) {
    const int first = lb.ListCount();
    for (int k = 0; k < 2; ++k) {
      const QString name = QStringLiteral("%1-%2").arg(QString::fromLatin1(size.label)).arg(k);
      lb.AddRow(name);
      ef.Document()->clear();
      bench::FillOptions fill;
      fill.formats = 12;
      fill.seed = k;
      bench::FillSampleSection(*ef.Document(), size.chars, fill);
      // The Section's files as the program writes them.
      Module1::ThisSection = name;
      fw::FolderItemPtr file = Module1::sectionTextFile(name);
      file->SaveStyledEditField(ef);
      Module1::saveSectionStyle();
    }
    lb.SetListIndex(first);
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
      QElapsedTimer t;
      t.start();
      lb.SetListIndex(run % 2 == 0 ? first + 1 : first);
      times.push_back(t.nsecsElapsed() / 1e6);
    }
    if (qEnvironmentVariableIsSet("BENCH_PARTS")) {
      QElapsedTimer t;
      t.start();
      Module1::ThisSection = Module1::LastSection;
      Module1::saveSectionText();
      const double save = t.nsecsElapsed() / 1e6;
      t.restart();
      Module1::MySection = lb.Cell(first, 0);
      Module1::getSectionText();
      const double load = t.nsecsElapsed() / 1e6;
      t.restart();
      QCoreApplication::processEvents();
      std::printf("  parts: save %.1f load %.1f events %.1f\n", save, load, t.nsecsElapsed() / 1e6);
    }
    std::printf("  %-6s %9.1f ms   (min %.1f, max %.1f)   peak RSS so far %ld MB\n", size.label, bench::Median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                bench::PeakRssKb() / 1024);
  }
  fw::SpecialFolder::SetPreferencesForTesting(QString());
  ReleaseModuleState();
  return 0;
}
