#pragma once
// Replaces a file whole or not at all. The bytes go into a temporary file beside the target; only
// when every write and the sync to disk have succeeded is it renamed over the target, and the
// folder is then synced so that the new name survives a power cut. Every system call's answer
// before the rename is checked here: a full disk must never turn a file into an empty one. Once
// renamed, the file is saved: a folder that cannot be synced does not undo that.

#include <QByteArray>
#include <QString>

#include <optional>

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

  // The steps of a replace, each a system call whose failure leaves the old file as it was (but
  // the last, after the rename).
  enum class Step { Open, Permissions, Write, Sync, Close, Rename, SyncFolder };
  // A step's failure: the system call's errno, or, when not empty, a reason of its own in its place.
  struct Fault {
    int error = 0;
    QString reason;
  };
  // Asked before each step of every replace, with the target's path: a fault makes that step fail
  // as the system call would. A full or failing disk cannot be had on purpose, yet what a save
  // does then (the old file kept whole, the reason the user reads) is what matters most of it;
  // the tests provoke each failure through this point. The program never sets it, and unset it
  // costs a step one test of a null pointer.
  using FaultPoint = std::optional<Fault> (*)(const QString& target, Step step);
  static void SetFaultPoint(FaultPoint point);

 private:
  bool Fail(int error);
  bool FaultAt(Step step);

  QString target_;
  QString temp_;
  int fd_ = -1;
  int mode_ = -1;  // the old file's permissions, kept by the new one
  QString error_;
};

}  // namespace fw
