#pragma once
// Private to the platform library: FolderItem's styled load shows the start of a long text and
// leaves the rest to this loader.

#include <QBasicTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "platform/controls/editfield.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/system/folderitem.h"

class QTextDocument;
class QTimerEvent;

namespace fw {

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

class StyledTextLoader : public QObject {
 public:
  StyledTextLoader(QTextDocument* doc, EditField* field, std::unique_ptr<StyledRtfDecoder> decoder,
                   StyledRtfDecoder::Read read, FolderItem::DamageFound damaged, FolderItem::NotKeptFound notKept);

  void Finish();

 protected:
  void timerEvent(QTimerEvent*) override;

 private:
  void Arm();

  // The text is replaced whole: the rest is not wanted. A build under way ends as it stands.
  void Drop();

  // The editor's listeners hear of the text a step built once the step is over, never from
  // inside the build: one that needs the whole text (reads it, saves it) then finishes the load
  // there, and none is ever given part of the text while the field counts it as whole.
  void Announce();

  bool Step(qsizetype characters);

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

}  // namespace fw
