#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTextDocument;

namespace fw {

// A Section's styled text on disk. We keep it as a small subset of RTF so that a Section stays
// readable in any word processor. Per character we keep: font family, point size (whole half
// points), bold, italic, underline and 24-bit foreground colour; a format without an explicit
// foreground counts as black. Properties a format leaves unset are resolved against the
// document's default font, so the file always says what the user saw.
//
// Each paragraph's own char format (QTextBlock::charFormat(), the style typed into an empty
// paragraph) travels as the formatting in force at its paragraph mark, which is what word
// processors read it as too. That is also how an empty document keeps its typing style. Every
// paragraph ends in its mark, the last one too, and a mark right before the end of a file opens
// no further paragraph, as in word processors; the files we wrote before they named their
// writer (an \*\generator group) ended the last paragraph without one and read as they did.
// East Asian and complex-script text also states its style where word processors look for it.
QByteArray EncodeStyledRtf(const QTextDocument& doc);

// Replaces the document's whole content with the decoded text and leaves it unmodified, with an
// empty undo history. Returns false and sets *error (if error is not null) to a short reason
// when the data cannot be read whole: not RTF, truncated, nested too deeply. On false the
// document is not touched, unless readPart is given: then the text read before the damage, if
// any, replaces the document's content and *readPart says so. RTF from other programs is read as far as this model goes,
// in the code pages it names; everything else in it (pictures, tables, styles, metadata) is
// skipped, and so is anything after the brace that closes the document.
bool DecodeStyledRtf(const QByteArray& data, QTextDocument& doc, QString* error, bool* readPart = nullptr);

// DecodeStyledRtf in steps, for a text long enough that the editor should show its start before
// the rest is in, and read long enough that reading it all at once would stop the program. The
// data is read on through Parse() and what is read is built into the document by Build(), in turns
// that may interleave. Parse(bytes, ...) reads about `bytes` more: kMore while data is left, then
// kWhole, or kDamaged with a reason (as above) and *readPart true when the text before the damage
// can still be built. Parse(error, readPart) reads all that is left and says whether the data was
// whole. The first Build() replaces the document's content with about `characters` of the text read
// so far and each next one appends as much again; it returns true while text is left to read or
// build. The document has no undo history until the last step, which restores the undo setting it
// had.
class StyledRtfDecoder {
 public:
  explicit StyledRtfDecoder(const QByteArray& data);
  // The data read from `source` as it is needed: each call returns up to the bytes asked for, and
  // nothing at the end of the data.
  explicit StyledRtfDecoder(std::function<QByteArray(qsizetype)> source);
  ~StyledRtfDecoder();
  enum class Read { kMore, kWhole, kDamaged };
  Read Parse(qsizetype bytes, QString* error, bool* readPart = nullptr);
  bool Parse(QString* error, bool* readPart = nullptr);
  // Characters read and not built yet.
  qsizetype Unbuilt() const;
  // What the data read so far holds that a document of this model cannot (footnotes, pictures,
  // tables...), in words for the user; empty for the files EncodeStyledRtf writes.
  QStringList NotKept() const;
  bool Build(QTextDocument& doc, qsizetype characters);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace fw
