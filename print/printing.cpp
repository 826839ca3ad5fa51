#include "print/printing.h"

#include <memory>

#include "info/help.h"
#include "platform/date.h"
#include "platform/editfield.h"
#include "platform/exceptions.h"
#include "platform/graphics.h"
#include "platform/listbox.h"
#include "platform/printersetup.h"
#include "platform/strings.h"
#include "platform/styledtextprinter.h"
#include "platform/uiservice.h"
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

void DrawFooters(Graphics& g, int page, const QString& dateText) {
  g.DrawString(QStringLiteral("Page ") + Str(page), 40, kFooterY, 0, false);
  g.DrawString(dateText, 430, kFooterY, 0, false);
}
}  // namespace

void printField(const std::function<EditField&()>& source, const QString& header, const QString& continued) {
  const Date now;
  const QString dateText = now.ShortTime() + QStringLiteral(", ") + now.ShortDate();

  std::unique_ptr<Graphics> g;
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

  EditField& field = source();
  std::unique_ptr<StyledTextPrinter> text = field.styledTextPrinter(*g, kPageWidth - 48);
  g->DrawString(header, 36, 20, 0, false);
  int page = 1;
  while (!text->EOF_()) {
    text->DrawBlock(36, 36, pageHeight - 48);
    if (!text->EOF_()) {
      DrawFooters(*g, page, dateText);
      ++page;
      g->NextPage();
      g->DrawString(continued, 36, 20, 0, false);
    }
  }
  DrawFooters(*g, page, dateText);
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
