// The real page-setup and print dialogs of QtUiService.
#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "platform/dialogs/qtuiservice.h"
#include "platform/controls/widgetsupport.h"

namespace fw {

bool QtUiService::PageSetupDialog(QPageLayout& layout) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(layout);
  QPageSetupDialog dialog(&printer, QApplication::activeWindow());
  if (ExecNested(dialog) != QDialog::Accepted) return false;
  layout = printer.pageLayout();
  return true;
}

std::unique_ptr<QPrinter> QtUiService::PrintDialog(const QPageLayout* layout) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (layout) printer->setPageLayout(*layout);
  QPrintDialog dialog(printer.get(), QApplication::activeWindow());
  // The program lays its pages out itself and honours the range, the copies and the order; it has
  // no current page or selection of its own to offer (Print Selected Section Text is that).
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                    QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
  if (ExecNested(dialog) != QDialog::Accepted) return nullptr;
  return printer;
}

}  // namespace fw
