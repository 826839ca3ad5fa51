#include <QStringList>
#include <QTextDocument>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

#include "platform/rtf/rtfkeyword.h"
#include "platform/rtf/rtfreader.h"
#include "platform/rtf/styledtextrtf.h"

namespace fw {

using namespace rtf;

struct StyledRtfDecoder::Impl {
  std::function<QByteArray(qsizetype)> source;
  RtfReader reader;
  RtfReader::BuildState state;
  bool undo = true;
  bool more = true;
};

StyledRtfDecoder::StyledRtfDecoder(const QByteArray& data) : impl_(std::make_unique<Impl>()) {
  impl_->reader.Feed(data, true);
}
StyledRtfDecoder::StyledRtfDecoder(std::function<QByteArray(qsizetype)> source) : impl_(std::make_unique<Impl>()) {
  impl_->source = std::move(source);
}
StyledRtfDecoder::~StyledRtfDecoder() = default;

// Pieces of the data are taken in as the reader gets to them, so that only a little of a long file
// is held at a time.
constexpr qsizetype kPiece = 256 * 1024;

StyledRtfDecoder::Read StyledRtfDecoder::Parse(qsizetype bytes, QString* error, bool* readPart) {
  if (readPart) *readPart = false;
  RtfReader& reader = impl_->reader;
  if (reader.Finished()) return Read::kWhole;
  RtfReader::Progress progress = RtfReader::Progress::kMore;
  for (qsizetype left = bytes; left > 0;) {
    if (reader.Hungry()) {
      // A piece that cannot be read ends the data: the text stops there as at any other damage.
      const QByteArray piece = impl_->source(kPiece);
      reader.Feed(piece, piece.isEmpty());
    }
    const qsizetype before = reader.Offset();
    progress = reader.Parse(error, left);
    if (progress != RtfReader::Progress::kMore) break;
    left -= reader.Offset() - before;
  }
  if (progress == RtfReader::Progress::kMore) return Read::kMore;
  const bool part = progress == RtfReader::Progress::kDamaged && reader.EndAtDamage();
  if (readPart) *readPart = part;
  return progress == RtfReader::Progress::kWhole ? Read::kWhole : Read::kDamaged;
}

bool StyledRtfDecoder::Parse(QString* error, bool* readPart) {
  return Parse(std::numeric_limits<qsizetype>::max(), error, readPart) == Read::kWhole;
}

qsizetype StyledRtfDecoder::Unbuilt() const { return impl_->reader.Unbuilt(impl_->state); }

QStringList StyledRtfDecoder::NotKept() const {
  const unsigned lost = impl_->reader.LostKinds();
  const std::pair<Lost, const char*> words[] = {
      {kFootnotes, "footnotes"}, {kPictures, "pictures"}, {kObjects, "embedded objects"}, {kDrawings, "drawings"},
      {kTables, "tables"},       {kFields, "fields"},     {kComments, "comments"}, {kHeaders, "headers and footers"},
  };
  QStringList kinds;
  for (const auto& [kind, word] : words)
    if (lost & kind) kinds << QString::fromLatin1(word);
  return kinds;
}

bool StyledRtfDecoder::Build(QTextDocument& doc, qsizetype characters) {
  if (!impl_->state.begun) impl_->undo = doc.isUndoRedoEnabled();
  if (impl_->more) impl_->more = impl_->reader.Build(doc, impl_->state, characters);
  if (!impl_->more) doc.setUndoRedoEnabled(impl_->undo);
  return impl_->more;
}

bool DecodeStyledRtf(const QByteArray& data, QTextDocument& doc, QString* error, bool* readPart) {
  bool part = false;
  StyledRtfDecoder decoder(data);
  const bool whole = decoder.Parse(error, &part);
  if (whole || (readPart && part)) decoder.Build(doc, std::numeric_limits<qsizetype>::max());
  if (readPart) *readPart = part;
  return whole;
}

}  // namespace fw
