// What a user waits for with a big Section shown, measured on the program itself: opening it by a
// click on its row (save of the shown Section, the program's load path, then the editor's work
// until the event loop is idle), a keystroke in its middle until the editor has painted it,
// leaving it unchanged, quitting with it shown after that keystroke (and whether the file then
// holds the whole text), the longest the event loop went unanswered, and the peak memory of the
// process. The styled cases also quit with the Section shown unchanged, in a process of its own.
// The biggest Sections are not waited for: a key is typed a second after they show and Ctrl+Q
// comes ten seconds after they show, while the editor may still be at work.
//
// Four more kinds of case: the load rate of a long plain Section (until its whole text is in the
// editor, in wall time and CPU, and as MB a second); New (with the dialog's OK) and Delete
// (answered Yes) beside a big styled Section shown until idle; and an edit a second after a
// 200 MB Section shows, followed at once by Ctrl+Q, which has to take in and save all of it.
//
// Each case runs in a fresh process (`bench_bigsection --child <case> <data dir> <file> <mode>`),
// so that peak memory is the case's own. The cases run on X (an Xvfb started here, the xcb
// platform) when Xvfb is installed, and offscreen. BENCH_CASES=name,name limits the cases;
// BENCH_PLATFORMS=xcb or offscreen limits the platforms.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "benchsupport.h"
#include "app/startup.h"
#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/system/files.h"
#include "platform/system/folderitem.h"
#include "platform/controls/listbox.h"
#include "preferencesfolder.h"
#include "scripteduiservice.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

using bench::NowMs;
using bench::PlainRtf;
using bench::RunUntilIdle;

constexpr int kChildTimeoutMs = 240000;

// ---- the Section files of each case, written as RTF the program reads ----

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

QByteArray LongWordInProse() {
  QByteArray rtf = PlainRtf(100'000, 400, true);
  rtf.chop(1);
  rtf += "\\par ";
  for (int i = 0; i < 200'000 / 64; ++i) rtf += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2";
  rtf += "\\par lorem ipsum}";
  return rtf;
}

// A control word that never ends (a damaged or hostile file): the prose before it, then a backslash
// and letters to the end.
QByteArray EndlessControlWord(qsizetype letters) {
  QByteArray rtf = PlainRtf(2000, 400, true);
  rtf.chop(1);
  rtf += "\\par \\";
  rtf += QByteArray(letters, 'x');
  rtf += " tail}";
  return rtf;
}

// What a case does with the big Section once it is there.
enum class Kind {
  kOpen,        // open it, type into it, leave it, quit (the flags below)
  kLoadRate,    // open it and time the load until its whole text is in
  kNew,         // New and OK beside it
  kDelete,      // Delete beside it, answered Yes
  kQuitEdited,  // a key a second after it shows, then Ctrl+Q at once
};

struct Case {
  const char* name;
  std::function<QByteArray()> make;
  bool keystroke;   // type into it once idle
  bool quitEarly;   // quit while the editor is still at work
  bool quitUnchanged = false;  // also quit, in a process of its own, with it shown unchanged
  Kind kind = Kind::kOpen;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"styled-1MB", [] { return bench::StyledRtf(1'000'000); }, true, false, true},
      {"styled-10MB", [] { return bench::StyledRtf(10'000'000); }, true, false, true},
      {"plain-25MB", [] { return PlainRtf(25'000'000, 410, true); }, true, true},
      {"plain-50MB", [] { return PlainRtf(50'000'000, 410, true); }, false, true},
      {"plain-200MB", [] { return PlainRtf(200'000'000, 410, true); }, false, true},
      {"word-10MB", [] { return PlainRtf(10'000'000, 0, false); }, true, false},
      {"word-200KB", [] { return LongWordInProse(); }, true, false},
      {"paragraph-10MB", [] { return PlainRtf(10'000'000, 0, true); }, true, false},
      {"fonts-16000", [] { return FontsRtf(16000); }, true, false},
      {"fonts-40000", [] { return FontsRtf(40000); }, true, false},
      {"control-word-16MB", [] { return EndlessControlWord(16 << 20); }, false, false},
      {"control-word-64MB", [] { return EndlessControlWord(64 << 20); }, false, false},
      {"load-10MB", [] { return PlainRtf(10'000'000, 410, true); }, false, false, false, Kind::kLoadRate},
      {"load-100MB", [] { return PlainRtf(100'000'000, 410, true); }, false, false, false, Kind::kLoadRate},
      {"load-200MB", [] { return PlainRtf(200'000'000, 410, true); }, false, false, false, Kind::kLoadRate},
      {"new-beside-25MB", [] { return bench::StyledRtf(25'000'000); }, false, false, false, Kind::kNew},
      {"delete-beside-25MB", [] { return bench::StyledRtf(25'000'000); }, false, false, false, Kind::kDelete},
      {"quit-edited-200MB", [] { return PlainRtf(200'000'000, 410, true); }, false, false, false, Kind::kQuitEdited},
  };
  return cases;
}

// ---- the child: one case on the program ----

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

// A key typed near the start, `delayMs` from now, until painted; *ms is how long it took.
void TypeNearTheStartAfter(int delayMs, QTextEdit* te, PaintWatch& watch, double* ms) {
  QTimer::singleShot(delayMs, [=, &watch] {
    QTextCursor at(te->document());
    at.setPosition(5);
    te->setTextCursor(at);
    *ms = Keystroke(te, watch, u'x');
  });
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

// The Section shown, its text still coming in, until all of it is in: wall time and the CPU the
// event loop spent meanwhile.
struct LoadTimes {
  double wall = 0, cpu = 0;
  bool whole = false;
};
LoadTimes LoadWhole(fw::EditField& ef, double limitMs) {
  LoadTimes t;
  const double start = NowMs(), cpu = bench::ThreadCpuMs();
  while (ef.ContentPending() && NowMs() - start < limitMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  t.wall = NowMs() - start;
  t.cpu = bench::ThreadCpuMs() - cpu;
  t.whole = !ef.ContentPending();
  return t;
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
  const bool unchanged = qstrcmp(argv[5], "unchanged") == 0;
  const Case* c = nullptr;
  for (const Case& k : Cases())
    if (caseName == QLatin1String(k.name)) c = &k;
  if (!c) return 2;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  const PreferencesFolder preferences(dataDir);
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

  bench::LoopProbe probe;
  if (unchanged) {
    // Shown until idle, then the menu's Quit: what closing costs when there is nothing to save.
    lb.SetListIndex(1);
    RunUntilIdle(kChildTimeoutMs);
    const Stamp before = StampOf(bigPath);
    const long peak = bench::PeakRssKb() / 1024;
    const QuitTimes q = QuitAfter(0);
    std::printf(" quit_unchanged=%.1f quit_unchanged_wrote=%d unchanged_peak_mb=%ld\n", q.waited + q.took,
                StampOf(bigPath) == before ? 0 : 1, peak);
    std::fflush(stdout);
    std::_Exit(0);
  }
  std::printf("case=%s", c->name);
  const double megabytes = QFileInfo(bigPath).size() / 1e6;
  if (c->kind == Kind::kLoadRate) {
    // The click shows the start; the rest comes in from the event loop, a step at a time.
    const double t = NowMs(), cpu = bench::ThreadCpuMs();
    lb.SetListIndex(1);
    const double shown = NowMs() - t;
    probe.Watch();
    const LoadTimes load = LoadWhole(ef, kChildTimeoutMs);
    const double worst = probe.Stop();
    const double all = load.wall + shown;
    std::printf(" open=%.1f loaded=%.1f loaded_cpu=%.1f mb_per_s=%.1f worst_wait=%.1f whole=%d", shown, all,
                bench::ThreadCpuMs() - cpu, megabytes / (all / 1000), worst, load.whole ? 1 : 0);
    std::fflush(stdout);
    const double idle = RunUntilIdle(kChildTimeoutMs) - t;
    std::printf(" idle=%.1f peak_mb=%ld\n", idle, bench::PeakRssKb() / 1024);
    std::fflush(stdout);
    std::_Exit(0);
  }
  if (c->kind == Kind::kNew || c->kind == Kind::kDelete) {
    // Shown whole and laid out first: what New or Delete then costs beside it.
    lb.SetListIndex(1);
    LoadWhole(ef, kChildTimeoutMs);
    RunUntilIdle(kChildTimeoutMs);
    auto& ui = static_cast<fw::ScriptedUiService&>(fw::UiService::Current());
    ui.Clear();
    probe.Watch();
    const double t = NowMs();
    bool ok = false;
    if (c->kind == Kind::kNew) {
      w->NewJournal_Action();
      getNewSection* dialog = getNewSection::getNewSection_();
      dialog->Control<fw::EditField>(QStringLiteral("SectionName")).SetText(QStringLiteral("Fresh"));
      dialog->OK_Action();
      ok = Module1::MySection == QLatin1String("Fresh");
    } else {
      ui.SetNextAnswer(fw::kAnswerYes);
      w->DeleteJournal_Action();
      ok = lb.ListCount() == 1;
    }
    const double call = NowMs() - t;
    const double idle = RunUntilIdle(kChildTimeoutMs) - t;
    const double worst = probe.Stop();
    ok = ok && ef.Document()->characterCount() == 1 && ui.Messages().size() == (c->kind == Kind::kDelete ? 1 : 0);
    std::printf(" %s=%.1f idle=%.1f worst_wait=%.1f ok=%d peak_mb=%ld\n", c->kind == Kind::kNew ? "new" : "delete", call,
                idle, worst, ok ? 1 : 0, bench::PeakRssKb() / 1024);
    std::fflush(stdout);
    std::_Exit(0);
  }
  if (c->kind == Kind::kQuitEdited) {
    // A key near the start a second after it shows, and Ctrl+Q at once after it: the quit takes
    // in the rest of the text and saves all of it.
    lb.SetListIndex(1);
    double key = -1;
    TypeNearTheStartAfter(1000, te, watch, &key);
    const double start = NowMs();
    while (key < 0 && NowMs() - start < kChildTimeoutMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const bool pending = ef.ContentPending();
    const double cpu = bench::ThreadCpuMs();
    const QuitTimes q = QuitAfter(0);
    const double quitCpu = bench::ThreadCpuMs() - cpu;
    const long peak = bench::PeakRssKb() / 1024;
    QTextDocument whole;
    QByteArray original;
    fw::FolderItem(rtfPath).ReadAll(&original);
    fw::DecodeStyledRtf(original, whole, nullptr);
    std::printf(" keystroke=%.1f still_loading=%d quit_took=%.1f quit_cpu=%.1f mb_per_s=%.1f saved_whole=%d peak_mb=%ld\n",
                key, pending ? 1 : 0, q.took, quitCpu, megabytes / (q.took / 1000),
                SavedWhole(bigPath, whole.characterCount() + 1) ? 1 : 0, peak);
    std::fflush(stdout);
    std::_Exit(0);
  }
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
    TypeNearTheStartAfter(1000, te, watch, &key);
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

// ---- the parent: prepares the files, runs each case on each platform ----

int Parent(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bench::Platforms platforms;
  QTemporaryDir files;
  for (const Case& c : Cases()) {
    if (!bench::Wanted(c.name)) continue;
    const QString path = files.filePath(QString::fromLatin1(c.name) + QStringLiteral(".rtf"));
    {
      QFile f(path);
      const QByteArray rtf = c.make();
      if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size()) return 1;
    }
    for (const QString& platform : platforms.List()) {
      // A fresh data folder for each process: the first one's quit has written into its own.
      const auto run = [&](const char* mode) {
        QTemporaryDir data;
        return bench::RunChild(platforms, platform,
                               {QString::fromLatin1(c.name), data.path(), path, QString::fromLatin1(mode)},
                               kChildTimeoutMs + 20000);
      };
      QString line = run("typed");
      if (c.quitUnchanged) line += u' ' + run("unchanged");
      bench::PrintRow(platform, line);
    }
    QFile::remove(path);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && qstrcmp(argv[1], "--child") == 0) return Child(argc, argv);
  return Parent(argc, argv);
}
