#include "platform/system/atomicfile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {
AtomicFile::FaultPoint g_faultPoint = nullptr;

// The same shape as the temporary files of earlier versions, so that one rule finds the
// leftovers of both: the target's name, a dot and six letters or digits.
constexpr int kSuffixLength = 6;
QString RandomSuffix() {
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  QString s;
  for (int i = 0; i < kSuffixLength; ++i) s += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
  return s;
}

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// Makes a rename in `folder` outlast a power cut, as far as the file system can.
void SyncFolder(const QString& folder) {
  const int dir = ::open(folder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}
}  // namespace

AtomicFile::AtomicFile(QString path) : target_(std::move(path)) {}

AtomicFile::~AtomicFile() { Cancel(); }

bool AtomicFile::Fail(int error) {
  if (error_.isEmpty()) error_ = SystemReason(error);
  Cancel();
  return false;
}

bool AtomicFile::FaultAt(Step step) {
  if (!g_faultPoint) return false;
  const std::optional<Fault> fault = g_faultPoint(target_, step);
  if (!fault) return false;
  error_ = fault->reason.isEmpty() ? SystemReason(fault->error) : fault->reason;
  Cancel();
  return true;
}

bool AtomicFile::Open() {
  // A link is followed, so that the file it names is replaced and the link stays a link.
  const QFileInfo info(target_);
  if (info.isSymLink() && info.exists()) target_ = info.canonicalFilePath();
  struct stat st {};
  if (::stat(target_.toLocal8Bit().constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error_ = QStringLiteral("it is a folder");
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      // Renaming over a pipe or a device would replace something that is not ours to replace.
      error_ = QStringLiteral("it is not a regular file");
      return false;
    }
    // The owner keeps reading and writing it: a file replaced because it could not be read must
    // not come back unreadable, or its next showing is empty and the save after overwrites it.
    mode_ = static_cast<int>((st.st_mode & 07777) | S_IRUSR | S_IWUSR);
  }
  if (FaultAt(Step::Open)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString candidate = target_ + u'.' + RandomSuffix();
    fd_ = ::open(candidate.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_ = candidate;
      // A replacement that could not take the old file's permissions would change who may read
      // the file: the old one stays instead.
      if (mode_ >= 0) {
        if (FaultAt(Step::Permissions)) return false;
        if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) return Fail(errno);
      }
      return true;
    }
    if (errno != EEXIST) return Fail(errno);
  }
  return Fail(EEXIST);
}

bool AtomicFile::Write(const QByteArray& data) {
  if (fd_ < 0) {
    if (error_.isEmpty()) error_ = QStringLiteral("the file is not open");
    return false;
  }
  if (FaultAt(Step::Write)) return false;
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(ENOSPC);  // a write that takes nothing will never finish
    p += n;
    left -= n;
  }
  return true;
}

bool AtomicFile::Commit() {
  if (fd_ < 0) {
    if (error_.isEmpty()) error_ = QStringLiteral("the file is not open");
    return false;
  }
  if (FaultAt(Step::Sync)) return false;
  if (::fdatasync(fd_) != 0) return Fail(errno);
  if (FaultAt(Step::Close)) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Fail(errno);
  if (FaultAt(Step::Rename)) return false;
  if (::rename(temp_.toLocal8Bit().constData(), target_.toLocal8Bit().constData()) != 0) return Fail(errno);
  temp_.clear();
  // From here on the new file is in place under its name, whole: what follows only makes the
  // new name outlast a power cut. A folder that cannot be synced does not make the file unsaved,
  // and a caller told "not saved" would keep asking for a save that already happened.
  if (FaultAt(Step::SyncFolder))
    error_.clear();  // as a failed sync: the file is saved all the same
  else
    SyncFolder(FolderOf(target_));
  return true;
}

void AtomicFile::Cancel() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.isEmpty()) {
    ::unlink(temp_.toLocal8Bit().constData());
    temp_.clear();
  }
}

bool AtomicFile::IsLeftoverOf(const QString& fileName, bool (*ownName)(const QString&)) {
  const qsizetype cut = fileName.size() - kSuffixLength - 1;
  if (cut <= 0 || fileName[cut] != u'.') return false;
  for (qsizetype i = cut + 1; i < fileName.size(); ++i) {
    const char16_t c = fileName[i].unicode();
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))) return false;
  }
  return ownName(fileName.left(cut));
}

void AtomicFile::SetFaultPoint(FaultPoint point) { g_faultPoint = point; }

}  // namespace fw
