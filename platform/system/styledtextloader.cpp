#include "platform/system/styledtextloader.h"

#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimerEvent>
#include <algorithm>

#include "platform/system/savedstate.h"

namespace fw {

StyledTextLoader::StyledTextLoader(QTextDocument* doc, EditField* field, std::unique_ptr<StyledRtfDecoder> decoder,
                                   StyledRtfDecoder::Read read, FolderItem::DamageFound damaged,
                                   FolderItem::NotKeptFound notKept)
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

void StyledTextLoader::Finish() {
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

void StyledTextLoader::timerEvent(QTimerEvent*) {
  if (building_) return;
  QElapsedTimer clock;
  clock.start();
  while (Step(finishAll_ ? kFinishStep : kStep) && (finishAll_ || clock.nsecsElapsed() < kTurnNs)) {}
  Announce();
}

void StyledTextLoader::Arm() {
  if (field_ && field_->Document() == doc_)
    field_->SetPendingContent([self = QPointer<StyledTextLoader>(this)] { if (self) self->Finish(); },
                              [self = QPointer<StyledTextLoader>(this)] { if (self) self->Drop(); });
}

void StyledTextLoader::Drop() {
  done_ = true;
  announce_ = false;
  timer_.stop();
  deleteLater();
}

void StyledTextLoader::Announce() {
  if (!announce_ || building_) return;
  announce_ = false;
  if (field_ && field_->Document() == doc_) emit field_->TextEdit()->textChanged();
}

bool StyledTextLoader::Step(qsizetype characters) {
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

}  // namespace fw
