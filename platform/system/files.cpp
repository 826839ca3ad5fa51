#include "platform/system/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system/atomicfile.h"

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

QString FolderItem::DisplayPath() const { return fw::DisplayPath(path_); }

FolderItem::FolderItem(QString path) : path_(std::move(path)) {}

FolderItemPtr FolderItem::Child(const QString& name) const {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
      name.contains(u'/') || name.contains(QChar(u'\0')))
    return nullptr;
  return std::make_shared<FolderItem>(path_ + u'/' + name);
}

bool FolderItem::Exists() const { return QFileInfo::exists(path_); }
bool FolderItem::Directory() const { return QFileInfo(path_).isDir(); }
QString FolderItem::Name() const { return QFileInfo(path_).fileName(); }

bool FolderItem::CreateAsFolder() {
  if (QDir().mkpath(path_)) return true;
  lastError_ = QStringLiteral("the folder could not be created");
  return false;
}

bool FolderItem::Delete() {
  const QFileInfo info(path_);
  const bool ok = info.isDir() ? QDir().rmdir(path_) : QFile::remove(path_);
  if (!ok) lastError_ = QStringLiteral("it could not be removed");
  return ok;
}

std::shared_ptr<TextOutputStream> FolderItem::CreateTextFile() {
  auto file = std::make_unique<AtomicFile>(path_);
  if (!file->Open()) {
    lastError_ = file->ErrorString();
    return nullptr;
  }
  return std::shared_ptr<TextOutputStream>(new TextOutputStream(std::move(file)));
}

std::shared_ptr<TextInputStream> FolderItem::OpenAsTextFile(qint64 limit) {
  QByteArray data;
  // One byte past the limit tells whether the file goes on.
  if (!Read(&data, limit < 0 ? -1 : limit + 1)) return nullptr;
  if (limit >= 0 && data.size() > limit) {
    data.truncate(limit);
    data.truncate(data.lastIndexOf('\n') + 1);
  }
  return std::shared_ptr<TextInputStream>(new TextInputStream(data));
}

std::shared_ptr<QFile> FolderItem::OpenToRead() {
  // Opened without waiting and looked at before anything is read: opening a pipe for reading
  // would otherwise wait for a writer that never comes.
  const int fd = ::open(path_.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastError_ = QString::fromLocal8Bit(std::strerror(errno));
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    lastError_ = S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
    ::close(fd);
    return nullptr;
  }
  auto f = std::make_shared<QFile>();
  if (!f->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    lastError_ = f->errorString();
    ::close(fd);
    return nullptr;
  }
  return f;
}

bool FolderItem::ReadAll(QByteArray* data) { return Read(data, -1); }

bool FolderItem::Read(QByteArray* data, qint64 limit) {
  const std::shared_ptr<QFile> f = OpenToRead();
  if (!f) return false;
  *data = limit < 0 ? f->readAll() : f->read(limit);
  if (f->error() != QFileDevice::NoError) {
    lastError_ = f->errorString();
    return false;
  }
  return true;
}

bool FolderItem::WriteAll(const QByteArray& data) {
  AtomicFile f(path_);
  if (!f.Open() || !f.Write(data) || !f.Commit()) {
    lastError_ = f.ErrorString();
    return false;
  }
  return true;
}

void FolderItem::RemoveLeftoverTemporaries(bool (*ownName)(const QString&)) {
  QDir dir(path_);
  const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : names)
    if (AtomicFile::IsLeftoverOf(name, ownName)) dir.remove(name);
}

TextOutputStream::TextOutputStream(std::unique_ptr<AtomicFile> file) : file_(std::move(file)) {}

TextOutputStream::~TextOutputStream() {
  if (!closed_ && file_) file_->Cancel();
}

void TextOutputStream::WriteLine(const QString& text) {
  if (closed_) return;
  pending_ += text.toUtf8();
  pending_ += '\n';
}

bool TextOutputStream::Close() {
  if (closed_) return error_.isEmpty();
  closed_ = true;
  if (!file_->Write(pending_) || !file_->Commit()) error_ = file_->ErrorString();
  pending_.clear();
  return error_.isEmpty();
}

TextInputStream::TextInputStream(const QByteArray& content) {
  QString text = QString::fromUtf8(content);
  // A file saved by an editor that marks UTF-8 with a byte-order mark reads like any other.
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  lines_ = text.split(u'\n');
  // A final line end does not start another line.
  if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
  for (QString& line : lines_)
    if (line.endsWith(u'\r')) line.chop(1);  // tolerate files edited on other systems
}

QString TextInputStream::ReadLine() {
  if (next_ >= lines_.size()) return QString();
  return lines_[next_++];
}

namespace SpecialFolder {
FolderItemPtr Preferences() {
  const QString path = ConfigFolder();
  if (path.isEmpty()) return nullptr;
  return std::make_shared<FolderItem>(path);
}
}  // namespace SpecialFolder

}  // namespace fw
