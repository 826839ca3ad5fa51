#pragma once
// The preferences file "tavrin.txt": the main window's rectangle and the last Section's name.

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/system/folderitem.h"
#include "store/directiveclass.h"

namespace prefModule {

extern int32_t Window1Top;
extern int32_t Window1Left;
extern int32_t Window1Width;
extern int32_t Window1Height;
// From index 1 in file order; element 0 stays nil for the whole run.
extern QList<std::shared_ptr<directiveClass>> gDirectives;
// The page setup chosen in this run; never stored.
extern QString PageSetup;

bool extractDirectives(const fw::FolderItemPtr& file);
void loadPrefs();
void savePrefs();

// The item of the preferences file (nil when the preferences folder cannot be had).
fw::FolderItemPtr prefsFile();
// Program-start values, for tests that play several runs in one process.
void ResetState();

}  // namespace prefModule
