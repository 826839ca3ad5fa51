#pragma once
// Files and folders. Text files are UTF-8 with LF line ends, for writing and reading alike.
// Every file is replaced atomically (AtomicFile): CreateTextFile writes into a temporary file in
// the same folder and Close() renames it over the old one only once every byte is on disk, so a
// crash, a kill or a full disk at any moment leaves either the old or the new file, whole. Only
// regular files (or links to them) are ever read: a pipe or a device would block the program.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QFile;

namespace fw {

class AtomicFile;
class EditField;
class TextOutputStream;
class TextInputStream;
class FolderItem;
using FolderItemPtr = std::shared_ptr<FolderItem>;

class FolderItem {
 public:
  explicit FolderItem(QString path);

  // An item for `name` inside this folder, also when nothing of that name exists. Nil for names
  // that cannot be a single file name here: empty, "." / "..", or holding "/" or NUL.
  FolderItemPtr Child(const QString& name) const;
  bool Exists() const;
  bool Directory() const;
  QString Name() const;
  QString NativePath() const { return path_; }
  // The path as the user knows it, for messages (see DisplayPath below).
  QString DisplayPath() const;

  bool CreateAsFolder();
  bool Delete();

  // Nil when the file cannot be created; the previous file stays until Close() succeeds.
  std::shared_ptr<TextOutputStream> CreateTextFile();
  // Nil when the file is missing or cannot be read. With a `limit`, no more than that many bytes
  // are read: a longer file reads as the whole lines they hold, and the line they cut is left out.
  std::shared_ptr<TextInputStream> OpenAsTextFile(qint64 limit = -1);

  // The editor's styled text as this file (RTF, replaced atomically), and back. Opening replaces
  // the editor's whole text and styles only when the file was read whole; otherwise the editor is
  // untouched and LastError says why. A long file is read on after its start shows: damage found
  // there is told to `damagedLater` (the reason, and whether the editor shows the text read before
  // it) once the text before it is in, and the next save writes what the editor shows.
  // A file read whole that holds what the editor cannot (a word processor's footnotes, pictures,
  // tables...) shows the rest, and the next save writes what the editor shows: NotKept() names
  // those parts once it is opened, or `notKeptLater` once the rest of a long file is in. Damage
  // is told instead of them.
  using DamageFound = std::function<void(const QString& reason, bool partly)>;
  using NotKeptFound = std::function<void(const QStringList& kinds)>;
  bool SaveStyledEditField(const EditField& field);
  bool OpenStyledEditField(EditField& field, DamageFound damagedLater = {}, NotKeptFound notKeptLater = {});
  // After an OpenStyledEditField that failed: the editor holds the text read before the damage.
  bool PartlyRead() const { return partlyRead_; }
  // After an OpenStyledEditField that succeeded and read the whole file.
  QStringList NotKept() const { return notKept_; }
  // Whether the field's styled text is unchanged since it was last read from a file or written to
  // one: nothing was typed into it since, and none of its styles changed.
  static bool StyledTextSaved(const EditField& field);

  // Whole-file helpers for formats that are not line based; WriteAll replaces atomically.
  bool ReadAll(QByteArray* data);
  bool WriteAll(const QByteArray& data);

  // Removes the temporary files that replaces of this folder's files left behind when the
  // program was killed half-way; `ownName` says which file names are the program's.
  void RemoveLeftoverTemporaries(bool (*ownName)(const QString&));

  // Reason of the last failed operation on this item, for messages to the user.
  QString LastError() const { return lastError_; }

 private:
  // Nil (with LastError) unless it is a regular file that could be opened.
  std::shared_ptr<QFile> OpenToRead();
  // ReadAll of at most `limit` bytes (all when -1).
  bool Read(QByteArray* data, qint64 limit);
  QString path_;
  QString lastError_;
  bool partlyRead_ = false;
  QStringList notKept_;
};

class TextOutputStream {
 public:
  ~TextOutputStream();  // without Close() the old file is left untouched
  void WriteLine(const QString& text);
  // Commits the file. False (with ErrorString) when anything in the write failed; the old file is
  // then still there, whole.
  bool Close();
  QString ErrorString() const { return error_; }

 private:
  friend class FolderItem;
  explicit TextOutputStream(std::unique_ptr<AtomicFile> file);
  std::unique_ptr<AtomicFile> file_;
  QByteArray pending_;
  QString error_;
  bool closed_ = false;
};

class TextInputStream {
 public:
  // The next line without its line end; "" at the end of the file.
  QString ReadLine();
  bool EOF_() const { return next_ >= lines_.size(); }
  void Close() {}

 private:
  friend class FolderItem;
  explicit TextInputStream(const QByteArray& content);
  QStringList lines_;
  qsizetype next_ = 0;
};

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
