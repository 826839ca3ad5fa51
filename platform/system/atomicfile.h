#pragma once
// Replaces a file whole or not at all. The bytes go into a temporary file beside the target; only
// when every write and the sync to disk have succeeded is it renamed over the target, and the
// folder is then synced so that the new name survives a power cut. Every system call's answer
// before the rename is checked here: a full disk must never turn a file into an empty one. Once
// renamed, the file is saved: a folder that cannot be synced does not undo that.

#include <QByteArray>
#include <QString>

namespace fw {

class AtomicFile {
 public:
  explicit AtomicFile(QString path);
  ~AtomicFile();  // an uncommitted temporary file is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file. False (with ErrorString) when the target is not a regular file
  // or the folder cannot take a new file.
  bool Open();
  bool Write(const QByteArray& data);
  // Syncs, closes and renames; on any failure the target is left as it was. True once the new
  // file has taken the target's name.
  bool Commit();
  void Cancel();
  QString ErrorString() const { return error_; }

  // Whether `fileName` is the temporary file of a replace that never finished (a crash or a kill
  // between creating it and renaming it) of one of `ownName`'s files.
  static bool IsLeftoverOf(const QString& fileName, bool (*ownName)(const QString&));

  // Test seams: the next replace of a file named `fileName` fails at `step`, as the system call
  // would fail with `error` (an errno value); or, for the older seam, with the text `reason`.
  enum class Step { Open, Permissions, Write, Sync, Close, Rename, SyncFolder };
  static void InjectFaultForTesting(const QString& fileName, Step step, int error);
  static void InjectFailureForTesting(const QString& fileName, const QString& reason);

 private:
  bool Fail(int error);
  bool Injected(Step step);

  QString target_;
  QString temp_;
  int fd_ = -1;
  int mode_ = -1;  // the old file's permissions, kept by the new one
  QString error_;
};

}  // namespace fw
