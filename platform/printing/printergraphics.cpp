#include "platform/printing/printergraphics.h"

#include <QFile>
#include <QPrinter>

#include "platform/dialogs/uiservice.h"

namespace fw {

PrinterGraphics::PrinterGraphics(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {
  // The painter's origin is the top left of the printable area; one point is resolution / 72
  // painter units.
  const double scale = printer_->resolution() / 72.0;
  const QRectF area = printer_->pageRect(QPrinter::Point);
  SetPainter(&painter_, static_cast<int>(area.width()), static_cast<int>(area.height()), scale);
}

PrinterGraphics::~PrinterGraphics() {
  if (!painter_.isActive()) return;
  const bool ended = painter_.end();
  if (!failed_ && (!ended || printer_->printerState() == QPrinter::Error || !FileComplete())) {
    failed_ = true;
    MsgBox(QStringLiteral("The document could not be printed completely: ") + Failure() + QStringLiteral("."));
  }
}

bool PrinterGraphics::Begin() {
  if (painter_.isActive()) return true;
  if (!painter_.begin(printer_.get())) {
    failed_ = true;
    MsgBox(QStringLiteral("The printer could not be started: ") + Failure() + QStringLiteral(". Nothing was printed."));
    return false;
  }
  pages_ = 1;
  return true;
}

QPaintDevice* PrinterGraphics::Device() const { return printer_.get(); }

PrintChoices PrinterGraphics::Choices() const {
  PrintChoices c;
  if (printer_->printRange() == QPrinter::PageRange) {
    c.fromPage = printer_->fromPage();
    c.toPage = printer_->toPage();
  }
  // A printer that makes copies itself (a print server's) is given the count with the job.
  c.copies = printer_->supportsMultipleCopies() ? 1 : qMax(1, printer_->copyCount());
  c.collate = printer_->collateCopies();
  c.reverse = printer_->pageOrder() == QPrinter::LastPageFirst;
  return c;
}

void PrinterGraphics::NextPage() {
  if (!painter_.isActive()) return;
  if (!printer_->newPage()) {
    if (!failed_) {
      failed_ = true;
      MsgBox(QStringLiteral("The document could not be printed completely: ") + Failure() + QStringLiteral("."));
    }
    return;
  }
  ++pages_;
}

bool PrinterGraphics::FileComplete() const {
  // The PDF engine does not notice a write that failed (a full disk): a whole file ends with its
  // end-of-file marker.
  const QString file = printer_->outputFileName();
  if (printer_->outputFormat() != QPrinter::PdfFormat || file.isEmpty()) return true;
  QFile written(file);
  if (!written.open(QIODevice::ReadOnly) || written.size() < 16) return false;
  written.seek(written.size() - 16);
  return written.read(16).contains("%%EOF");
}

QString PrinterGraphics::Failure() const {
  // The printer says only that it failed; for a file the file itself tells why.
  const QString file = printer_->outputFileName();
  if (!file.isEmpty()) {
    QFile probe(file);
    const bool existed = probe.exists();
    if (!probe.open(QIODevice::Append))
      return QStringLiteral("\"") + file + QStringLiteral("\" cannot be written (") + probe.errorString() + QStringLiteral(")");
    probe.close();
    if (!existed) probe.remove();
    return QStringLiteral("\"") + file + QStringLiteral("\" could not be written");
  }
  const QString name = printer_->printerName();
  return name.isEmpty() ? QStringLiteral("no printer is available")
                        : QStringLiteral("the printer \"") + name + QStringLiteral("\" reported an error");
}

}  // namespace fw
