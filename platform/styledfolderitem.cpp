#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "documentlayout.h"
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
  // Built apart from the editor and swapped in whole: an editor on screen would otherwise react
  // to every piece as it arrives (and clearing its old text costs as much as loading).
  QTextEdit* edit = field.TextEdit();
  auto* fresh = new QTextDocument(edit);
  fresh->setDefaultFont(doc->defaultFont());
  fresh->setDefaultTextOption(doc->defaultTextOption());
  fresh->setDocumentMargin(doc->documentMargin());
  QString error;
  bool readPart = false;
  partlyRead_ = false;
  if (!DecodeStyledRtf(data, *fresh, &error, &readPart)) {
    lastError_ = error;
    if (!readPart) {
      delete fresh;
      return false;
    }
    // The text before the damage is shown rather than nothing; the caller says it is not all.
    partlyRead_ = true;
  }
  fresh->setUndoRedoEnabled(doc->isUndoRedoEnabled());
  // Set after the text is in, so that the layout starts from the whole text once.
  fresh->setDocumentLayout(new DocumentLayout(fresh));
  fresh->setProperty("tavrinLoaded", true);
  // The editor deletes the document it made itself; one loaded here is ours to delete.
  const bool oursToDelete = doc->property("tavrinLoaded").toBool();
  edit->setDocument(fresh);
  if (oursToDelete) delete doc;
  // Typing goes on in the style of the text where the caret stands, as after opening any file.
  QTextCursor start(fresh);
  edit->setTextCursor(start);
  field.ContentReplaced();
  return !partlyRead_;
}

}  // namespace fw
