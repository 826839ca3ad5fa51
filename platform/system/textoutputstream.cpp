#include "platform/system/textoutputstream.h"

#include "platform/system/atomicfile.h"

namespace fw {

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

}  // namespace fw
