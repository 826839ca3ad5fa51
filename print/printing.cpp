#include "print/printing.h"

#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "info/help.h"
#include "platform/system/date.h"
#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/controls/graphics.h"
#include "platform/controls/listbox.h"
#include "platform/printing/printergraphics.h"
#include "platform/printing/printersetup.h"
#include "platform/system/strings.h"
#include "platform/text/styledtextprinter.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

using namespace fw;

namespace Printing {

void pageSetup() {
  MsgBox(QStringLiteral("Please select Portrait orientation."));
  PrinterSetup setup;
  if (!prefModule::PageSetup.isEmpty()) setup.SetSetupString(prefModule::PageSetup);
  if (setup.PageSetupDialog()) prefModule::PageSetup = setup.SetupString();
}

namespace {
// The footers stand at the foot of the 720-point page, also when the page is 648 points high.
constexpr int kFooterY = 720;
constexpr int kDateX = 430;

// The template's figures on the paper the job has: they are made for a portrait page at least
// 540 by 720 points; on a smaller printable area (a landscape page, a small paper) the text block
// and the footers move in so that nothing falls off it.
struct PageGeometry {
  int textWidth, blockHeight, footerY, dateX;
  PageGeometry(const Graphics& g, int pageHeight) {
    const int width = qMin(kPageWidth, g.Width()), height = qMin(pageHeight, g.Height());
    textWidth = qMax(1, width - 48);
    blockHeight = qMax(1, height - 48);
    // On a page that holds the template the footers reach into the bottom margin, as designed;
    // on a shorter one they stand wholly inside the printable area.
    footerY = g.Height() >= kFooterY ? kFooterY : g.Height() - static_cast<int>(std::ceil(g.TextDescent()));
    dateX = kDateX - (kPageWidth - width);  // as far from the right edge as on the template
  }
};

// Where each page's text begins, found as far as the pages asked for need: printing every page in
// order finds them as it draws, and only a range, the reverse order or copies go back.
class PageStarts {
 public:
  PageStarts(StyledTextPrinter& text, int blockHeight) : text_(text), blockHeight_(blockHeight) {
    starts_.push_back(text.Tell());
  }
  // Whether the text has a page `page` (from 1); the first page is there even for an empty text.
  bool Has(int page) {
    while (static_cast<int>(starts_.size()) < page && !complete_) {
      text_.Seek(starts_.back());
      if (!text_.EOF_()) text_.SkipBlock(blockHeight_);
      Reached();
    }
    return page <= static_cast<int>(starts_.size());
  }
  int Count() {
    Has(INT_MAX);
    return static_cast<int>(starts_.size());
  }
  const StyledTextPrinter::Position& Start(int page) const { return starts_[page - 1]; }
  // The text printer has just gone through page `page`: when that was the last page known, where it
  // stopped is the next page's start.
  void Passed(int page) {
    if (page == static_cast<int>(starts_.size())) Reached();
  }

 private:
  void Reached() {
    if (complete_) return;
    if (text_.EOF_()) complete_ = true;
    else starts_.push_back(text_.Tell());
  }

  StyledTextPrinter& text_;
  int blockHeight_;
  std::vector<StyledTextPrinter::Position> starts_;
  bool complete_ = false;
};

QString NoSuchPagesMessage(int from, int to, int pages) {
  const QString chosen = from == to ? QStringLiteral("page ") + Str(from)
                                    : QStringLiteral("pages ") + Str(from) + QStringLiteral(" to ") + Str(to);
  return QStringLiteral("The document has ") + Str(pages) + (pages == 1 ? QStringLiteral(" page") : QStringLiteral(" pages")) +
         QStringLiteral(", so ") + chosen + QStringLiteral(" could not be printed. Nothing was printed.");
}
}  // namespace

void printField(const std::function<EditField&()>& source, const QString& header, const QString& continued) {
  const Date now;
  const QString dateText = now.ShortTime() + QStringLiteral(", ") + now.ShortDate();

  std::unique_ptr<PrinterGraphics> g;
  int pageHeight = kPageHeight;
  if (!prefModule::PageSetup.isEmpty()) {
    PrinterSetup setup;
    setup.SetSetupString(prefModule::PageSetup);
    g = OpenPrinterDialog(&setup);
    pageHeight = kPageHeightWithSetup;
  } else {
    g = OpenPrinterDialog(nullptr);
    if (g) {
      g->TextFont = QStringLiteral("Courier");
      g->TextSize = 10;
      g->ForeColor = RGB(0, 0, 0);
      g->Bold = true;
    }
  }
  if (!g) return;

  const PageGeometry geometry(*g, pageHeight);
  EditField& field = source();
  std::unique_ptr<StyledTextPrinter> text = field.styledTextPrinter(*g, geometry.textWidth);
  PageStarts pages(*text, geometry.blockHeight);

  // The pages chosen in the print dialog, in their order; each keeps its own number in its footer.
  const PrintChoices choices = g->Choices();
  const int first = qMax(1, choices.fromPage);
  int last = choices.toPage > 0 ? qMax(first, choices.toPage) : INT_MAX;
  if (!pages.Has(first)) {
    MsgBox(NoSuchPagesMessage(first, choices.toPage > 0 ? last : first, pages.Count()));
    return;
  }
  if (choices.reverse && !pages.Has(last)) last = pages.Count();
  if (!g->Begin()) return;

  bool begun = false;
  auto drawPage = [&](int page) {
    if (begun) g->NextPage();
    begun = true;
    g->DrawString(page == 1 ? header : continued, 36, 20, 0, false);
    text->Seek(pages.Start(page));
    if (!text->EOF_()) text->DrawBlock(36, 36, geometry.blockHeight);
    pages.Passed(page);
    g->DrawString(QStringLiteral("Page ") + Str(page), 40, geometry.footerY, 0, false);
    g->DrawString(dateText, geometry.dateX, geometry.footerY, 0, false);
  };
  // Each chosen page once, in the chosen order, `times` times over.
  auto drawChosen = [&](int times) {
    if (choices.reverse) {
      for (int page = last; page >= first; --page)
        for (int i = 0; i < times; ++i) drawPage(page);
    } else {
      for (int page = first; page <= last && pages.Has(page); ++page)
        for (int i = 0; i < times; ++i) drawPage(page);
    }
  };
  if (choices.collate) {
    for (int copy = 0; copy < choices.copies; ++copy) drawChosen(1);
  } else {
    drawChosen(choices.copies);
  }
  // Letting go of the surface ends the job and sends it to the printer.
}

void printHelp() {
  printField([]() -> EditField& { return NilCheck(Help::Help_(), "the help window")->EditField1(); },
             QStringLiteral("Tavrin Help"), QStringLiteral("Tavrin (continued)"));
}

void printSelectedText() {
  Window1* w = NilCheck(Window1::Open(), "the main window");
  EditField& buffer = w->EditFieldNamed(QStringLiteral("EF2"));
  buffer.SetText(w->EF1().SelText());
  if (Len(buffer.Text()) == 0) {
    MsgBox(QStringLiteral("No text is selected!"));
    return;
  }
  printField([&buffer]() -> EditField& { return buffer; }, Module1::MySection,
             Module1::MySection + QStringLiteral(" (continued)"));
}

void printSelectedSection() {
  Window1* w = NilCheck(Window1::Open(), "the main window");
  if (w->LB1().ListIndex() == -1) {
    MsgBox(QStringLiteral("You have not selected a Section to print!"));
    return;
  }
  EditField& editor = w->EF1();
  printField([&editor]() -> EditField& { return editor; }, Module1::MySection,
             Module1::MySection + QStringLiteral(" (continued)"));
}

}  // namespace Printing
