#include "platform/controls/menubar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/system/application.h"

namespace fw {

namespace {
void AddItems(QMenu* menu, const MenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i) {
    const MenuItem* item = parent.Item(i);
    if (item->IsSeparator()) {
      QAction* sep = menu->addSeparator();
      sep->setObjectName(item->Name);
      continue;
    }
    if (item->Count() > 0) {
      QMenu* sub = menu->addMenu(item->Text);
      sub->setObjectName(item->Name);
      AddItems(sub, *item);
      continue;
    }
    QAction* a = menu->addAction(item->Text);
    a->setObjectName(item->Name);
    a->setShortcut(item->Shortcut());
    a->setEnabled(true);
    if (item->ItemKind() == MenuItem::Kind::Quit) a->setMenuRole(QAction::QuitRole);
    else if (item->ItemKind() == MenuItem::Kind::ApplicationMenu) a->setMenuRole(QAction::AboutRole);
    else a->setMenuRole(QAction::NoRole);
    QObject::connect(a, &QAction::triggered, a, [item] {
      if (Application* app = Application::Current()) app->HandleMenuItem(*item);
    });
  }
}
}  // namespace

namespace {
MenuBar* (*g_menuBarAccessor)() = nullptr;
}

void SetMenuBarAccessor(MenuBar* (*accessor)()) { g_menuBarAccessor = accessor; }
MenuBar* ProgramMenuBar() { return g_menuBarAccessor ? g_menuBarAccessor() : nullptr; }

QMenuBar* MenuBar::BuildQMenuBar(QWidget* parent) const {
  auto* bar = new QMenuBar(parent);
  for (int i = 0; i < Count(); ++i) {
    const MenuItem* title = Item(i);
    QMenu* menu = bar->addMenu(title->Text);
    menu->setObjectName(title->Name);
    AddItems(menu, *title);
  }
  return bar;
}

}  // namespace fw
