// The section switch as a user waits for it, on the program itself: a click on another row of the
// list (saving the shown Section, the program's load path), timed until the call returns and until
// the event loop is idle, for a switch between two small Sections, from a small one to a 1 MB and
// a 10 MB styled one (a style change every 20 characters, a paragraph break about every 400), and
// back from those to the small one. Also the longest the event loop went unanswered after the call,
// and the peak memory of the process.
//
// Each case runs in a fresh process (`bench_switch --child <case>`, the data folder in
// XDG_CONFIG_HOME) that switches there and back 5 times; the first switch is also printed on its
// own, as it is the one that loads fonts and fills caches. Peak memory (VmHWM) is taken after that
// first switch. The cases run on X (an Xvfb started here, the xcb platform) when Xvfb is installed,
// and offscreen. BENCH_CASES=name,name limits the cases; BENCH_PLATFORMS=xcb or offscreen limits
// the platforms; BENCH_PARTS=1 also times the save, the load and the events of a switch apart.

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "benchsupport.h"
#include "app/startup.h"
#include "platform/controls/listbox.h"
#include "scripteduiservice.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

using bench::NowMs;

constexpr int kRuns = 5;
constexpr int kChildTimeoutMs = 600000;

struct Case {
  const char* name;
  qsizetype from, to;  // characters of the Section shown before and of the one switched to
};

constexpr qsizetype kSmall = 2000;

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"small-to-small", kSmall, kSmall}, {"small-to-1MB", kSmall, 1'000'000},  {"small-to-10MB", kSmall, 10'000'000},
      {"1MB-to-small", 1'000'000, kSmall}, {"10MB-to-small", 10'000'000, kSmall},
  };
  return cases;
}

// ---- the child: the program with the two Sections, switched between ----

int Child(int argc, char** argv) {
  const QString caseName = QString::fromLocal8Bit(argv[2]);
  const Case* c = nullptr;
  for (const Case& k : Cases())
    if (caseName == QLatin1String(k.name)) c = &k;
  if (!c) return 2;
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  // The first turn of the program's event loop: its start-up is done.
  QTimer::singleShot(0, [&] {
    fw::Listbox& lb = Window1::Window1_()->LB1();
    const int from = 0, to = 1;  // the section list holds them in this order
    const double limit = kChildTimeoutMs / (4 * kRuns);
    lb.SetListIndex(from);
    bench::RunUntilIdle(limit);
    std::vector<double> calls, idles;
    double worst = 0;
    long peak = -1;
    bench::LoopProbe probe;
    for (int r = 0; r < kRuns; ++r) {
      const double t0 = NowMs();
      lb.SetListIndex(to);
      calls.push_back(NowMs() - t0);
      probe.Watch();  // after the call, which `call` tells
      idles.push_back(bench::RunUntilIdle(limit) - t0);
      worst = std::max(worst, probe.Stop());
      if (r == 0) peak = bench::PeakRssKb() / 1024;
      lb.SetListIndex(from);
      bench::RunUntilIdle(limit);
    }
    std::printf("case=%s call=%.1f idle=%.1f first_call=%.1f first_idle=%.1f worst_wait=%.1f peak_mb=%ld", c->name,
                bench::Median(calls), bench::Median(idles), calls.front(), idles.front(), worst, peak);
    if (qEnvironmentVariableIsSet("BENCH_PARTS")) {
      // The steps of a switch to `to`, one after the other as the program takes them.
      double t = NowMs();
      Module1::ThisSection = Module1::LastSection;
      Module1::saveSectionText();
      const double save = NowMs() - t;
      t = NowMs();
      Module1::MySection = lb.Cell(to, 0);
      Module1::getSectionText();
      const double load = NowMs() - t;
      t = NowMs();
      QCoreApplication::processEvents();
      std::printf(" parts_save=%.1f parts_load=%.1f parts_events=%.1f", save, load, NowMs() - t);
    }
    std::printf("\n");
    std::fflush(stdout);
    std::_Exit(0);
  });
  return Main();
}

// ---- the parent: a data folder for each case, each case on each platform ----

int Parent(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bench::Platforms platforms;
  std::printf("section switch: ms from the click, medians of %d; memory in MB\n", kRuns);
  std::map<qsizetype, QByteArray> texts;
  const auto text = [&](qsizetype characters) {
    if (characters == kSmall) return bench::PlainRtf(characters, 400, true);
    QByteArray& t = texts[characters];
    if (t.isEmpty()) t = bench::StyledRtf(characters);
    return t;
  };
  for (const Case& c : Cases()) {
    if (!bench::Wanted(c.name)) continue;
    for (const QString& platform : platforms.List()) {
      QTemporaryDir config;
      if (!config.isValid() ||
          !bench::WriteDataFile(config.path(), QStringLiteral("Sections.txt"), "From\nTo\n") ||
          !bench::WriteDataFile(config.path(), QStringLiteral("Tavrin-From.txt"), text(c.from)) ||
          !bench::WriteDataFile(config.path(), QStringLiteral("Tavrin-To.txt"), text(c.to))) {
        std::fprintf(stderr, "cannot write the data folder\n");
        return 1;
      }
      QProcessEnvironment env;
      env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
      bench::PrintRow(platform, bench::RunChild(platforms, platform, {QString::fromLatin1(c.name)}, kChildTimeoutMs, env));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
