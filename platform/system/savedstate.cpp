#include "platform/system/savedstate.h"

#include <sys/stat.h>

#include <QFile>
#include <QTextDocument>
#include <QVariant>

namespace fw {

FileStamp StampOf(const QString& path) {
  struct stat st;
  FileStamp s;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.valid = true;
  s.size = st.st_size;
  s.inode = qint64(st.st_ino);
  s.device = qint64(st.st_dev);
  s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return s;
}

SavedState::SavedState(QTextDocument* doc) : QObject(doc) {
  connect(doc, &QTextDocument::contentsChange, this, [this] {
    if (!loading_) ++revision_;
  });
}

SavedState* SavedState::Of(const QTextDocument* doc) {
  auto* state = static_cast<SavedState*>(doc->property(kProperty).value<QObject*>());
  if (!state) {
    auto* d = const_cast<QTextDocument*>(doc);
    state = new SavedState(d);
    d->setProperty(kProperty, QVariant::fromValue<QObject*>(state));
  }
  return state;
}

bool SavedState::StillMatches(const QString& path) const {
  return path == path_ && matched_ == revision_ && stamp_ == StampOf(path);
}

}  // namespace fw
