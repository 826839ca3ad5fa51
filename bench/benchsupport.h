// Helpers the benchmark programs share: the median of repeated runs, the peak resident set size,
// and sample Section text. Header-only, so that bench/CMakeLists.txt keeps building one program
// per bench_*.cpp.

#pragma once

#include <QColor>
#include <QFile>
#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

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

}  // namespace bench
