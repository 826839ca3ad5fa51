#pragma once
// Widget chores shared by the platform layer's own files; nothing outside platform/ includes this.

class QDialog;
class QWidget;

namespace fw {

// A refresh is a redraw at once when the widget is on the screen: a caller that refreshes and then
// opens a message box or works on expects the new look to be there meanwhile. A hidden widget is
// only marked, to be drawn when it shows.
void RepaintNowOrLater(QWidget& widget);

// Runs a dialog to its end inside the application's nested-loop bookkeeping; returns its result.
int ExecNested(QDialog& dialog);

}  // namespace fw
