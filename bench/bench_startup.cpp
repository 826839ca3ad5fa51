// Start-up time of the program, from the start of its process to the main window painted with the
// Section list filled, for section list files of 0, 1,000 and 10,000 Sections (every tenth one
// marked). Each run is a fresh process: this program starts itself again as
// `bench_startup --child <config dir>`, and the child runs the real start-up. The parent takes the
// launch time just before it starts the child, so loading the program and its libraries counts.
// Prints, per size, the median, minimum and maximum of 7 runs in milliseconds, and the median of
// each step.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/startup.h"
#include "platform/application.h"
#include "platform/listbox.h"
#include "window/window1.h"

namespace {

constexpr int kRuns = 7;
constexpr int kChildTimeoutMs = 120000;
const char* const kLaunchVar = "TAVRIN_BENCH_LAUNCH_NS";

// CLOCK_MONOTONIC is one clock for every process of the machine, so the parent's launch time and
// the child's readings can be subtracted.
long long NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

double Ms(long long from, long long to) { return static_cast<double>(to - from) / 1e6; }

// The first paint of the list's rows: by then the window is shown and laid out with the list
// filled. The reading is taken once that paint has finished.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(long long* at) : at_(at) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, [at = at_] {
        *at = NowNs();
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  long long* at_;
  bool seen_ = false;
};

int Child(int argc, char** argv) {
  const long long entered = NowNs();
  const char* launch = std::getenv(kLaunchVar);
  if (!launch) {
    std::fprintf(stderr, "the child needs %s\n", kLaunchVar);
    return 2;
  }
  const long long launched = std::atoll(launch);
  qputenv("XDG_CONFIG_HOME", QByteArray(argv[2]));
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  const long long appMade = NowNs();
  if (!fw::StartApplication(&Startup)) {
    std::fprintf(stderr, "start-up failed\n");
    return 1;
  }
  const long long started = NowNs();
  Window1* w = Window1::Window1_();
  long long painted = 0;
  FirstPaint watcher(&painted);
  w->LB1().Tree()->viewport()->installEventFilter(&watcher);
  // Bounded: a dialog that nobody answers must not stall the parent for ever.
  QTimer::singleShot(kChildTimeoutMs / 2, [] { QCoreApplication::exit(3); });
  if (QCoreApplication::exec() != 0 || painted == 0) {
    std::fprintf(stderr, "the list was never painted\n");
    return 1;
  }
  std::printf("rows=%d main=%.3f app=%.3f start=%.3f shown=%.3f\n", w->LB1().ListCount(), Ms(launched, entered),
              Ms(launched, appMade), Ms(launched, started), Ms(launched, painted));
  std::fflush(stdout);
  ReleaseModuleState();
  return 0;
}

struct Sample {
  int rows = -1;
  double main = 0, app = 0, start = 0, shown = 0;
};

bool RunChild(const QString& self, const QString& configDir, Sample* s) {
  QTemporaryDir runtime;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  env.insert(QString::fromLatin1(kLaunchVar), QString::number(NowNs()));
  child.setProcessEnvironment(env);
  child.start(self, {QStringLiteral("--child"), configDir});
  const bool ended = child.waitForFinished(kChildTimeoutMs);
  if (!ended) {
    child.kill();
    child.waitForFinished(5000);
  }
  const QByteArray out = child.readAllStandardOutput();
  const bool ok = ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                  std::sscanf(out.constData(), "rows=%d main=%lf app=%lf start=%lf shown=%lf", &s->rows, &s->main,
                              &s->app, &s->start, &s->shown) == 5;
  // The offscreen platform's notes would bury the table; they matter only when a run failed.
  if (!ok) std::fprintf(stderr, "%s", child.readAllStandardError().constData());
  return ok;
}

bool WriteSections(const QString& configDir, int count) {
  if (!QDir().mkpath(configDir + QStringLiteral("/Tavrin"))) return false;
  QByteArray text;
  for (int i = 1; i <= count; ++i) {
    if (i % 10 == 0) text += "###";
    text += "Section " + QByteArray::number(i).rightJustified(5, '0') + '\n';
  }
  QFile f(configDir + QStringLiteral("/Tavrin/Sections.txt"));
  return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Parent(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString self = QCoreApplication::applicationFilePath();
  std::printf("start-up, process start to the list painted; %d runs per size, ms\n", kRuns);
  std::printf("%8s %9s %9s %9s   %s\n", "Sections", "median", "min", "max",
              "median per step: main() reached / QApplication made / start-up done / painted");
  bool warmed = false;
  for (int count : {0, 1000, 10000}) {
    QTemporaryDir config;
    if (!config.isValid() || !WriteSections(config.path(), count)) {
      std::fprintf(stderr, "cannot write the section list\n");
      return 1;
    }
    Sample s;
    // One run that is not counted, so that the first figure is not the one that reads the program
    // and its libraries from disk.
    if (!warmed && !(warmed = RunChild(self, config.path(), &s))) {
      std::fprintf(stderr, "the child run failed\n");
      return 1;
    }
    std::vector<double> main, made, start, shown;
    for (int r = 0; r < kRuns; ++r) {
      if (!RunChild(self, config.path(), &s) || s.rows != count) {
        std::fprintf(stderr, "the child run failed (rows %d of %d)\n", s.rows, count);
        return 1;
      }
      main.push_back(s.main);
      made.push_back(s.app);
      start.push_back(s.start);
      shown.push_back(s.shown);
    }
    std::printf("%8d %9.1f %9.1f %9.1f   %.1f / %.1f / %.1f / %.1f\n", count, Median(shown),
                *std::min_element(shown.begin(), shown.end()), *std::max_element(shown.begin(), shown.end()),
                Median(main), Median(made), Median(start), Median(shown));
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
