#pragma once
#include <QString>
#include <QStringList>

namespace fw {

// A document type the program declares. Converting it to a string registers it with the
// framework; nothing on this platform looks the types up, but the declared list is kept.
class FileType {
 public:
  QString Name;
  QString Extensions;
  QString MacType;
  QString MacCreator;
  QString Operator_Convert() const;
  static const QStringList& Registered();
};

}  // namespace fw
