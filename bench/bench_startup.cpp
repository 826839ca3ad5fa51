// Start-up as a user waits for it, on the program itself (its main path, the folder lock included):
// from the launch of its process to the Section list painted, and to the event loop idle after
// that. The data folders: none (a first run), section lists of 0, 1,000 and 10,000 Sections (every
// tenth one marked), a small Section beside a 1 MB or a 10 MB styled one that was the last
// selected, and preferences files of 100 MB and 500 MB (of directive lines, or of one line). The
// program does not show the last Section by itself, so for the two big Sections the user's click
// on its row follows (the program's load path, until idle), as a fresh process's first open.
//
// Each run is a fresh process (`bench_startup --child <case>`, the data folder in XDG_CONFIG_HOME),
// timed from just before the parent starts it, so loading the program and its libraries counts;
// peak memory (VmHWM) is the run's own. The runs are on X (an Xvfb started here, the xcb platform)
// when Xvfb is installed, and offscreen. BENCH_CASES=name,name limits the cases; BENCH_PLATFORMS=xcb
// or offscreen limits the platforms. Prints, per case and platform, medians in milliseconds.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "benchsupport.h"
#include "app/startup.h"
#include "platform/controls/listbox.h"
#include "scripteduiservice.h"
#include "platform/controls/window.h"
#include "window/window1.h"

namespace {

using bench::NowMs;

constexpr int kChildTimeoutMs = 120000;
const QString kBig = QStringLiteral("Big");

struct Case {
  const char* name;
  int sections;           // rows of the section list; -1: no data folder at all
  qsizetype bigCharacters;  // when not 0, a small and a big Section, the big one last selected
  int runs;
  qint64 prefsBytes = 0;  // when not 0, a preferences file of about this size ...
  bool prefsOneLine = false;  // ... of directive lines, or of one directive as long as that
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"first-run", -1, 0, 7},       {"sections-0", 0, 0, 7},         {"sections-1000", 1000, 0, 7},
      {"sections-10000", 10000, 0, 7}, {"last-1MB", 2, 1'000'000, 5}, {"last-10MB", 2, 10'000'000, 5},
      {"prefs-100MB", 10, 0, 3, 100'000'000}, {"prefs-500MB", 10, 0, 3, 500'000'000},
      {"prefs-100MB-line", 10, 0, 3, 100'000'000, true},
  };
  return cases;
}

// ---- the child: one start of the program ----

// The first paint of the main window's section list: by then the window is shown and laid out
// with the list filled. The reading is taken once that paint has finished.
class FirstListPaint : public QObject {
 public:
  double at = -1;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Paint || seen_) return false;
    auto* w = dynamic_cast<Window1*>(fw::GetImplicitWindow(QStringLiteral("Window1")));
    if (w && o == w->LB1().Tree()->viewport()) {
      seen_ = true;
      QTimer::singleShot(0, [this] { at = NowMs(); });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

int Child(int argc, char** argv) {
  const double launched = bench::LaunchedMs();
  const double entered = NowMs();
  const bool openLast = qstrcmp(argv[3], "open") == 0;
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  const double appMade = NowMs();
  // Nothing should ask, but an unanswered dialog must not hold the run.
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  FirstListPaint paint;
  qtApp.installEventFilter(&paint);
  // The first turn of the program's event loop: its start-up is done.
  QTimer::singleShot(0, [&] {
    const double started = NowMs();
    const double idle = std::max(bench::RunUntilIdle(kChildTimeoutMs / 2, [&] { return paint.at >= 0; }), paint.at);
    Window1* w = Window1::Window1_();
    fw::Listbox& lb = w->LB1();
    std::printf("rows=%d main=%.1f app=%.1f start=%.1f shown=%.1f idle=%.1f start_peak_mb=%ld", lb.ListCount(),
                entered - launched, appMade - launched, started - launched, paint.at - launched, idle - launched,
                bench::PeakRssKb() / 1024);
    if (openLast) {
      int row = 0;
      while (row < lb.ListCount() && lb.Cell(row, 0) != kBig) ++row;
      bench::LoopProbe probe;
      const double t0 = NowMs();
      lb.SetListIndex(row);
      const double call = NowMs() - t0;
      probe.Watch();  // after the call, which `open` tells
      const double shownIdle = bench::RunUntilIdle(kChildTimeoutMs / 2) - t0;
      std::printf(" open=%.1f open_idle=%.1f open_worst_wait=%.1f", call, shownIdle, probe.Stop());
    }
    std::printf(" peak_mb=%ld\n", bench::PeakRssKb() / 1024);
    std::fflush(stdout);
    std::_Exit(0);
  });
  return Main();
}

// ---- the parent: a data folder for each run, the runs of each case on each platform ----

// A hand-edited or damaged preferences file far beyond the two lines the program writes, written in
// pieces so that the parent does not hold it.
bool WritePrefs(const QString& configDir, const Case& c) {
  QFile f(configDir + QStringLiteral("/Tavrin/tavrin.txt"));
  if (!QDir().mkpath(configDir + QStringLiteral("/Tavrin")) || !f.open(QIODevice::WriteOnly)) return false;
  QByteArray piece;
  if (c.prefsOneLine) {
    if (f.write("#Window1Position 150,150,700,500\n#MySection ") < 0) return false;
    piece = QByteArray(1 << 20, 'x');
  } else {
    while (piece.size() < (1 << 20)) piece += "#Window1Position 150,150,700,500\n#MySection Section 00001\n";
  }
  for (qint64 written = 0; written < c.prefsBytes; written += piece.size())
    if (f.write(piece) != piece.size()) return false;
  return f.write("\n") == 1;
}

bool WriteDataFolder(const QString& configDir, const Case& c, const QByteArray& bigText) {
  if (c.sections < 0) return true;
  if (c.prefsBytes > 0 && !WritePrefs(configDir, c)) return false;
  QByteArray list;
  if (c.bigCharacters > 0) {
    list = "Small\n" + kBig.toUtf8() + '\n';
    return bench::WriteDataFile(configDir, QStringLiteral("Sections.txt"), list) &&
           bench::WriteDataFile(configDir, QStringLiteral("Tavrin-Small.txt"), bench::PlainRtf(2000, 400, true)) &&
           bench::WriteDataFile(configDir, QStringLiteral("Tavrin-%1.txt").arg(kBig), bigText) &&
           bench::WriteDataFile(configDir, QStringLiteral("tavrin.txt"),
                                "#Window1Position 150,150,700,500\n#MySection " + kBig.toUtf8() + '\n');
  }
  for (int i = 1; i <= c.sections; ++i) {
    if (i % 10 == 0) list += "###";
    list += "Section " + QByteArray::number(i).rightJustified(5, '0') + '\n';
  }
  return bench::WriteDataFile(configDir, QStringLiteral("Sections.txt"), list);
}

QString RunOnce(const bench::Platforms& platforms, const QString& platform, const Case& c, const QByteArray& bigText) {
  QTemporaryDir config;
  if (!config.isValid() || !WriteDataFolder(config.path(), c, bigText)) return QStringLiteral("FAILED(data folder)");
  QProcessEnvironment env;
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  return bench::RunChild(platforms, platform,
                         {QString::fromLatin1(c.name), QString::fromLatin1(c.bigCharacters > 0 ? "open" : "start")},
                         kChildTimeoutMs, env);
}

int Parent(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bench::Platforms platforms;
  std::printf("start-up: ms from the launch of the process, medians of the runs; memory in MB\n");
  const QStringList keys = {QStringLiteral("main"),     QStringLiteral("app"),       QStringLiteral("start"),
                            QStringLiteral("shown"),    QStringLiteral("idle"),      QStringLiteral("start_peak_mb"),
                            QStringLiteral("open"),     QStringLiteral("open_idle"), QStringLiteral("open_worst_wait"),
                            QStringLiteral("peak_mb")};
  std::vector<QString> warmed;
  for (const Case& c : Cases()) {
    if (!bench::Wanted(c.name)) continue;
    const QByteArray bigText = c.bigCharacters > 0 ? bench::StyledRtf(c.bigCharacters) : QByteArray();
    for (const QString& platform : platforms.List()) {
      // One run that is not counted, so that the first figure is not the one that reads the
      // program and its libraries from disk.
      if (std::find(warmed.begin(), warmed.end(), platform) == warmed.end()) {
        warmed.push_back(platform);
        RunOnce(platforms, platform, c, bigText);
      }
      std::vector<std::vector<double>> figures(keys.size());
      QString failure;
      int rows = -1;
      for (int r = 0; r < c.runs && failure.isEmpty(); ++r) {
        const QString line = RunOnce(platforms, platform, c, bigText);
        if (line.contains(QLatin1String("FAILED")) || line.contains(QLatin1String("FROZE"))) failure = line;
        rows = static_cast<int>(bench::Field(line, QStringLiteral("rows")));
        for (int k = 0; k < keys.size(); ++k) figures[k].push_back(bench::Field(line, keys[k]));
      }
      std::printf("%-9s case=%s", qPrintable(platform), c.name);
      if (!failure.isEmpty()) {
        std::printf(" %s\n", qPrintable(failure));
        continue;
      }
      std::printf(" rows=%d runs=%d", rows, c.runs);
      for (int k = 0; k < keys.size(); ++k) {
        if (figures[k].front() < 0) continue;  // not measured in this case
        std::printf(" %s=%.1f", qPrintable(keys[k]), bench::Median(figures[k]));
        if (keys[k] == QLatin1String("shown") || keys[k] == QLatin1String("idle") ||
            keys[k] == QLatin1String("open_idle"))
          std::printf(" %s_max=%.1f", qPrintable(keys[k]), *std::max_element(figures[k].begin(), figures[k].end()));
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
