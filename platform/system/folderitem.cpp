#include "platform/system/folderitem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system/atomicfile.h"
#include "platform/system/files.h"
#include "platform/system/textinputstream.h"
#include "platform/system/textoutputstream.h"

namespace fw {

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

}  // namespace fw
