// What a user waits for with a big Section shown, measured on the program itself: opening it by a
// click on its row (save of the shown Section, the program's load path, then the editor's work
// until the event loop is idle), a keystroke in its middle until the editor has painted it,
// leaving it unchanged, quitting with it shown (and whether the file then holds the whole text),
// the longest the event loop went unanswered, and the peak memory of the process. The biggest
// Sections are not waited for: a key is typed a second after they show and Ctrl+Q comes ten
// seconds after they show, while the editor may still be at work.
//
// Each case runs in a fresh process (`bench_bigsection --child <case> <data dir>`), so that peak
// memory is the case's own. The cases run on X (an Xvfb started here, the xcb platform) when
// Xvfb is installed, and offscreen. BENCH_CASES=name,name limits the cases; BENCH_PLATFORMS=xcb
// or offscreen limits the platforms.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <vector>

#include "benchsupport.h"
#include "app/startup.h"
#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/files.h"
#include "platform/listbox.h"
#include "platform/scripteduiservice.h"
#include "platform/styledtextrtf.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

constexpr int kChildTimeoutMs = 240000;
constexpr int kIdleGapMs = 300;      // the loop has slept this long: the editor is idle
constexpr int kProbeMs = 20;         // how often the loop is asked to answer

double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// ---- the Section files of each case, written as RTF the program reads ----

QByteArray PlainRtf(qsizetype bytes, int paragraphLength, bool spaces) {
  const QByteArray words = spaces ? QByteArray("lorem ipsum dolor sit amet consectetur adipiscing elit sed do ")
                                  : QByteArray("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5eg");
  QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs24 ";
  rtf.reserve(bytes + bytes / std::max(paragraphLength, 1) * 6 + 100);
  qsizetype written = 0, inParagraph = 0;
  while (written < bytes) {
    const qsizetype n = std::min<qsizetype>(words.size(), bytes - written);
    rtf.append(words.constData(), n);
    written += n;
    inParagraph += n;
    if (paragraphLength > 0 && inParagraph >= paragraphLength && written < bytes) {
      rtf += "\\par\n";
      inParagraph = 0;
    }
  }
  rtf += "}";
  return rtf;
}

QByteArray FontsRtf(int fonts) {
  QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl";
  for (int i = 0; i < fonts; ++i) rtf += "{\\f" + QByteArray::number(i) + " Bench Font " + QByteArray::number(i) + ";}";
  rtf += "}\\fs24 ";
  for (int i = 0; i < fonts; ++i) {
    rtf += "\\f" + QByteArray::number(i) + " word" + QByteArray::number(i) + ' ';
    if (i % 10 == 9) rtf += "\\par\n";
  }
  rtf += "}";
  return rtf;
}

QByteArray StyledRtf(qsizetype characters) {
  QTextDocument doc;
  bench::FillOptions fill;
  fill.formats = 12;
  bench::FillSampleSection(doc, characters, fill);
  return fw::EncodeStyledRtf(doc);
}

QByteArray LongWordInProse() {
  QByteArray rtf = PlainRtf(100'000, 400, true);
  rtf.chop(1);
  rtf += "\\par ";
  for (int i = 0; i < 200'000 / 64; ++i) rtf += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2";
  rtf += "\\par lorem ipsum}";
  return rtf;
}

struct Case {
  const char* name;
  std::function<QByteArray()> make;
  bool keystroke;   // type into it once idle
  bool quitEarly;   // quit while the editor is still at work
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"styled-1MB", [] { return StyledRtf(1'000'000); }, true, false},
      {"styled-10MB", [] { return StyledRtf(10'000'000); }, true, false},
      {"plain-25MB", [] { return PlainRtf(25'000'000, 410, true); }, true, true},
      {"plain-50MB", [] { return PlainRtf(50'000'000, 410, true); }, false, true},
      {"plain-200MB", [] { return PlainRtf(200'000'000, 410, true); }, false, true},
      {"word-10MB", [] { return PlainRtf(10'000'000, 0, false); }, true, false},
      {"word-200KB", [] { return LongWordInProse(); }, true, false},
      {"paragraph-10MB", [] { return PlainRtf(10'000'000, 0, true); }, true, false},
      {"fonts-16000", [] { return FontsRtf(16000); }, true, false},
      {"fonts-40000", [] { return FontsRtf(40000); }, true, false},
  };
  return cases;
}

// ---- the child: one case on the program ----

// The longest the event loop kept a due timer waiting, while `Watch` is on.
class Probe : public QObject {
 public:
  Probe() {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
      const double now = NowMs();
      worst_ = std::max(worst_, now - last_ - kProbeMs);
      last_ = now;
    });
  }
  void Watch() {
    worst_ = 0;
    last_ = NowMs();
    timer_.start(kProbeMs);
  }
  double Stop() {
    timer_.stop();
    // A loop still held since the last answer counts too.
    return std::max({0.0, worst_, NowMs() - last_ - kProbeMs});
  }

 private:
  QTimer timer_;
  double last_ = 0, worst_ = 0;
};

double ThreadCpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Runs the loop until it has spent under a tenth of its time at work for kIdleGapMs (the probe's
// and the caret's timers take far less); returns when it was last busier than that.
double RunUntilIdle(double limitMs) {
  const double start = NowMs();
  double lastBusy = start, wall = start, cpu = ThreadCpuMs();
  QTimer wake;  // keeps the loop turning, so that the quiet time is seen
  wake.start(10);
  while (NowMs() - lastBusy < kIdleGapMs && NowMs() - start < limitMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double now = NowMs(), nowCpu = ThreadCpuMs();
    if (now - wall >= 10) {
      if (nowCpu - cpu > 0.1 * (now - wall)) lastBusy = now;
      wall = now;
      cpu = nowCpu;
    }
  }
  return lastBusy;
}

class PaintWatch : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted = true;
    return false;
  }
};

// A key typed into the editor, until the editor's next paint is done.
double Keystroke(QTextEdit* te, PaintWatch& watch, char16_t key) {
  const double t = NowMs();
  watch.painted = false;
  QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QString(QChar(key)));
  QApplication::sendEvent(te, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QString(QChar(key)));
  QApplication::sendEvent(te, &release);
  while (!watch.painted && NowMs() - t < 60000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return NowMs() - t;
}

struct Stamp {
  qint64 size = -1;
  QDateTime modified;
  bool operator==(const Stamp& o) const { return size == o.size && modified == o.modified; }
};
Stamp StampOf(const QString& path) {
  QFileInfo fi(path);
  return fi.exists() ? Stamp{fi.size(), fi.lastModified()} : Stamp{};
}

struct QuitTimes {
  double waited = 0, took = 0;
};
// The menu's Quit, asked for after `delayMs`: it closes the windows (saving the Section) at once.
QuitTimes QuitAfter(int delayMs) {
  QuitTimes q;
  bool done = false;
  const double due = NowMs() + delayMs;
  QTimer::singleShot(delayMs, Qt::PreciseTimer, [&] {
    const double asked = NowMs();
    q.waited = std::max(0.0, asked - due);
    fw::QuitFromMenu();
    q.took = NowMs() - asked;
    done = true;
  });
  while (!done && NowMs() - due < kChildTimeoutMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return q;
}

bool SavedWhole(const QString& path, int characters) {
  QTextDocument check;
  QByteArray data;
  return fw::FolderItem(path).ReadAll(&data) && fw::DecodeStyledRtf(data, check, nullptr) &&
         check.characterCount() == characters;
}

int Child(int argc, char** argv) {
  const QString caseName = QString::fromLocal8Bit(argv[2]);
  const QString dataDir = QString::fromLocal8Bit(argv[3]);
  const QString rtfPath = QString::fromLocal8Bit(argv[4]);
  const Case* c = nullptr;
  for (const Case& k : Cases())
    if (caseName == QLatin1String(k.name)) c = &k;
  if (!c) return 2;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  fw::SpecialFolder::SetPreferencesForTesting(dataDir);
  if (!fw::StartApplication(&Startup)) return 1;
  Window1* w = Window1::Window1_();
  fw::Listbox& lb = w->LB1();
  fw::EditField& ef = w->EF1();
  QTextEdit* te = ef.TextEdit();
  PaintWatch watch;
  te->viewport()->installEventFilter(&watch);

  // Two Sections: a small one shown first, and the case's big one.
  for (const QString& name : {QStringLiteral("Small"), QStringLiteral("Big")}) lb.AddRow(name);
  Module1::sectionTextFile(QStringLiteral("Small"))->WriteAll(PlainRtf(2000, 400, true));
  const QString bigPath = Module1::sectionTextFile(QStringLiteral("Big"))->NativePath();
  QFile::remove(bigPath);
  if (!QFile::copy(rtfPath, bigPath)) return 1;
  lb.SetListIndex(0);
  RunUntilIdle(5000);

  Probe probe;
  std::printf("case=%s", c->name);
  // Open.
  double t0 = NowMs();
  lb.SetListIndex(1);
  const double shown = NowMs() - t0;
  probe.Watch();
  if (c->quitEarly) {
    // A key typed near the start a second after it shows, and Ctrl+Q ten seconds after it shows,
    // while the editor may still be at work: how long each waited, and whether the quit saved it
    // whole.
    double key = -1;
    QTimer::singleShot(1000, [&] {
      QTextCursor at(ef.Document());
      at.setPosition(5);
      te->setTextCursor(at);
      key = Keystroke(te, watch, u'x');
    });
    double worst = 0;
    QTimer::singleShot(9990, [&] { worst = probe.Stop(); });
    const QuitTimes q = QuitAfter(10000);
    const long peak = bench::PeakRssKb() / 1024;
    // Its text as loaded, and the key.
    QTextDocument whole;
    QByteArray original;
    fw::FolderItem(rtfPath).ReadAll(&original);
    fw::DecodeStyledRtf(original, whole, nullptr);
    const int expected = whole.characterCount() + 1;
    std::printf(" open=%.1f keystroke_while_loading=%.1f worst_wait=%.1f quit_waited=%.1f quit_took=%.1f saved_whole=%d",
                shown, key, worst, q.waited, q.took, SavedWhole(bigPath, expected) ? 1 : 0);
    std::printf(" peak_mb=%ld\n", peak);
    std::fflush(stdout);
    std::_Exit(0);
  }
  const double idle = RunUntilIdle(kChildTimeoutMs) - t0;
  const double worst = probe.Stop();
  std::printf(" open=%.1f idle=%.1f worst_wait=%.1f", shown, idle, worst);
  std::fflush(stdout);

  // Leave it unchanged, and come back.
  const Stamp before = StampOf(bigPath);
  t0 = NowMs();
  Module1::ThisSection = QStringLiteral("Big");
  Module1::saveSectionText();
  const double leave = NowMs() - t0;
  std::printf(" leave_unchanged=%.1f wrote=%d", leave, StampOf(bigPath) == before ? 0 : 1);
  std::fflush(stdout);

  if (c->keystroke) {
    ef.SetFocus();
    ef.SetSelStart(ef.Document()->characterCount() / 2);
    te->setFocus();
    RunUntilIdle(5000);
    std::vector<double> keys;
    for (int i = 0; i < 9; ++i) keys.push_back(Keystroke(te, watch, u'x'));
    std::printf(" keystroke=%.2f keystroke_max=%.2f", bench::Median(keys), *std::max_element(keys.begin(), keys.end()));
    RunUntilIdle(kChildTimeoutMs);
  }
  const int expected = ef.Document()->characterCount();
  const long peak = bench::PeakRssKb() / 1024;

  // Quit with it shown (changed when typed into).
  const QuitTimes q = QuitAfter(0);
  std::printf(" quit=%.1f saved_whole=%d peak_mb=%ld\n", q.waited + q.took, SavedWhole(bigPath, expected) ? 1 : 0, peak);
  std::fflush(stdout);
  std::_Exit(0);
}

// ---- the parent: prepares the files, starts X, runs each case on each platform ----

QString RunChild(const QString& self, const QString& platform, const QString& display, const Case& c,
                 const QString& rtfPath) {
  QTemporaryDir data, runtime;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  child.setProcessEnvironment(env);
  child.start(self, {QStringLiteral("--child"), QString::fromLatin1(c.name), data.path(), rtfPath});
  const bool ended = child.waitForFinished(kChildTimeoutMs + 20000);
  if (!ended) {
    child.kill();
    child.waitForFinished(5000);
  }
  QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
  if (!ended) out += QStringLiteral(" FROZE(killed after %1 s)").arg((kChildTimeoutMs + 20000) / 1000);
  else if (child.exitCode() != 0) out += QStringLiteral(" FAILED(status %1)").arg(child.exitCode());
  return out;
}

int Parent(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString self = QCoreApplication::applicationFilePath();
  const QStringList only = qEnvironmentVariable("BENCH_CASES").split(u',', Qt::SkipEmptyParts);
  const QStringList platforms =
      qEnvironmentVariableIsSet("BENCH_PLATFORMS") ? qEnvironmentVariable("BENCH_PLATFORMS").split(u',')
                                                   : QStringList{QStringLiteral("xcb"), QStringLiteral("offscreen")};
  QTemporaryDir files;
  QProcess xvfb;
  const QString display = QStringLiteral(":%1").arg(90 + QCoreApplication::applicationPid() % 100);
  if (platforms.contains(QStringLiteral("xcb"))) {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (exe.isEmpty()) {
      std::printf("Xvfb is not installed: offscreen only\n");
    } else {
      xvfb.start(exe, {display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
      xvfb.waitForStarted();
      QThread::msleep(1500);
    }
  }
  for (const Case& c : Cases()) {
    if (!only.isEmpty() && !only.contains(QLatin1String(c.name))) continue;
    const QString path = files.filePath(QString::fromLatin1(c.name) + QStringLiteral(".rtf"));
    {
      QFile f(path);
      const QByteArray rtf = c.make();
      if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size()) return 1;
    }
    for (const QString& platform : platforms) {
      if (platform == QStringLiteral("xcb") && xvfb.state() != QProcess::Running) continue;
      const QString line = RunChild(self, platform, platform == QStringLiteral("xcb") ? display : QString(), c, path);
      std::printf("%-9s %s\n", qPrintable(platform), qPrintable(line));
      std::fflush(stdout);
    }
    QFile::remove(path);
  }
  if (xvfb.state() == QProcess::Running) {
    xvfb.terminate();
    xvfb.waitForFinished(5000);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
