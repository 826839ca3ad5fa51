#include "filefaults.h"

#include <QFileInfo>
#include <QHash>

namespace FileFaults {

namespace {
struct Pending {
  fw::AtomicFile::Step step;
  fw::AtomicFile::Fault fault;
};
QHash<QString, Pending>& Faults() {
  static QHash<QString, Pending> faults;
  return faults;
}

std::optional<fw::AtomicFile::Fault> Consult(const QString& target, fw::AtomicFile::Step step) {
  auto it = Faults().find(QFileInfo(target).fileName());
  if (it == Faults().end() || it->step != step) return std::nullopt;
  return Faults().take(it.key()).fault;
}

void Add(const QString& fileName, fw::AtomicFile::Step step, fw::AtomicFile::Fault fault) {
  Faults().insert(fileName, Pending{step, std::move(fault)});
  fw::AtomicFile::SetFaultPoint(&Consult);
}
}  // namespace

void FailAt(const QString& fileName, fw::AtomicFile::Step step, int error) { Add(fileName, step, {error, QString()}); }

void FailWrite(const QString& fileName, const QString& reason) {
  Add(fileName, fw::AtomicFile::Step::Write, {0, reason});
}

}  // namespace FileFaults
