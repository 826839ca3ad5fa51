// Helpers the benchmark programs share: the median of repeated runs, the peak resident set size,
// sample Section text and files, the wait for an idle event loop, and the child processes run on
// an X server of their own or offscreen. Header-only, so that bench/CMakeLists.txt keeps building
// one program per bench_*.cpp.

#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/rtf/styledtextrtf.h"

namespace bench {

// The middle figure, so one run disturbed by the rest of the machine does not move the result.
inline double Median(std::vector<double> figures) {
  if (figures.empty()) return 0;
  std::sort(figures.begin(), figures.end());
  return figures[figures.size() / 2];
}

template <typename F>
double Median(int runs, F&& once) {
  std::vector<double> figures;
  for (int i = 0; i < runs; ++i) figures.push_back(once());
  return Median(std::move(figures));
}

// VmHWM from /proc/self/status, in kB; -1 where there is no such file.
inline long PeakRssKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  }
  return -1;
}

struct FillOptions {
  int paragraphLength = 400;  // a paragraph break about every this many characters
  int formats = 24;           // distinct character formats, cycled with a change every 20 characters
  bool mixedFonts = true;     // three font families; otherwise every run keeps the default font
  int seed = 0;               // shifts the family and colour cycles, so two Sections differ
  bool cjk = true;            // CJK in the prose; it costs the editor's layout a fallback font
  QString marker;             // when not empty, stands once, markerFromEnd characters before the end
  qsizetype markerFromEnd = 2000;
};

inline std::vector<QTextCharFormat> SampleFormats(const FillOptions& options) {
  const char* families[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"};
  const int sizes[] = {11, 12, 14, 18};
  const QRgb colors[] = {0x000000, 0xc0392b, 0x2471a3, 0x1e8449, 0x7d3c98};
  std::vector<QTextCharFormat> formats;
  for (int i = 0; i < std::max(options.formats, 1); ++i) {
    QTextCharFormat f;
    if (options.mixedFonts) f.setFontFamilies({QString::fromLatin1(families[(i + options.seed) % 3])});
    f.setFontPointSize(sizes[i % 4]);
    f.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
    f.setFontItalic(i % 5 == 1);
    f.setFontUnderline(i % 7 == 3);
    const int color = (i + options.seed) % 5;
    if (color != 0) f.setForeground(QColor::fromRgb(colors[color]));
    formats.push_back(f);
  }
  return formats;
}

// Fills `doc` with about `characters` of text shaped like a real Section: mostly ASCII prose with
// accented, CJK (unless left out) and emoji text and a tab mixed in, in runs of 20 characters that
// each change the style.
inline void FillSampleSection(QTextDocument& doc, qsizetype characters, const FillOptions& options = {}) {
  QString words = QStringLiteral(
      "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
      "ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation "
      "ullamco laboris nisi ut aliquip ex ea commodo consequat. Café naïve déjà vu, ");
  if (options.cjk) words += QStringLiteral("日本語の文章, ");
  words += QStringLiteral("emoji 😀 and a\ttab. ");
  const std::vector<QTextCharFormat> formats = SampleFormats(options);
  doc.setUndoRedoEnabled(false);
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  qsizetype written = 0;
  qsizetype sinceBreak = 0;
  qsizetype at = 0;
  size_t style = 0;
  bool placed = options.marker.isEmpty();
  while (written < characters) {
    if (!placed && written >= characters - options.markerFromEnd) {
      cursor.insertText(options.marker, formats[0]);
      written += options.marker.size();
      placed = true;
    }
    if (at + 20 > words.size()) at = 0;
    cursor.insertText(words.mid(at, 20), formats[style++ % formats.size()]);
    at += 20;
    written += 20;
    sinceBreak += 20;
    if (sinceBreak >= options.paragraphLength) {
      cursor.insertBlock(QTextBlockFormat(), formats[style % formats.size()]);
      ++written;
      sinceBreak = 0;
    }
  }
  cursor.endEditBlock();
}

// ---- Section files as the program reads them ----

// A Section of one font and no styles: `bytes` of words, a paragraph break about every
// `paragraphLength` of them (none when 0); `spaces` false makes it one long word per paragraph.
inline QByteArray PlainRtf(qsizetype bytes, int paragraphLength, bool spaces) {
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

// A Section of `characters` filled by FillSampleSection with 12 formats, as the program saves it.
inline QByteArray StyledRtf(qsizetype characters) {
  QTextDocument doc;
  FillOptions fill;
  fill.formats = 12;
  FillSampleSection(doc, characters, fill);
  return fw::EncodeStyledRtf(doc);
}

// Writes `bytes` as `fileName` of the data folder under the preferences folder `configDir`, the
// way XDG_CONFIG_HOME=configDir makes the program look for it: "Sections.txt" (one name a line,
// "###" before a marked one), "Tavrin-<name>.txt" (a Section's text), "tavrin.txt" (preferences).
inline bool WriteDataFile(const QString& configDir, const QString& fileName, const QByteArray& bytes) {
  const QString folder = configDir + QStringLiteral("/Tavrin");
  QFile f(folder + u'/' + fileName);
  return QDir().mkpath(folder) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// ---- the event loop ----

// CLOCK_MONOTONIC is one clock for every process of the machine, so a parent's reading and its
// child's can be subtracted.
inline double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline double ThreadCpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

constexpr int kIdleGapMs = 300;  // the loop has slept this long: the program is idle
constexpr int kProbeMs = 20;     // how often LoopProbe asks the loop to answer
// Work is a spell in which the loop spent over kWorkMs of CPU within kWorkSpanMs. An idle program
// still wakes now and then (the caret's blink, a timer), for a millisecond or a few on a loaded
// machine; those wakes are not work.
constexpr int kWorkSpanMs = 100;
constexpr double kWorkMs = 8;

// Runs the loop until it has done no work for kIdleGapMs and `ready` holds; returns when the work
// ended, on NowMs's clock. `ready` covers work that comes after a quiet spell, such as a paint the
// X server asks for.
inline double RunUntilIdle(double limitMs, const std::function<bool()>& ready = {}) {
  const double start = NowMs();
  double lastBusy = start, wall = start, cpu = ThreadCpuMs();
  std::deque<std::pair<double, double>> recent;  // (end, CPU) of the samples of the last kWorkSpanMs
  double recentCpu = 0;
  QTimer wake;  // keeps the loop turning, so that the quiet time is seen
  wake.start(10);
  while ((NowMs() - lastBusy < kIdleGapMs || (ready && !ready())) && NowMs() - start < limitMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double now = NowMs(), nowCpu = ThreadCpuMs();
    if (now - wall < 10) continue;
    const double used = nowCpu - cpu;
    recent.emplace_back(now, used);
    recentCpu += used;
    while (recent.front().first < now - kWorkSpanMs) {
      recentCpu -= recent.front().second;
      recent.pop_front();
    }
    // The sample's end is when the work was last seen; a sample that merely holds a wake is not.
    if (used > 0.1 * (now - wall) && recentCpu > kWorkMs) lastBusy = now;
    wall = now;
    cpu = nowCpu;
  }
  return lastBusy;
}

// The longest the event loop kept a due timer waiting, while `Watch` is on: how long a user's
// input would have gone unanswered.
class LoopProbe : public QObject {
 public:
  LoopProbe() {
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

// ---- child processes, on X and offscreen ----

// The name's case is wanted: BENCH_CASES (name,name) lists it, or is not set.
inline bool Wanted(const char* name) {
  const QStringList only = qEnvironmentVariable("BENCH_CASES").split(u',', Qt::SkipEmptyParts);
  return only.isEmpty() || only.contains(QLatin1String(name));
}

// The platforms the children run on: BENCH_PLATFORMS (xcb,offscreen by default), xcb on an Xvfb of
// its own, which picks a free display, so that runs beside the end-to-end tests do not collide.
// Without Xvfb only offscreen runs.
class Platforms {
 public:
  Platforms() {
    const QStringList asked = qEnvironmentVariableIsSet("BENCH_PLATFORMS")
                                  ? qEnvironmentVariable("BENCH_PLATFORMS").split(u',', Qt::SkipEmptyParts)
                                  : QStringList{QStringLiteral("xcb"), QStringLiteral("offscreen")};
    for (const QString& p : asked) {
      if (p != QLatin1String("xcb")) {
        list_ << p;
      } else if (StartX()) {
        list_ << p;
      }
    }
  }
  ~Platforms() {
    if (xvfb_.state() == QProcess::NotRunning) return;
    xvfb_.terminate();
    if (!xvfb_.waitForFinished(5000)) {
      xvfb_.kill();
      xvfb_.waitForFinished(5000);
    }
  }
  const QStringList& List() const { return list_; }
  QString Display() const { return display_; }

 private:
  bool StartX() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (exe.isEmpty()) {
      std::printf("Xvfb is not installed: offscreen only\n");
      return false;
    }
    // Its log would fill a pipe that nobody reads while the children run.
    xvfb_.setStandardErrorFile(QProcess::nullDevice());
    // -displayfd 1: it writes the display's number once it accepts connections.
    xvfb_.start(exe, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QDeadlineTimer deadline(10000);
    QByteArray out;
    xvfb_.waitForStarted(5000);
    while (!out.contains('\n') && !deadline.hasExpired() && xvfb_.state() == QProcess::Running) {
      xvfb_.waitForReadyRead(100);
      out += xvfb_.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
      std::printf("Xvfb did not start: offscreen only\n");
      return false;
    }
    display_ = QStringLiteral(":%1").arg(number);
    return true;
  }

  QStringList list_;
  QProcess xvfb_;
  QString display_;
};

constexpr const char* kLaunchVar = "TAVRIN_BENCH_LAUNCH_MS";

// This program again as `--child args...` on `platform`, with `env` added; its standard output,
// with a note when it froze (killed after `timeoutMs`) or failed. The child finds the time it was
// launched in kLaunchVar, so that loading the program and its libraries can count.
inline QString RunChild(const Platforms& platforms, const QString& platform, const QStringList& args, int timeoutMs,
                        const QProcessEnvironment& env = {}) {
  QTemporaryDir runtime;
  QProcess child;
  QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
  all.remove(QStringLiteral("WAYLAND_DISPLAY"));
  all.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  if (platform == QLatin1String("xcb")) all.insert(QStringLiteral("DISPLAY"), platforms.Display());
  all.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  all.insert(env);
  all.insert(QString::fromLatin1(kLaunchVar), QString::number(NowMs(), 'f', 3));
  child.setProcessEnvironment(all);
  child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args);
  const bool ended = child.waitForFinished(timeoutMs);
  if (!ended) {
    child.kill();
    child.waitForFinished(5000);
  }
  QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
  if (!ended) out += QStringLiteral(" FROZE(killed after %1 s)").arg(timeoutMs / 1000);
  else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
    out += QStringLiteral(" FAILED(status %1) %2")
               .arg(child.exitCode())
               .arg(QString::fromLocal8Bit(child.readAllStandardError()).trimmed().right(400));
  return out;
}

// A row of the parent's table: the platform, then what its child printed. Flushed at once, so that a
// long run shows its figures as they come.
inline void PrintRow(const QString& platform, const QString& line) {
  std::printf("%-9s %s\n", qPrintable(platform), qPrintable(line));
  std::fflush(stdout);
}

// In a child: when the parent launched it, on NowMs's clock.
inline double LaunchedMs() { return qEnvironmentVariable(kLaunchVar).toDouble(); }

// One `key=value` of a child's line; `fallback` when it is missing.
inline double Field(const QString& line, const QString& key, double fallback = -1) {
  for (const QString& part : line.split(u' ', Qt::SkipEmptyParts))
    if (part.startsWith(key + u'=')) return part.mid(key.size() + 1).toDouble();
  return fallback;
}

}  // namespace bench
