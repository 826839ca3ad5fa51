#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

namespace fw {

namespace {
QHash<QString, QString>& InjectedFailures() {
  static QHash<QString, QString> failures;
  return failures;
}
QString& PreferencesOverride() {
  static QString path;
  return path;
}
}  // namespace

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
  auto file = std::make_unique<QSaveFile>(path_);
  if (!file->open(QIODevice::WriteOnly)) {
    lastError_ = file->errorString();
    return nullptr;
  }
  return std::shared_ptr<TextOutputStream>(new TextOutputStream(std::move(file)));
}

std::shared_ptr<TextInputStream> FolderItem::OpenAsTextFile() {
  QByteArray data;
  if (!ReadAll(&data)) return nullptr;
  return std::shared_ptr<TextInputStream>(new TextInputStream(data));
}

bool FolderItem::ReadAll(QByteArray* data) {
  QFile f(path_);
  if (QFileInfo(path_).isDir()) {
    lastError_ = QStringLiteral("it is a folder");
    return false;
  }
  if (!f.open(QIODevice::ReadOnly)) {
    lastError_ = f.errorString();
    return false;
  }
  *data = f.readAll();
  if (f.error() != QFileDevice::NoError) {
    lastError_ = f.errorString();
    return false;
  }
  return true;
}

bool FolderItem::WriteAll(const QByteArray& data) {
  QSaveFile f(path_);
  if (!f.open(QIODevice::WriteOnly)) {
    lastError_ = f.errorString();
    return false;
  }
  const QString name = Name();
  if (InjectedFailures().contains(name)) {
    lastError_ = InjectedFailures().take(name);
    f.cancelWriting();
    return false;
  }
  if (f.write(data) != data.size() || !f.commit()) {
    lastError_ = f.errorString();
    return false;
  }
  return true;
}

TextOutputStream::TextOutputStream(std::unique_ptr<QSaveFile> file) : file_(std::move(file)) {}

TextOutputStream::~TextOutputStream() {
  if (!closed_ && file_) file_->cancelWriting();
}

void TextOutputStream::WriteLine(const QString& text) {
  if (closed_) return;
  QByteArray bytes = text.toUtf8();
  bytes.append('\n');
  if (file_->write(bytes) != bytes.size() && error_.isEmpty()) error_ = file_->errorString();
}

bool TextOutputStream::Close() {
  if (closed_) return error_.isEmpty();
  closed_ = true;
  const QString name = QFileInfo(file_->fileName()).fileName();
  if (InjectedFailures().contains(name)) {
    error_ = InjectedFailures().take(name);
    file_->cancelWriting();
    return false;
  }
  if (!error_.isEmpty()) {
    file_->cancelWriting();
    return false;
  }
  if (!file_->commit()) {
    error_ = file_->errorString();
    return false;
  }
  return true;
}

void TextOutputStream::InjectFailureForTesting(const QString& fileName, const QString& reason) {
  InjectedFailures().insert(fileName, reason);
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
  QString path = PreferencesOverride();
  if (path.isEmpty()) path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (path.isEmpty()) return nullptr;
  return std::make_shared<FolderItem>(path);
}
void SetPreferencesForTesting(const QString& path) { PreferencesOverride() = path; }
}  // namespace SpecialFolder

}  // namespace fw
