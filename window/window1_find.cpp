// Find, Find Next and Find Previous in the shown Section's text.

#include "window/window1.h"

void Window1::FindString_TextChange() {}
void Window1::Find_Action() {}
void Window1::FindNext_Action() {}
void Window1::FindPrevious_Action() {}
void Window1::ThisScroll_TextChange() {}
