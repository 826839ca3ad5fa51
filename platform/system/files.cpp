#include "platform/system/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {
// Folders opened by the bytes of their names: the link to each, and its name for messages.
struct ByteNamedFolder {
  QByteArray bytes;
  QString link;
  QString shown;
};
std::vector<ByteNamedFolder>& ByteNamedFolders() {
  static std::vector<ByteNamedFolder> folders;
  return folders;
}

// The configuration folder's name as the environment gives it, the way Qt picks it.
QByteArray ConfigFolderBytes() {
  QByteArray bytes = qgetenv("XDG_CONFIG_HOME");
  if (!bytes.isEmpty()) return bytes;
  bytes = qgetenv("HOME");
  return (bytes.isEmpty() ? QByteArray("/") : bytes) + "/.config";
}

bool MakeFoldersByBytes(const QByteArray& bytes) {
  struct stat st {};
  if (::stat(bytes.constData(), &st) == 0) return S_ISDIR(st.st_mode);
  const qsizetype slash = bytes.lastIndexOf('/', bytes.endsWith('/') ? bytes.size() - 2 : -1);
  if (slash > 0 && !MakeFoldersByBytes(bytes.left(slash))) return false;
  return ::mkdir(bytes.constData(), 0700) == 0 || errno == EEXIST;
}

// The link that reaches the folder named by `bytes`, opened (and made) once per run and kept open
// for the rest of it; "" when it cannot be had.
QString FolderByBytes(const QByteArray& bytes) {
  std::vector<ByteNamedFolder>& folders = ByteNamedFolders();
  for (const ByteNamedFolder& f : folders)
    if (f.bytes == bytes) return f.link;
  if (!MakeFoldersByBytes(bytes)) return QString();
  const int fd = ::open(bytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return QString();
  const QString link = QStringLiteral("/proc/self/fd/") + QString::number(fd);
  if (!QFileInfo(link).isDir()) {  // no /proc: better no folder than a look-alike
    ::close(fd);
    return QString();
  }
  folders.push_back({bytes, link, QFile::decodeName(bytes)});
  return link;
}

QString ConfigFolder() {
  const QString standard = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QByteArray bytes = ConfigFolderBytes();
  const QString decoded = QFile::decodeName(bytes);
  // Only a name that the decoding changed, and that is the one Qt took.
  if (QFile::encodeName(decoded) == bytes || QDir::cleanPath(decoded) != QDir::cleanPath(standard)) return standard;
  return FolderByBytes(bytes);
}
}  // namespace

QString DisplayPath(const QString& path) {
  for (const ByteNamedFolder& f : ByteNamedFolders())
    if (path == f.link || path.startsWith(f.link + u'/')) return f.shown + path.mid(f.link.size());
  return path;
}

namespace SpecialFolder {
FolderItemPtr Preferences() {
  const QString path = ConfigFolder();
  if (path.isEmpty()) return nullptr;
  return std::make_shared<FolderItem>(path);
}
}  // namespace SpecialFolder

}  // namespace fw
