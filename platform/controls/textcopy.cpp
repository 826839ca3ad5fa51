#include "platform/controls/textcopy.h"

#include <QTextDocument>

#include "platform/controls/attachedto.h"
#include "platform/system/strings.h"

namespace fw {

TextCopy& TextCopy::Of(QTextDocument* doc) { return AttachedTo<TextCopy>(doc, "fw.textCopy"); }

TextCopy::TextCopy(QTextDocument* doc) : QObject(doc), doc_(doc) {
  connect(doc, &QTextDocument::contentsChange, this, [this] { text_ = QString(); valid_ = false; });
}

QString TextCopy::Get() {
  // A change inside an edit block still open is signalled only when the block closes; one that
  // changed the length is seen here already.
  if (!valid_ || text_.size() != doc_->characterCount() - 1) {
    text_ = Unseparated(doc_->toRawText());
    valid_ = true;
  }
  return text_;
}

}  // namespace fw
