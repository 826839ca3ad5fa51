#include "platform/system/textinputstream.h"

namespace fw {

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

}  // namespace fw
