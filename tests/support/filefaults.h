#pragma once
// Failures of the atomic replace on purpose, through its fault point: the next replace of a file
// of that name (its last path part, wherever it is) fails at the step given, as the system call
// would. A fault waits until a replace of its file reaches its step, and is used up there; a
// second fault for the same name takes the place of the first.

#include <QString>

#include "platform/system/atomicfile.h"

namespace FileFaults {

// At `step`, with the system's reason for the errno value `error`.
void FailAt(const QString& fileName, fw::AtomicFile::Step step, int error);
// At the write, with `reason` as the system's words (a full disk, say).
void FailWrite(const QString& fileName, const QString& reason);

}  // namespace FileFaults
