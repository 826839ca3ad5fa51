#pragma once
// The page surface of a print job: drawing in points from the top left of the printable area,
// whatever the printer's resolution; the job goes to the printer when the surface is destroyed.

#include <QPainter>
#include <memory>

#include "platform/controls/graphics.h"

class QPrinter;

namespace fw {

// What the user chose in the print dialog beyond the printer and the paper: the program draws
// every page itself, so it honours these itself.
struct PrintChoices {
  int fromPage = 0, toPage = 0;  // 0, 0: every page; otherwise from 1
  int copies = 1;                // to draw: 1 where the printer makes the copies itself
  bool collate = true;           // copies as whole sets (1 2 3 1 2 3), or each page repeated (1 1 2 2 3 3)
  bool reverse = false;          // last page first
};

class PrinterGraphics : public Graphics {
 public:
  // The surface's size is the printable area of the printer's page as it is set up (its
  // orientation included), already before the job starts.
  explicit PrinterGraphics(std::unique_ptr<QPrinter> printer);
  // Ends the job; a job the printer failed is reported to the user with the reason.
  ~PrinterGraphics() override;

  // Starts the job; nothing reaches the printer before. A printer that cannot be started is
  // reported to the user with the reason, and gives false.
  bool Begin();
  void NextPage() override;
  QPaintDevice* Device() const override;

  PrintChoices Choices() const;
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
