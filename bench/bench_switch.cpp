// Speed of the section switch: saving the shown Section and loading the next one, as a user's
// click on another row does, for Sections of 20 KB, 1 MB and 10 MB of styled text (a style change
// every 20 characters, a paragraph break about every 400). Prints medians in milliseconds and the
// peak resident set size after each size.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/startup.h"
#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/files.h"
#include "platform/listbox.h"
#include "platform/scripteduiservice.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

void Fill(QTextDocument& doc, qsizetype characters, int seed) {
  const QString words = QStringLiteral(
      "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
      "ut labore et dolore magna aliqua. Café naïve déjà vu, 日本語の文章, emoji 😀 and a\ttab. ");
  const char* families[] = {"DejaVu Sans", "DejaVu Serif", "Liberation Sans"};
  std::vector<QTextCharFormat> formats;
  for (int i = 0; i < 12; ++i) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(families[(i + seed) % 3])});
    f.setFontPointSize(10 + 2 * (i % 4));
    f.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
    f.setFontItalic(i % 3 == 1);
    f.setForeground(QColor::fromRgb(0x102030 * (i % 5)));
    formats.push_back(f);
  }
  doc.setUndoRedoEnabled(false);
  QTextCursor c(&doc);
  c.beginEditBlock();
  qsizetype written = 0, at = 0, sinceBreak = 0;
  size_t style = 0;
  while (written < characters) {
    if (at + 20 > words.size()) at = 0;
    c.insertText(words.mid(at, 20), formats[style++ % formats.size()]);
    at += 20;
    written += 20;
    sinceBreak += 20;
    if (sinceBreak >= 400) {
      c.insertBlock();
      sinceBreak = 0;
    }
  }
  c.endEditBlock();
}

long PeakKb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

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
      Fill(*ef.Document(), size.chars, k);
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
    std::printf("  %-6s %9.1f ms   (min %.1f, max %.1f)   peak RSS so far %ld MB\n", size.label, Median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                PeakKb() / 1024);
  }
  fw::SpecialFolder::SetPreferencesForTesting(QString());
  ReleaseModuleState();
  return 0;
}
