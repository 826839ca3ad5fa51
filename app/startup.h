#pragma once

#include <functional>

namespace fw {
class InstanceLock;
}

// The start-up steps, in their order: plug-in classes, file types, the application object with
// its menu bar, the menu handlers, the main window.
void Startup();
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();
void MakeDefaultView();
// Runs the program: start-up, the event loop, the end. Returns the exit status.
int Main();
// Runs `run` holding `lock` (nil: no lock), and releases it at every end: a return, an exception
// out of `run` (reported, status 1), and std::terminate (the lock file is removed, then the
// program ends as terminate ends it).
int RunHoldingLock(fw::InstanceLock* lock, const std::function<int()>& run);
// Releases what start-up made (the application object, the menu bar), as the end of a run does.
void ReleaseModuleState();
