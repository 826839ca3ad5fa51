#pragma once
// Private to the platform library: FolderItem's styled save and load, and its loader.

#include <QObject>
#include <QString>

class QTextDocument;

namespace fw {

// What a file on disk was when this document last matched it: without a change to either since,
// saving would write the same bytes again (for a big Section, a long wait for nothing).
struct FileStamp {
  bool valid = false;
  qint64 size = 0, inode = 0, device = 0, mtimeNs = 0;
  bool operator==(const FileStamp& o) const {
    return valid && o.valid && size == o.size && inode == o.inode && device == o.device && mtimeNs == o.mtimeNs;
  }
};

FileStamp StampOf(const QString& path);

// Kept with the document: every change of its text or of any style counts a revision, so the
// file it matches is known for as long as it stays unchanged.
class SavedState : public QObject {
 public:
  explicit SavedState(QTextDocument* doc);
  static SavedState* Of(const QTextDocument* doc);
  void Matches(const QString& path, const FileStamp& stamp) {
    path_ = path;
    stamp_ = stamp;
    matched_ = revision_;
  }
  // The rest of the loaded text coming in is no change.
  void SetLoading(bool on) { loading_ = on; }
  // Damage found late in the file: the text shown is not all of it, so the next save writes it.
  void Unmatch() { matched_ = ~quint64(0); }
  bool StillMatches(const QString& path) const;
  // Whatever became of the file since: what the user typed is the question, not what others wrote.
  bool UnchangedSinceFile() const { return !path_.isEmpty() && matched_ == revision_; }

 private:
  static constexpr const char* kProperty = "fw.savedState";
  quint64 revision_ = 0, matched_ = ~quint64(0);
  bool loading_ = false;
  QString path_;
  FileStamp stamp_;
};

}  // namespace fw
