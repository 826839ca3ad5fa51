#pragma once
#include <QByteArray>
#include <QString>
#include <memory>

namespace fw {

class AtomicFile;

class TextOutputStream {
 public:
  ~TextOutputStream();  // without Close() the old file is left untouched
  void WriteLine(const QString& text);
  // Commits the file. False (with ErrorString) when anything in the write failed; the old file is
  // then still there, whole.
  bool Close();
  QString ErrorString() const { return error_; }

 private:
  friend class FolderItem;
  explicit TextOutputStream(std::unique_ptr<AtomicFile> file);
  std::unique_ptr<AtomicFile> file_;
  QByteArray pending_;
  QString error_;
  bool closed_ = false;
};

}  // namespace fw
