#pragma once
// A page setup: one page format (size, orientation, margins), chosen in the page-setup dialog and
// kept as a string that restores it whole.

#include <QPageLayout>
#include <QString>
#include <memory>

namespace fw {

class PrinterGraphics;
class Window;

class PrinterSetup {
 public:
  // The platform's default page format.
  PrinterSetup();

  // The whole setup as one string; setting it restores what the string holds. A string that holds
  // no page format (not one of ours) leaves the setup as it was.
  QString SetupString() const;
  void SetSetupString(const QString& s);

  // The page-setup dialog on the current format: true when the user confirms, the setup then
  // holding the chosen format; false when cancelled. Parentless: the parent is ignored.
  bool PageSetupDialog(Window* parent = nullptr);

  const QPageLayout& PageLayout() const { return layout_; }

 private:
  QPageLayout layout_;
};

// The print dialog on `setup`, or on the default page format when it is null: the page surface of
// the job, in points of the printable area, not yet started (PrinterGraphics::Begin); null when the
// user cancels. The job goes to the printer when the surface is let go.
std::unique_ptr<PrinterGraphics> OpenPrinterDialog(const PrinterSetup* setup, Window* parent = nullptr);

}  // namespace fw
