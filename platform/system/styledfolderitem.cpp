#include <sys/stat.h>

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimerEvent>
#include <algorithm>
#include <limits>
#include <memory>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/text/documentlayout.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "platform/rtf/styledtextrtf.h"

namespace fw {

namespace {
// What a file on disk was when this document last matched it: without a change to either since,
// saving would write the same bytes again (for a big Section, a long wait for nothing).
struct FileStamp {
  bool valid = false;
  qint64 size = 0, inode = 0, device = 0, mtimeNs = 0;
  bool operator==(const FileStamp& o) const {
    return valid && o.valid && size == o.size && inode == o.inode && device == o.device && mtimeNs == o.mtimeNs;
  }
};

FileStamp StampOf(const QString& path) {
  struct stat st;
  FileStamp s;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.valid = true;
  s.size = st.st_size;
  s.inode = qint64(st.st_ino);
  s.device = qint64(st.st_dev);
  s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return s;
}

// Kept with the document: every change of its text or of any style counts a revision, so the
// file it matches is known for as long as it stays unchanged.
class SavedState : public QObject {
 public:
  explicit SavedState(QTextDocument* doc) : QObject(doc) {
    connect(doc, &QTextDocument::contentsChange, this, [this] {
      if (!loading_) ++revision_;
    });
  }
  static SavedState* Of(const QTextDocument* doc) {
    auto* state = static_cast<SavedState*>(doc->property(kProperty).value<QObject*>());
    if (!state) {
      auto* d = const_cast<QTextDocument*>(doc);
      state = new SavedState(d);
      d->setProperty(kProperty, QVariant::fromValue<QObject*>(state));
    }
    return state;
  }
  void Matches(const QString& path, const FileStamp& stamp) {
    path_ = path;
    stamp_ = stamp;
    matched_ = revision_;
  }
  // The rest of the loaded text coming in is no change.
  void SetLoading(bool on) { loading_ = on; }
  // Damage found late in the file: the text shown is not all of it, so the next save writes it.
  void Unmatch() { matched_ = ~quint64(0); }
  bool StillMatches(const QString& path) const {
    return path == path_ && matched_ == revision_ && stamp_ == StampOf(path);
  }
  // Whatever became of the file since: what the user typed is the question, not what others wrote.
  bool UnchangedSinceFile() const { return !path_.isEmpty() && matched_ == revision_; }

 private:
  static constexpr const char* kProperty = "fw.savedState";
  quint64 revision_ = 0, matched_ = ~quint64(0);
  bool loading_ = false;
  QString path_;
  FileStamp stamp_;
};

// The editor shows a long text once this much of it is in (a few screens, a few milliseconds)...
constexpr qsizetype kShownFirst = 64 * 1024;
// ...and takes in the rest from the event loop, this much at a time, for about this long a turn.
constexpr qsizetype kStep = 32 * 1024;
constexpr qint64 kTurnNs = 8'000'000;
// A file is read this far at once, so that damage in a short one is told as it opens; a long one
// is read on from the event loop, this much at a time, as the text read gets built.
constexpr qsizetype kReadFirst = 1024 * 1024;
constexpr qsizetype kReadStep = 128 * 1024;
// Reading on at once for a first screen of text stops here (a file of pictures, say).
constexpr qsizetype kReadFirstAtMost = 8 * 1024 * 1024;
// When the rest is needed at once it is still read and built in pieces this big, so that the text
// read is never held whole beside the document.
constexpr qsizetype kFinishStep = 4 * 1024 * 1024;

class Loader : public QObject {
 public:
  Loader(QTextDocument* doc, EditField* field, std::unique_ptr<StyledRtfDecoder> decoder, StyledRtfDecoder::Read read,
         FolderItem::DamageFound damaged, FolderItem::NotKeptFound notKept)
      : QObject(doc),
        doc_(doc),
        field_(field),
        decoder_(std::move(decoder)),
        read_(read),
        damaged_(std::move(damaged)),
        notKept_(std::move(notKept)) {
    Arm();
    timer_.start(0, this);
  }

  void Finish() {
    if (building_) {
      // Reached from inside a step (a listener of the document's own signals): nothing can be
      // built in the middle of a build, so the step under way takes in the rest once its build
      // returns, and the field still has it to finish meanwhile.
      finishAll_ = true;
      Arm();
      return;
    }
    while (Step(kFinishStep)) {}
    Announce();
  }

 protected:
  void timerEvent(QTimerEvent*) override {
    if (building_) return;
    QElapsedTimer clock;
    clock.start();
    while (Step(finishAll_ ? kFinishStep : kStep) && (finishAll_ || clock.nsecsElapsed() < kTurnNs)) {}
    Announce();
  }

 private:
  void Arm() {
    if (field_ && field_->Document() == doc_)
      field_->SetPendingContent([self = QPointer<Loader>(this)] { if (self) self->Finish(); },
                                [self = QPointer<Loader>(this)] { if (self) self->Drop(); });
  }

  // The text is replaced whole: the rest is not wanted. A build under way ends as it stands.
  void Drop() {
    done_ = true;
    announce_ = false;
    timer_.stop();
    deleteLater();
  }

  // The editor's listeners hear of the text a step built once the step is over, never from
  // inside the build: one that needs the whole text (reads it, saves it) then finishes the load
  // there, and none is ever given part of the text while the field counts it as whole.
  void Announce() {
    if (!announce_ || building_) return;
    announce_ = false;
    if (field_ && field_->Document() == doc_) emit field_->TextEdit()->textChanged();
  }

  bool Step(qsizetype characters) {
    if (done_ || building_) return false;
    if (read_ == StyledRtfDecoder::Read::kMore && decoder_->Unbuilt() < characters)
      read_ = decoder_->Parse(std::max(kReadStep, characters), &error_, &readPart_);
    SavedState* state = SavedState::Of(doc_);
    bool more = false;
    {
      const QSignalBlocker quiet(field_ && field_->Document() == doc_ ? field_->TextEdit() : nullptr);
      building_ = true;
      state->SetLoading(true);
      more = decoder_->Build(*doc_, characters);
      state->SetLoading(false);
      building_ = false;
    }
    if (done_) return false;  // dropped from inside the build
    announce_ = true;
    if (!more) {
      done_ = true;
      timer_.stop();
      if (field_ && field_->Document() == doc_) field_->SetPendingContent(nullptr);
      deleteLater();
      // Told last: the message may run an event loop, and this loader is done.
      if (read_ == StyledRtfDecoder::Read::kDamaged) {
        state->Unmatch();
        if (FolderItem::DamageFound tell = std::move(damaged_)) tell(error_, readPart_);
      } else if (const QStringList kinds = decoder_->NotKept(); !kinds.isEmpty()) {
        state->Unmatch();
        if (FolderItem::NotKeptFound tell = std::move(notKept_)) tell(kinds);
      }
    }
    return more;
  }

  QTextDocument* doc_;
  QPointer<EditField> field_;
  std::unique_ptr<StyledRtfDecoder> decoder_;
  StyledRtfDecoder::Read read_;
  FolderItem::DamageFound damaged_;
  FolderItem::NotKeptFound notKept_;
  QString error_;
  bool readPart_ = false;
  QBasicTimer timer_;
  bool done_ = false;
  bool building_ = false;   // a step's build is under way
  bool finishAll_ = false;  // the rest is wanted at once
  bool announce_ = false;   // text came in that the editor's listeners have not heard of
};
}  // namespace

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
  // rest of a long text follows from the event loop (Loader).
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
    if (partlyRead_) new Loader(fresh, &field, std::move(decoder), read, {}, {});
    else new Loader(fresh, &field, std::move(decoder), read, std::move(damagedLater), std::move(notKeptLater));
  }
  // Told once the rest is on its way: a listener that reads the text then has all of it.
  field.ContentReplaced();
  return !partlyRead_;
}

}  // namespace fw
