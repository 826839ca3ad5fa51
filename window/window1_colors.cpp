// The Color button, the colour swatch, the five ink pots and the colour drag between them.

#include "platform/shapes.h"
#include "window/window1.h"

using namespace fw;

void Window1::ColorRect_Open() {}
bool Window1::ColorRect_MouseDown(int, int) { return true; }
void Window1::ColorRect_DropObject(DragItem&, int) {}
void Window1::MyColor_Action() {}

void Window1::InkPotOpen(int) {}
void Window1::InkPotDropObject(int, DragItem&, int) {}
bool Window1::InkPotMouseDown(int, int, int) { return true; }
void Window1::ColorDrag(Rectangle&, int, int) {}

void Window1::InkPot1_Open() { InkPotOpen(1); }
void Window1::InkPot2_Open() { InkPotOpen(2); }
void Window1::InkPot3_Open() { InkPotOpen(3); }
void Window1::InkPot4_Open() { InkPotOpen(4); }
void Window1::InkPot5_Open() { InkPotOpen(5); }
void Window1::InkPot1_DropObject(DragItem& item, int action) { InkPotDropObject(1, item, action); }
void Window1::InkPot2_DropObject(DragItem& item, int action) { InkPotDropObject(2, item, action); }
void Window1::InkPot3_DropObject(DragItem& item, int action) { InkPotDropObject(3, item, action); }
void Window1::InkPot4_DropObject(DragItem& item, int action) { InkPotDropObject(4, item, action); }
void Window1::InkPot5_DropObject(DragItem& item, int action) { InkPotDropObject(5, item, action); }
bool Window1::InkPot1_MouseDown(int x, int y) { return InkPotMouseDown(1, x, y); }
bool Window1::InkPot2_MouseDown(int x, int y) { return InkPotMouseDown(2, x, y); }
bool Window1::InkPot3_MouseDown(int x, int y) { return InkPotMouseDown(3, x, y); }
bool Window1::InkPot4_MouseDown(int x, int y) { return InkPotMouseDown(4, x, y); }
bool Window1::InkPot5_MouseDown(int x, int y) { return InkPotMouseDown(5, x, y); }
