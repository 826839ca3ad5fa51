#pragma once
// The page surface of a print job: drawing in points from the top left of the printable area,
// whatever the printer's resolution; the job goes to the printer when the surface is destroyed.

#include <QPainter>
#include <memory>

#include "graphics.h"

class QPrinter;

namespace fw {

class PrinterGraphics : public Graphics {
 public:
  explicit PrinterGraphics(std::unique_ptr<QPrinter> printer);
  // Ends the job; a job the printer failed is reported to the user with the reason.
  ~PrinterGraphics() override;

  // Starts the job: false, with the reason, when the printer cannot be started.
  bool Start(QString* reason);
  void NextPage() override;

  QPrinter& Printer() const { return *printer_; }
  int PageCount() const { return pages_; }

 private:
  bool FileComplete() const;
  QString Failure() const;
  std::unique_ptr<QPrinter> printer_;
  QPainter painter_;
  int pages_ = 0;
  bool failed_ = false;
};

}  // namespace fw
