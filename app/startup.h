#pragma once

// The start-up steps, in their order: plug-in classes, file types, the application object with
// its menu bar, the menu handlers, the main window.
void Startup();
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();
void MakeDefaultView();
// Runs the program: start-up, the event loop, the end. Returns the exit status.
int Main();
// Releases what start-up made (the application object, the menu bar), as the end of a run does.
void ReleaseModuleState();
