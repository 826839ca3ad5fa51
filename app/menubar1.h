#pragma once
#include "platform/controls/menubar.h"

// The program's one menu bar: File, Edit, Check for Update and help.
class MenuBar1 : public fw::MenuBar {
 public:
  MenuBar1();  // builds the four menus
  // The one menu bar, made on first use. (Named after its class; see Window1::Window1_.)
  static MenuBar1* MenuBar1_();
  static void Release();

  void Untitled0();
  void Untitled1();
  void Untitled2();
  void Untitled3();

 private:
  struct Entry {
    const char* name;
    const char* text;
    const char* shortcut;
    enum { Item, Quit, AppMenu } kind;
  };
  void Build(const char* menuName, const char* menuText, std::initializer_list<Entry> items);
};
