// Page Setup and the three print commands, printed to PDF and read back with poppler's tools.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QTemporaryDir>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

#include "app/app.h"
#include "fixedclock.h"
#include "info/help.h"
#include "journalfixture.h"
#include "pdffile.h"
#include "platform/system/date.h"
#include "platform/controls/editfield.h"
#include "platform/controls/listbox.h"
#include "platform/printing/printersetup.h"
#include "platform/controls/window.h"
#include "print/printing.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

namespace {

const QDateTime kStart(QDate(2026, 3, 4), QTime(9, 5));

QString Lines(int from, int to) {
  QStringList lines;
  for (int i = from; i <= to; ++i) lines << QStringLiteral("Line %1 of the journal").arg(i, 3, 10, QChar(u'0'));
  return lines.join(u'\n');
}

// The body lines ("Line NNN ...") of a page's text, in order.
QStringList BodyLines(const QString& page) {
  QStringList out;
  for (const QString& l : page.split(u'\n'))
    if (l.trimmed().startsWith(QLatin1String("Line "))) out << l.trimmed();
  return out;
}

QString FirstLine(const QString& page) {
  for (const QString& l : page.split(u'\n'))
    if (!l.trimmed().isEmpty()) return l.trimmed();
  return QString();
}

// The page's last non-empty line: the two footers, with the layout's spaces between them.
QString FooterLine(const QString& page) {
  const QStringList lines = page.split(u'\n');
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (!it->trimmed().isEmpty()) return it->simplified();
  return QString();
}

const PdfWord* Find(const QList<PdfWord>& words, const QString& text) {
  for (const PdfWord& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

class PrintTest : public JournalTest {
 protected:
  Window1* w = nullptr;
  QTemporaryDir pdfs;
  int printed = 0;
  std::optional<FixedClock> clock_;

  void SetUp() override {
    JournalTest::SetUp();
    ASSERT_TRUE(pdfs.isValid());
    clock_.emplace(kStart);
    w = StartProgram();
    ASSERT_NE(w, nullptr);
  }
  void TearDown() override {
    clock_.reset();
    CloseProgram();
    JournalTest::TearDown();
  }

  void ShowSection(const QString& name, const QString& text) {
    w->LB1().AddRow(name);
    w->LB1().SetListIndex(w->LB1().ListCount() - 1);
    w->EF1().SetText(text);
  }
  // The next print dialog answered with a new PDF file, whose path is returned.
  QString AnswerPrint(int resolution = 1200) {
    const QString path = pdfs.filePath(QStringLiteral("job%1.pdf").arg(++printed));
    ui().SetNextPrint(path, resolution);
    return path;
  }
  PdfFile Print(bool (App::*command)(), int resolution = 1200) {
    const QString path = AnswerPrint(resolution);
    (App_()->*command)();
    EXPECT_TRUE(QFile::exists(path)) << "nothing printed; messages: " << ui().Messages().join(" | ").toStdString();
    return PdfFile(path);
  }
  static QString DateText() {
    const fw::Date d;
    return d.ShortTime() + QStringLiteral(", ") + d.ShortDate();
  }
  // The margins of the format a print without a page setup uses.
  static QMarginsF DefaultMargins() { return fw::PrinterSetup().PageLayout().margins(QPageLayout::Point); }
  void ConfirmPageSetup(const QPageLayout& layout) {
    ui().SetNextPageSetup(true, layout);
    App_()->FilePageSetup_Action();
  }
};

QPageLayout Layout(QPageSize::PageSizeId size, double margin) {
  return QPageLayout(QPageSize(size), QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin), QPageLayout::Point);
}

// Every page carries its header, whole lines of the text in order, "Page k" and the one date text.
TEST_F(PrintTest, PagesCarryHeadersWholeLinesAndFooters) {
  struct Case {
    const char* what;
    int lines;
    int pages;
  } cases[] = {{"a text of one block", 10, 1}, {"a text of three blocks", 120, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShowSection(QStringLiteral("Diary %1").arg(c.lines), Lines(1, c.lines));
    const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
    const QStringList pages = pdf.PageTexts();
    ASSERT_EQ(pdf.Pages(), c.pages);
    ASSERT_EQ(pages.size(), c.pages);
    QStringList all;
    for (int k = 1; k <= c.pages; ++k) {
      const QString& page = pages[k - 1];
      const QString name = QStringLiteral("Diary %1").arg(c.lines);
      EXPECT_EQ(FirstLine(page), k == 1 ? name : name + QStringLiteral(" (continued)")) << "page " << k;
      EXPECT_EQ(FooterLine(page), QStringLiteral("Page %1 %2").arg(k).arg(DateText())) << "page " << k;
      all << BodyLines(page);
    }
    EXPECT_EQ(all.join(u'\n'), Lines(1, c.lines)) << "every line once, whole, in order";
  }
}

// A block holds as many whole lines as fit in 672 points (600 after a confirmed Page Setup).
TEST_F(PrintTest, BlocksFillTheirHeightWithWholeLines) {
  ShowSection(QStringLiteral("Long"), Lines(1, 200));
  struct Case {
    const char* what;
    bool pageSetup;
    double blockHeight;
  } cases[] = {{"without a page setup", false, 672}, {"after a confirmed page setup", true, 600}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QMarginsF margins = DefaultMargins();
    if (c.pageSetup) {
      ConfirmPageSetup(Layout(QPageSize::A4, 30));
      margins = QMarginsF(30, 30, 30, 30);
    }
    const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
    const QList<PdfWord> words = pdf.WordsOnPage(1);
    QList<double> tops;  // the top of each body line on page 1
    for (const PdfWord& word : words)
      if (word.text == QLatin1String("Line")) tops << word.yMin;
    ASSERT_GE(tops.size(), 3);
    const double pitch = tops[1] - tops[0];
    const double blockTop = margins.top() + 36, blockBottom = blockTop + c.blockHeight;
    EXPECT_NEAR(tops[0], blockTop, 1.0) << "the block starts 36 points down the printable area";
    EXPECT_LE(tops.last() + pitch, blockBottom + 0.5) << "the last line fits";
    EXPECT_GT(tops.last() + 2 * pitch, blockBottom) << "one more line would not";
    // Page 2 goes on with the line after page 1's last.
    const QStringList pages = pdf.PageTexts();
    ASSERT_GE(pages.size(), 2);
    EXPECT_EQ(BodyLines(pages[1]).value(0), Lines(tops.size() + 1, tops.size() + 1));
  }
}

// Strings stand at the template's points of the printable area, whatever the printer's resolution,
// and the 10-point Courier header and footers print 10 points high.
TEST_F(PrintTest, PositionsAndSizesAreInPointsAtAnyResolution) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 3));
  const QMarginsF m = DefaultMargins();
  for (int resolution : {600, 1200}) {
    SCOPED_TRACE(resolution);
    const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action, resolution);
    const QList<PdfWord> words = pdf.WordsOnPage(1);
    const PdfWord* header = Find(words, QStringLiteral("Diary"));
    const PdfWord* page = Find(words, QStringLiteral("Page"));
    const PdfWord* body = Find(words, QStringLiteral("Line"));
    ASSERT_TRUE(header && page && body);
    const PdfWord* date = nullptr;
    for (const PdfWord& word : words)
      if (DateText().startsWith(word.text) && word.yMin > page->yMin - 1) {
        date = &word;
        break;
      }
    ASSERT_TRUE(date) << DateText().toStdString();
    EXPECT_NEAR(header->xMin, m.left() + 36, 0.5);
    EXPECT_LT(header->yMin, m.top() + 20) << "the header's baseline at y 20";
    EXPECT_GT(header->yMax, m.top() + 20);
    EXPECT_LT(header->yMax, body->yMin + 0.5) << "above the text block";
    EXPECT_NEAR(page->xMin, m.left() + 40, 0.5);
    EXPECT_NEAR(date->xMin, m.left() + 430, 0.5);
    for (const PdfWord* footer : {page, date}) {
      EXPECT_LT(footer->yMin, m.top() + 720);
      EXPECT_GT(footer->yMax, m.top() + 720);
    }
    // Courier's letters are 0.6 of the size apart: "Diary" in 10 points is 30 points wide.
    EXPECT_NEAR(header->xMax - header->xMin, 30.0, 0.3);
    EXPECT_NEAR(page->xMax - page->xMin, 24.0, 0.3);
  }
}

TEST_F(PrintTest, HeadersAreCourierBoldOnlyWithoutAPageSetup) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 3));
  const QString plainFonts = Print(&App::FilePrintSelectedSection_Action).Fonts();
  EXPECT_TRUE(plainFonts.contains(QLatin1String("Mono")) && plainFonts.contains(QLatin1String("Bold"))) << plainFonts.toStdString();

  ConfirmPageSetup(Layout(QPageSize::A4, 30));
  const QString setupFonts = Print(&App::FilePrintSelectedSection_Action).Fonts();
  EXPECT_FALSE(setupFonts.contains(QLatin1String("Mono"))) << "the surface's own text settings: " << setupFonts.toStdString();
  EXPECT_FALSE(setupFonts.contains(QLatin1String("Bold"))) << setupFonts.toStdString();
}

TEST_F(PrintTest, AnEmptyTextPrintsOnePageWithHeaderAndFooters) {
  ShowSection(QStringLiteral("Empty"), QString());
  const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
  ASSERT_EQ(pdf.Pages(), 1);
  const QStringList pages = pdf.PageTexts();
  ASSERT_EQ(pages.size(), 1);
  EXPECT_EQ(FirstLine(pages[0]), QStringLiteral("Empty"));
  EXPECT_EQ(FooterLine(pages[0]), QStringLiteral("Page 1 ") + DateText());
  EXPECT_EQ(pages[0].simplified(), QStringLiteral("Empty Page 1 ") + DateText()) << "no block";
}

// A line taller than the whole block still prints, one a page, and the job ends.
TEST_F(PrintTest, ALineTallerThanTheBlockStillMovesOn) {
  ShowSection(QStringLiteral("Huge"), QStringLiteral("A\nB\nC"));
  fw::EditField& ef = w->EF1();
  ef.SetSelStart(0);
  ef.SetSelLength(5);
  ef.SetSelTextSize(700);
  const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
  EXPECT_EQ(pdf.Pages(), 3);
}

// A word far longer than a line (a pasted base64 line) is broken anywhere, as the editor shows it:
// breaking it at word boundaries took Qt seven times as long at a million characters, and more the
// longer the word. Every character is printed, in order.
TEST_F(PrintTest, AWordOfAMillionCharactersIsPrintedWholeAcrossPages) {
  const QString unit = QStringLiteral("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9w");
  QString word;
  while (word.size() < 1'000'000) word += unit;
  word.truncate(1'000'000);
  ShowSection(QStringLiteral("Pasted"), word);
  const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
  const QStringList pages = pdf.PageTexts();
  ASSERT_GT(pages.size(), 1);
  ASSERT_EQ(pdf.Pages(), pages.size());
  QString printed;
  for (const QString& page : pages) {
    QStringList lines;
    for (const QString& l : page.split(u'\n'))
      if (!l.trimmed().isEmpty()) lines << l.trimmed();
    ASSERT_GE(lines.size(), 3);
    // Between the header and the footers.
    for (int k = 1; k + 1 < lines.size(); ++k) printed += lines[k];
  }
  EXPECT_EQ(printed.size(), word.size());
  EXPECT_TRUE(printed == word) << "every character once, in order";
}

TEST_F(PrintTest, SelectedTextPrintsOnlyTheSelectionUnstyled) {
  ShowSection(QStringLiteral("Styled"), QStringLiteral("before CHOSEN words here after"));
  fw::EditField& ef = w->EF1();
  ef.SetSelStart(7);
  ef.SetSelLength(17);
  ef.SetSelTextFont(QStringLiteral("DejaVu Serif"));
  ef.SetSelTextSize(24);
  ef.SetSelBold(true);
  ef.SetSelItalic(true);
  ef.SetSelTextColor(fw::RGB(200, 0, 0));
  ASSERT_EQ(ef.SelText(), QStringLiteral("CHOSEN words here"));
  const PdfFile pdf = Print(&App::FilePrintSelectedText_Action);
  const QStringList pages = pdf.PageTexts();
  ASSERT_EQ(pages.size(), 1);
  EXPECT_EQ(pages[0].simplified(), QStringLiteral("Styled CHOSEN words here Page 1 ") + DateText());
  EXPECT_FALSE(pdf.Fonts().contains(QLatin1String("Serif"))) << "the copy prints in the buffer's own style";
  EXPECT_EQ(w->EditFieldNamed(QStringLiteral("EF2")).Text(), QStringLiteral("CHOSEN words here"));

  // Printing the whole Section keeps each character's style.
  const PdfFile whole = Print(&App::FilePrintSelectedSection_Action);
  EXPECT_TRUE(whole.Fonts().contains(QLatin1String("DejaVuSerif-BoldItalic"))) << whole.Fonts().toStdString();
  const QList<PdfWord> words = whole.WordsOnPage(1);
  const PdfWord* big = Find(words, QStringLiteral("CHOSEN"));
  const PdfWord* small = Find(words, QStringLiteral("before"));
  ASSERT_TRUE(big && small);
  EXPECT_GT(big->yMax - big->yMin, 1.5 * (small->yMax - small->yMin)) << "the 24-point run prints larger";
}

// Each character prints in its own colour, underline, italic and bold (read back from the fonts and
// from the page rendered at 144 dpi).
TEST_F(PrintTest, EveryCharacterKeepsItsColourUnderlineItalicAndBold) {
  ShowSection(QStringLiteral("Styled"), QStringLiteral("mum red under slanted heavy mum"));
  fw::EditField& ef = w->EF1();
  auto style = [&ef](int start, int length, const std::function<void()>& apply) {
    ef.SetSelStart(start);
    ef.SetSelLength(length);
    apply();
  };
  style(4, 3, [&] { ef.SetSelTextColor(fw::RGB(220, 0, 0)); });
  style(8, 5, [&] { ef.SetSelUnderline(true); });
  style(14, 7, [&] { ef.SetSelItalic(true); });
  style(22, 5, [&] { ef.SetSelBold(true); });
  ef.SetSelLength(0);
  const QString path = AnswerPrint();
  App_()->FilePrintSelectedSection_Action();
  const PdfFile pdf(path);
  const QString fonts = pdf.Fonts();
  EXPECT_TRUE(fonts.contains(QLatin1String("Italic")) || fonts.contains(QLatin1String("Oblique"))) << fonts.toStdString();
  EXPECT_TRUE(fonts.contains(QLatin1String("Sans-Bold")) || fonts.contains(QLatin1String("Sans Bold")))
      << fonts.toStdString();

  const QString png = pdfs.filePath(QStringLiteral("page"));
  PdfFile::Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-f"),
                                            QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                            QStringLiteral("-png"), QStringLiteral("-singlefile"), path, png});
  const QImage page(png + QStringLiteral(".png"));
  ASSERT_FALSE(page.isNull());
  const QList<PdfWord> words = pdf.WordsOnPage(1);
  auto box = [&](const QString& word) {
    const PdfWord* w = Find(words, word);
    return w ? QRect(QPoint(int(w->xMin * 2), int(w->yMin * 2)), QPoint(int(w->xMax * 2), int(w->yMax * 2) + 2)) : QRect();
  };
  auto redPixels = [&](const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor c = page.pixelColor(x, y);
        n += c.red() > 150 && c.green() < 90 && c.blue() < 90;
      }
    return n;
  };
  // A row of dark pixels across nine tenths of the word: an underline.
  auto underlined = [&](const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      int dark = 0;
      for (int x = r.left(); x <= r.right(); ++x) dark += qGray(page.pixel(x, y)) < 128;
      if (dark >= r.width() * 9 / 10) return true;
    }
    return false;
  };
  EXPECT_GT(redPixels(box(QStringLiteral("red"))), 20);
  EXPECT_EQ(redPixels(box(QStringLiteral("under"))), 0);
  EXPECT_TRUE(underlined(box(QStringLiteral("under"))));
  EXPECT_FALSE(underlined(box(QStringLiteral("heavy"))));
}

// A Section shown without a name (typed into the editor right after start) prints under an empty
// header, and the later pages read " (continued)".
TEST_F(PrintTest, SelectedTextWithNoSectionShownHasEmptyHeaders) {
  ASSERT_TRUE(Module1::MySection.isEmpty());
  fw::EditField& ef = w->EF1();
  ef.SetText(Lines(1, 120));
  ef.SetSelStart(0);
  ef.SetSelLength(ef.Text().size());
  const QStringList pages = Print(&App::FilePrintSelectedText_Action).PageTexts();
  ASSERT_GE(pages.size(), 2);
  EXPECT_TRUE(BodyLines(pages[0]).value(0).startsWith(QLatin1String("Line 001"))) << "no header line above";
  EXPECT_EQ(FirstLine(pages[1]), QStringLiteral("(continued)"));
}

// The refusals: their message, and no print dialog.
TEST_F(PrintTest, RefusalsShowTheirMessageAndNoDialog) {
  struct Case {
    const char* what;
    bool (App::*command)();
    bool rowSelected;
    int selectionLength;
    const char* message;
  } cases[] = {
      {"selected text, nothing selected", &App::FilePrintSelectedText_Action, true, 0, "No text is selected!"},
      {"selected text, no row needed", &App::FilePrintSelectedText_Action, false, 0, "No text is selected!"},
      {"section, no row selected", &App::FilePrintSelectedSection_Action, false, 4, "You have not selected a Section to print!"},
  };
  w->LB1().AddRow(QStringLiteral("Diary"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w->LB1().SetListIndex(c.rowSelected ? 0 : -1);
    w->EF1().SetText(QStringLiteral("some text"));
    w->EF1().SetSelStart(0);
    w->EF1().SetSelLength(c.selectionLength);
    ui().Clear();
    (App_()->*c.command)();
    EXPECT_EQ(ui().Messages(), QStringList{QString::fromLatin1(c.message)});
    EXPECT_EQ(ui().Count(QStringLiteral("PrintDialog")), 0);
  }
}

TEST_F(PrintTest, ACancelledPrintDialogPrintsNothing) {
  ShowSection(QStringLiteral("Diary"), QStringLiteral("one two three"));
  w->EF1().SetSelStart(4);
  w->EF1().SetSelLength(3);
  const int windows = fw::OpenWindows().size();
  for (bool (App::*command)() : {&App::FilePrintHelp_Action, &App::FilePrintSelectedText_Action,
                                 &App::FilePrintSelectedSection_Action}) {
    ui().Clear();
    (App_()->*command)();  // unscripted: cancelled
    EXPECT_EQ(ui().Count(QStringLiteral("PrintDialog")), 1);
    EXPECT_TRUE(ui().Messages().isEmpty());
  }
  EXPECT_EQ(fw::GetImplicitWindow(QStringLiteral("Help")), nullptr) << "a cancelled Print Help makes no window";
  EXPECT_EQ(fw::OpenWindows().size(), windows);
  EXPECT_EQ(w->EditFieldNamed(QStringLiteral("EF2")).Text(), QStringLiteral("two")) << "the copy stays";
  EXPECT_TRUE(QDir(pdfs.path()).isEmpty());
}

// The help text prints whole, whatever the help window shows; the window is made for it when it
// is not open.
TEST_F(PrintTest, PrintHelpPrintsTheWholeHelpText) {
  const QString expected = Help::Paragraphs().join(u' ').simplified();
  auto printed = [](const PdfFile& pdf) {
    QString all;
    const QStringList pages = pdf.PageTexts();
    for (int k = 0; k < pages.size(); ++k) {
      QStringList lines = pages[k].split(u'\n');
      while (!lines.isEmpty() && lines.first().trimmed().isEmpty()) lines.removeFirst();
      while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
      EXPECT_EQ(lines.value(0).trimmed(), k == 0 ? QStringLiteral("Tavrin Help") : QStringLiteral("Tavrin (continued)"));
      all += lines.mid(1, lines.size() - 2).join(u' ') + u' ';
    }
    return all.normalized(QString::NormalizationForm_KC).simplified();  // ligatures back to letters
  };
  ASSERT_EQ(fw::GetImplicitWindow(QStringLiteral("Help")), nullptr);
  EXPECT_EQ(printed(Print(&App::FilePrintHelp_Action)).toStdString(), expected.toStdString()) << "with the window closed";
  Help* help = dynamic_cast<Help*>(fw::GetImplicitWindow(QStringLiteral("Help")));
  ASSERT_NE(help, nullptr) << "made by the print";

  help->Show();
  help->EditField1().SetSelStart(100);
  help->EditField1().SetSelLength(50);
  help->EditField1().SetScrollPosition(10);
  EXPECT_EQ(printed(Print(&App::FilePrintHelp_Action)).toStdString(), expected.toStdString()) << "scrolled, with a selection";
  EXPECT_EQ(Help::Help_(), help);
}

TEST_F(PrintTest, TheDateTextIsTakenWhenTheCommandStarts) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 120));
  const QString atStart = DateText();
  const QString path = pdfs.filePath(QStringLiteral("late.pdf"));
  ui().SetNextPrint(path, 1200, [this] { clock_->Set(kStart.addSecs(2 * 3600 + 7 * 60)); });
  App_()->FilePrintSelectedSection_Action();
  ASSERT_NE(DateText(), atStart);
  const QStringList pages = PdfFile(path).PageTexts();
  ASSERT_EQ(pages.size(), 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(FooterLine(pages[k]), QStringLiteral("Page %1 ").arg(k + 1) + atStart);
}

TEST_F(PrintTest, PageSetupRemindsThenKeepsTheConfirmedFormatForTheRun) {
  // Cancelled before any was confirmed: the reminder all the same, and nothing kept.
  App_()->FilePageSetup_Action();
  EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("Please select Portrait orientation.")});
  EXPECT_EQ(ui().Count(QStringLiteral("PageSetupDialog")), 1);
  EXPECT_TRUE(prefModule::PageSetup.isEmpty());
  ShowSection(QStringLiteral("Diary"), Lines(1, 3));
  ui().Clear();
  Print(&App::FilePrintSelectedSection_Action);
  EXPECT_EQ(ui().Calls().last().Text, QString()) << "the print dialog on the default format";

  struct Case {
    const char* what;
    QPageLayout layout;
    QSizeF pageSize;
  } cases[] = {{"Letter", Layout(QPageSize::Letter, 36), {612, 792}}, {"A4", Layout(QPageSize::A4, 20), {595, 842}}};
  QString before;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui().Clear();
    ConfirmPageSetup(c.layout);
    EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("Please select Portrait orientation.")});
    if (!before.isEmpty()) {
      EXPECT_EQ(ui().Calls().last().Text, before) << "the dialog opens on the format chosen last";
    }
    ASSERT_FALSE(prefModule::PageSetup.isEmpty());
    fw::PrinterSetup restored;
    restored.SetSetupString(prefModule::PageSetup);
    EXPECT_EQ(fw::DescribePageLayout(restored.PageLayout()), fw::DescribePageLayout(c.layout));
    before = fw::DescribePageLayout(c.layout);

    ui().Clear();
    const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
    EXPECT_EQ(ui().Calls().first().Text, before) << "the print dialog on the stored setup";
    EXPECT_NEAR(pdf.PageSize().width(), c.pageSize.width(), 1);
    EXPECT_NEAR(pdf.PageSize().height(), c.pageSize.height(), 1);
    const QList<PdfWord> words = pdf.WordsOnPage(1);
    const PdfWord* page = Find(words, QStringLiteral("Page"));
    ASSERT_TRUE(page);
    EXPECT_LT(page->yMin, c.layout.margins().top() + 720) << "the footers stay at y 720";
    EXPECT_GT(page->yMax, c.layout.margins().top() + 720);
  }
  // A later cancel keeps what was confirmed.
  const QString kept = prefModule::PageSetup;
  App_()->FilePageSetup_Action();
  EXPECT_EQ(prefModule::PageSetup, kept);
}

// A job that fails is never silent: a printer that cannot start, and a file that could not take
// the whole job (a full disk), are reported with the reason.
TEST_F(PrintTest, AFailedJobIsReportedWithTheReason) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 300));
  struct Case {
    const char* what;
    QString path;
    const char* message;
    const char* reason;
  } cases[] = {
      {"no such folder", pdfs.filePath(QStringLiteral("missing-folder/job.pdf")), "The printer could not be started: ",
       "No such file or directory"},
      {"a full disk", QStringLiteral("/dev/full"), "The document could not be printed completely: ", "could not be written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui().Clear();
    ui().SetNextPrint(c.path);
    App_()->FilePrintSelectedSection_Action();
    ASSERT_EQ(ui().Messages().size(), 1);
    const QString message = ui().Messages().first();
    EXPECT_TRUE(message.startsWith(QLatin1String(c.message))) << message.toStdString();
    EXPECT_TRUE(message.contains(c.path)) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String(c.reason))) << message.toStdString();
  }
  EXPECT_FALSE(QFile::exists(cases[0].path));
}

// The page range, the copies and the order chosen in the print dialog: the chosen pages, as the
// whole document would print them, each with its own number and header.
TEST_F(PrintTest, TheRangeCopiesAndOrderChosenArePrinted) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 120));
  const QStringList whole = Print(&App::FilePrintSelectedSection_Action).PageTexts();
  ASSERT_EQ(whole.size(), 3);
  using Choice = fw::ScriptedUiService::PrintDialogChoice;
  const struct {
    const char* what;
    Choice choice;
    QList<int> pages;
  } cases[] = {
      {"pages 2 to 3", {2, 3}, {2, 3}},
      {"page 2 alone", {2, 2}, {2}},
      {"a range past the end", {2, 9}, {2, 3}},
      {"reversed", {0, 0, 1, false, true}, {3, 2, 1}},
      {"two collated copies", {0, 0, 2, true}, {1, 2, 3, 1, 2, 3}},
      {"two copies, not collated", {0, 0, 2, false}, {1, 1, 2, 2, 3, 3}},
      {"a range reversed, collated", {1, 2, 2, true, true}, {2, 1, 2, 1}},
      {"a range past the end reversed, not collated", {2, 7, 2, false, true}, {3, 3, 2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui().Clear();
    const QString path = pdfs.filePath(QStringLiteral("job%1.pdf").arg(++printed));
    ui().SetNextPrint(path, c.choice);
    App_()->FilePrintSelectedSection_Action();
    EXPECT_TRUE(ui().Messages().isEmpty()) << ui().Messages().join(" | ").toStdString();
    const QStringList pages = PdfFile(path).PageTexts();
    QList<int> numbers;
    for (int k = 0; k < pages.size(); ++k) {
      const QString footer = FooterLine(pages[k]);
      numbers << footer.section(u' ', 1, 1).toInt();
      const QString& original = whole.value(numbers.last() - 1);
      EXPECT_EQ(FirstLine(pages[k]), FirstLine(original)) << "page " << numbers.last();
      EXPECT_EQ(BodyLines(pages[k]), BodyLines(original)) << "page " << numbers.last();
      EXPECT_EQ(footer, FooterLine(original));
    }
    EXPECT_EQ(numbers, c.pages);
  }
}

// A range wholly past the end prints nothing, not even an empty page, and says so.
TEST_F(PrintTest, ARangePastTheEndIsReportedAndNothingIsPrinted) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 120));
  const struct {
    int from, to;
    const char* message;
  } cases[] = {
      {4, 9, "The document has 3 pages, so pages 4 to 9 could not be printed. Nothing was printed."},
      {5, 5, "The document has 3 pages, so page 5 could not be printed. Nothing was printed."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ui().Clear();
    const QString path = pdfs.filePath(QStringLiteral("none.pdf"));
    ui().SetNextPrint(path, {c.from, c.to});
    App_()->FilePrintSelectedSection_Action();
    EXPECT_EQ(ui().Messages(), QStringList{QString::fromLatin1(c.message)});
    EXPECT_FALSE(QFile::exists(path));
  }
  ShowSection(QStringLiteral("Empty"), QString());
  ui().Clear();
  ui().SetNextPrint(pdfs.filePath(QStringLiteral("none.pdf")), {2, 2});
  App_()->FilePrintSelectedSection_Action();
  EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("The document has 1 page, so page 2 could not be printed. Nothing was printed.")});
}

// On a page smaller than the template's (landscape, or a small paper) the text and both footers
// stay on the paper: every line printed once, every page numbered.
TEST_F(PrintTest, ALandscapeOrSmallPageKeepsTheTextAndFootersOnThePaper) {
  ShowSection(QStringLiteral("Diary"), Lines(1, 120));
  const struct {
    const char* what;
    QPageLayout layout;
  } cases[] = {
      {"Letter landscape", QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF(36, 36, 36, 36),
                                       QPageLayout::Point)},
      {"A5 portrait", Layout(QPageSize::A5, 20)},
      {"A6 landscape, no margins", QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Landscape, QMarginsF(),
                                               QPageLayout::Point)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConfirmPageSetup(c.layout);
    const PdfFile pdf = Print(&App::FilePrintSelectedSection_Action);
    const QSizeF paper = pdf.PageSize();
    EXPECT_NEAR(paper.width(), c.layout.fullRect(QPageLayout::Point).width(), 1);
    const QStringList pages = pdf.PageTexts();
    ASSERT_GE(pages.size(), 3);
    QStringList all;
    for (int k = 1; k <= pages.size(); ++k) {
      EXPECT_EQ(FooterLine(pages[k - 1]), QStringLiteral("Page %1 %2").arg(k).arg(DateText())) << "page " << k;
      all << BodyLines(pages[k - 1]);
    }
    EXPECT_EQ(all.join(u'\n'), Lines(1, 120)) << "every line once, whole, in order";
    for (const PdfWord& word : pdf.Words()) {
      EXPECT_LE(word.xMax, paper.width()) << word.text.toStdString() << " on page " << word.page;
      EXPECT_LE(word.yMax, paper.height()) << word.text.toStdString() << " on page " << word.page;
    }
  }
}

TEST(PrinterSetupTest, AStringNotOfOursLeavesTheFormat) {
  fw::PrinterSetup setup;
  const QString before = setup.SetupString();
  for (const QString& s : {QString(), QStringLiteral("garbage"), QStringLiteral("TavrinPageSetup/1;size=x;width=-1")}) {
    setup.SetSetupString(s);
    EXPECT_EQ(setup.SetupString(), before) << s.toStdString();
  }
}

}  // namespace
