// The section list and the roads that show, create, delete and rename Sections.

#include "platform/graphics.h"
#include "window/window1.h"

void Window1::LB1_Change() {}
void Window1::LB1_DoubleClick() {}
bool Window1::LB1_CellTextPaint(fw::Graphics&, int, int, int, int) { return false; }
void Window1::NewJournal_Action() {}
void Window1::DeleteJournal_Action() {}
void Window1::SectionTitle_TextChange() {}
void Window1::SaveAs_Action() {}
