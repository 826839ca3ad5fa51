#pragma once
#include "platform/controls/menuitem.h"

class QMenuBar;
class QWidget;

namespace fw {

class MenuBar : public MenuItem {
 public:
  // A Qt menu bar for a window, its actions dispatching to the application object.
  QMenuBar* BuildQMenuBar(QWidget* parent) const;
};

// The program's one menu bar, as its accessor makes it; windows that show the menu bar take it
// from here. Nil until the program registers its accessor.
void SetMenuBarAccessor(MenuBar* (*accessor)());
MenuBar* ProgramMenuBar();

}  // namespace fw
