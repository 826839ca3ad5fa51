#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "editfield.h"
#include "files.h"
#include "styledtextrtf.h"

namespace fw {

bool FolderItem::SaveStyledEditField(const EditField& field) {
  if (!field.Document()) {
    lastError_ = QStringLiteral("the field holds no styled text");
    return false;
  }
  return WriteAll(EncodeStyledRtf(*field.Document()));
}

bool FolderItem::OpenStyledEditField(EditField& field) {
  QTextDocument* doc = field.Document();
  if (!doc) {
    lastError_ = QStringLiteral("the field holds no styled text");
    return false;
  }
  QByteArray data;
  if (!ReadAll(&data)) return false;
  QString error;
  if (!DecodeStyledRtf(data, *doc, &error)) {
    lastError_ = error;
    return false;
  }
  // Typing goes on in the style of the text where the caret stands, as after opening any file.
  QTextCursor start(doc);
  field.TextEdit()->setTextCursor(start);
  field.ContentReplaced();
  return true;
}

}  // namespace fw
