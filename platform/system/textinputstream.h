#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fw {

class TextInputStream {
 public:
  // The next line without its line end; "" at the end of the file.
  QString ReadLine();
  bool EOF_() const { return next_ >= lines_.size(); }
  void Close() {}

 private:
  friend class FolderItem;
  explicit TextInputStream(const QByteArray& content);
  QStringList lines_;
  qsizetype next_ = 0;
};

}  // namespace fw
