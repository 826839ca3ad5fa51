#include <QFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

#include "platform/text/documentlayout.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/system/savedstate.h"
#include "platform/system/styledtextloader.h"

namespace fw {

bool FolderItem::SaveStyledEditField(const EditField& field) {
  const QTextDocument* doc = field.Document();
  if (!doc) {
    lastError_ = QStringLiteral("the field holds no styled text");
    return false;
  }
  SavedState* state = SavedState::Of(doc);
  if (state->StillMatches(path_)) return true;
  field.FinishContent();
  if (!WriteAll(EncodeStyledRtf(*doc))) return false;
  state->Matches(path_, StampOf(path_));
  return true;
}

bool FolderItem::StyledTextSaved(const EditField& field) {
  const QTextDocument* doc = field.Document();
  return doc && SavedState::Of(doc)->UnchangedSinceFile();
}

bool FolderItem::OpenStyledEditField(EditField& field, DamageFound damagedLater, NotKeptFound notKeptLater) {
  QTextDocument* doc = field.Document();
  if (!doc) {
    lastError_ = QStringLiteral("the field holds no styled text");
    return false;
  }
  // Taken before the read: a change while it reads then counts as a change.
  const FileStamp stamp = StampOf(path_);
  // Read as the text gets built: a long file is neither read in one go nor held whole.
  const std::shared_ptr<QFile> file = OpenToRead();
  if (!file) return false;
  // The start is built apart from the editor and swapped in: an editor on screen would otherwise
  // react to every piece as it arrives (and clearing its old text costs as much as loading). The
  // rest of a long text follows from the event loop (StyledTextLoader).
  QTextEdit* edit = field.TextEdit();
  auto* fresh = new QTextDocument(edit);
  fresh->setDefaultFont(doc->defaultFont());
  fresh->setDefaultTextOption(doc->defaultTextOption());
  fresh->setDocumentMargin(doc->documentMargin());
  // The editor's width, so that the text is first laid out as it will be shown.
  fresh->setPageSize(doc->pageSize());
  fresh->setUndoRedoEnabled(doc->isUndoRedoEnabled());
  auto decoder = std::make_unique<StyledRtfDecoder>([file](qsizetype bytes) { return file->read(bytes); });
  QString error;
  bool readPart = false;
  partlyRead_ = false;
  notKept_.clear();
  StyledRtfDecoder::Read read = decoder->Parse(kReadFirst, &error, &readPart);
  for (qsizetype bytes = kReadFirst;
       read == StyledRtfDecoder::Read::kMore && decoder->Unbuilt() < kShownFirst && bytes < kReadFirstAtMost;
       bytes += kReadStep)
    read = decoder->Parse(kReadStep, &error, &readPart);
  if (read == StyledRtfDecoder::Read::kDamaged) {
    lastError_ = error;
    if (!readPart) {
      delete fresh;
      return false;
    }
    // The text before the damage is shown rather than nothing; the caller says it is not all.
    partlyRead_ = true;
  }
  const bool more = decoder->Build(*fresh, kShownFirst);
  fresh->setProperty("tavrinLoaded", true);
  // Set after the start is in, so that the layout starts from it once.
  fresh->setDocumentLayout(new DocumentLayout(fresh));
  // The editor deletes the document it made itself; one loaded here is ours to delete.
  const bool oursToDelete = doc->property("tavrinLoaded").toBool();
  edit->setDocument(fresh);
  if (oursToDelete) delete doc;
  // Typing goes on in the style of the text where the caret stands, as after opening any file.
  QTextCursor start(fresh);
  edit->setTextCursor(start);
  // What the file holds beyond the text shown is the caller's to tell once it is all read.
  if (!more && read == StyledRtfDecoder::Read::kWhole) notKept_ = decoder->NotKept();
  // A text read only in part, or without parts of its file, differs from the file: the next save
  // writes it.
  if (!partlyRead_ && notKept_.isEmpty()) SavedState::Of(fresh)->Matches(path_, stamp);
  // Damage found here is the caller's to tell (this answers false); the loader tells only what it
  // finds itself.
  if (more) {
    if (partlyRead_) new StyledTextLoader(fresh, &field, std::move(decoder), read, {}, {});
    else new StyledTextLoader(fresh, &field, std::move(decoder), read, std::move(damagedLater), std::move(notKeptLater));
  }
  // Told once the rest is on its way: a listener that reads the text then has all of it.
  field.ContentReplaced();
  return !partlyRead_;
}

}  // namespace fw
