#include "platform/system/filetype.h"

namespace fw {

namespace {
QStringList& Types() {
  static QStringList types;
  return types;
}
}  // namespace

QString FileType::Operator_Convert() const {
  if (!Types().contains(Name)) Types() << Name;
  return Name;
}

const QStringList& FileType::Registered() { return Types(); }

}  // namespace fw
