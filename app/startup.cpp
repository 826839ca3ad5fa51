#include "app/startup.h"

#include <memory>

#include "app/app.h"
#include "app/menubar1.h"
#include "platform/exceptions.h"
#include "platform/menuitem.h"
#include "store/filetypes1.h"
#include "window/window1.h"

using namespace fw;

namespace {
std::unique_ptr<App> theApp;
}

void InitFileTypes() { FileTypes1::Initialize(); }

void NewAppInstance() {
  theApp = std::make_unique<App>();
  NilCheck(theApp.get(), "App");
  SetMenuBarAccessor([]() -> MenuBar* { return MenuBar1::MenuBar1_(); });
  theApp->SetMenuBar(MenuBar1::MenuBar1_());
  Application::RegisterAppObject(theApp.get());
}

void ApplicationAddMenuHandlers() {
  struct Row { const char* item; bool (App::*handler)(); };
  const Row rows[] = {{"CheckforUpdateCheckNow", &App::CheckforUpdateCheckNow_Action},
                      {"HelpShow", &App::HelpShow_Action},
                      {"HelpAbout", &App::HelpAbout_Action},
                      {"FilePageSetup", &App::FilePageSetup_Action},
                      {"FilePrintHelp", &App::FilePrintHelp_Action},
                      {"FilePrintSelectedText", &App::FilePrintSelectedText_Action},
                      {"FilePrintSelectedSection", &App::FilePrintSelectedSection_Action},
                      {"EditPasteSpecial", &App::EditPasteSpecial_Action}};
  for (const Row& r : rows) {
    App* app = NilCheck(App_(), "App");
    app->AddMenuHandler(QString::fromLatin1(r.item), [app, h = r.handler] { return (app->*h)(); });
  }
}

void MakeDefaultView() { Window1::Window1_(); }

void Startup() {
  // The plug-in classes (bevel buttons, the clipboard) are part of the framework layer here.
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
  MakeDefaultView();
}

void ReleaseModuleState() {
  for (Window* w : OpenWindows()) delete w;
  Application::RegisterAppObject(nullptr);
  theApp.reset();
  SetMenuBarAccessor(nullptr);
  MenuBar1::Release();
}

int Main() {
  const int status = RunApplication(&Startup);
  ReleaseModuleState();
  return status;
}
