#pragma once
// Paths for messages, and the user's configuration folder.

#include <QString>

#include "platform/system/folderitem.h"

namespace fw {

// A path for messages: as it stands, but for one inside a configuration folder whose name is not
// valid UTF-8, which SpecialFolder::Preferences reaches by another path; the name's bytes that
// are not text show as U+FFFD.
QString DisplayPath(const QString& path);

namespace SpecialFolder {
// The user's configuration folder (XDG config home), looked up anew at each call: tests point it
// at a temporary folder through XDG_CONFIG_HOME. A folder whose name is not valid UTF-8 (a byte
// such as 0xFF in $XDG_CONFIG_HOME or $HOME) is opened by its own bytes and reached through the
// system's link to the open folder, /proc/self/fd/<n>: a QString cannot hold such a name, and the
// name Qt would make of it is another folder's. It is made first when it is missing, as the
// journal's folder needs it.
FolderItemPtr Preferences();
}  // namespace SpecialFolder

}  // namespace fw
