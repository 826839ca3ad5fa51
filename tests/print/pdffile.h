#pragma once
// A printed PDF read back with poppler's tools: the page count and size (pdfinfo), each page's
// text (pdftotext -layout), every word with its box in points from the page's top left
// (pdftotext -bbox), and the fonts used (pdffonts).

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>

struct PdfWord {
  int page = 0;  // from 1
  QString text;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

class PdfFile {
 public:
  explicit PdfFile(QString path) : path_(std::move(path)) {}

  static QString Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
  }

  QString Info() const { return Run(QStringLiteral("pdfinfo"), {path_}); }
  int Pages() const {
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Info());
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  }
  QSizeF PageSize() const {
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(Info());
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
  }
  // One string per page, the lines as laid out.
  QStringList PageTexts() const {
    QStringList pages = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path_, QStringLiteral("-")})
                            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
  }
  QList<PdfWord> Words() const {
    const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path_, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    int page = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
      const auto m = it.next();
      if (m.captured(0) == QLatin1String("<page ")) {
        ++page;
        continue;
      }
      words.append({page, Unescape(m.captured(5)), m.captured(1).toDouble(), m.captured(2).toDouble(),
                    m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
  }
  QList<PdfWord> WordsOnPage(int page) const {
    QList<PdfWord> out;
    for (const PdfWord& w : Words())
      if (w.page == page) out.append(w);
    return out;
  }
  QString Fonts() const { return Run(QStringLiteral("pdffonts"), {path_}); }

 private:
  static QString Unescape(QString s) {
    return s.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
  }
  QString path_;
};
