#pragma once
// Page Setup and the three print commands of the File menu. They share one page template: a header
// at the top of every page (a continued header from the second on), the styled text block by block
// below it, and the page number and the time and date at the foot.

#include <QString>
#include <functional>

namespace fw {
class EditField;
}

namespace Printing {

// The page template's figures, in points of the printable area; a smaller printable area takes
// the text block and the footers in.
constexpr int kPageWidth = 540;
constexpr int kPageHeight = 720;          // without a page setup chosen in this run
constexpr int kPageHeightWithSetup = 648;

// "Page Setup": the Portrait reminder, then the page-setup dialog on the format chosen last.
void pageSetup();
// The three print commands.
void printHelp();
void printSelectedText();
void printSelectedSection();

// The print template: the print dialog, then the pages of `source`'s styled text chosen in it
// (range, copies, order). The field is taken only once the dialog has given a page surface.
void printField(const std::function<fw::EditField&()>& source, const QString& header, const QString& continued);

}  // namespace Printing
