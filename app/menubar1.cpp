#include "app/menubar1.h"

#include <memory>

#include "platform/system/exceptions.h"

namespace {
std::unique_ptr<MenuBar1> implicitInstance;
}

MenuBar1* MenuBar1::MenuBar1_() {
  if (!implicitInstance) implicitInstance = std::make_unique<MenuBar1>();
  return implicitInstance.get();
}

void MenuBar1::Release() { implicitInstance.reset(); }

MenuBar1::MenuBar1() {
  Untitled0();
  Untitled1();
  Untitled2();
  Untitled3();
}

void MenuBar1::Build(const char* menuName, const char* menuText, std::initializer_list<Entry> items) {
  auto* title = new fw::MenuItem;
  title->Name = QString::fromLatin1(menuName);
  title->AutoEnable = true;
  title->Text = QString::fromLatin1(menuText);
  title->KeyboardShortcut = QString();
  Append(title);
  for (const Entry& e : items) {
    fw::MenuItem* item = e.kind == Entry::Quit      ? new fw::QuitMenuItem
                         : e.kind == Entry::AppMenu ? static_cast<fw::MenuItem*>(new fw::AppleMenuItem)
                                                    : new fw::MenuItem;
    item->Name = QString::fromLatin1(e.name);
    item->AutoEnable = true;
    item->Text = QString::fromLatin1(e.text);
    if (!item->IsSeparator()) item->KeyboardShortcut = QString::fromLatin1(e.shortcut);
    fw::NilCheck(Child(title->Name), "menu not found")->Append(item);
  }
}

void MenuBar1::Untitled0() {
  Build("FileMenu", "&File",
        {{"FilePageSetup", "Page Setup", "Cmd+Shift+P", Entry::Item},
         {"FilePrintHelp", "Print Help", "", Entry::Item},
         {"FilePrintSelectedText", "Print Selected Section Text", "", Entry::Item},
         {"FilePrintSelectedSection", "Print Selected Section", "Cmd+P", Entry::Item},
         {"UntitledSeparator", "-", "", Entry::Item},
         {"FileQuit", "&Quit", "Cmd+Q", Entry::Quit}});
}

void MenuBar1::Untitled1() {
  Build("EditMenu", "&Edit",
        {{"EditUndo", "&Undo", "Cmd+Z", Entry::Item},
         {"UntitledMenu1", "-", "", Entry::Item},
         {"EditCut", "Cu&t", "Cmd+X", Entry::Item},
         {"EditCopy", "&Copy", "Cmd+C", Entry::Item},
         {"EditPaste", "&Paste", "Cmd+V", Entry::Item},
         {"EditPasteSpecial", "Paste Special", "Cmd+Shift+V", Entry::Item},
         {"EditClear", "&Delete", "", Entry::Item},
         {"UntitledMenu0", "-", "", Entry::Item},
         {"EditSelectAll", "Select &All", "Cmd+A", Entry::Item}});
}

void MenuBar1::Untitled2() {
  Build("CheckforUpdateMenu", "Check for Update", {{"CheckforUpdateCheckNow", "Check Now", "", Entry::Item}});
}

void MenuBar1::Untitled3() {
  Build("HelpMenu", "Tavrin Help",
        {{"HelpShow", "Show Help", "", Entry::Item}, {"HelpAbout", "About...", "", Entry::AppMenu}});
}
