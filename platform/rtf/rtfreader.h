#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/rtf/rtfcodepagedecoder.h"
#include "platform/rtf/rtfgroupstate.h"
#include "platform/rtf/rtfkeyword.h"
#include "platform/rtf/rtftokenizer.h"
#include "platform/rtf/interntable.h"
#include "platform/rtf/styledtextrtfstyle.h"

class QTextDocument;

namespace fw::rtf {

// An RTF file read into the text, runs and paragraphs of this model, and built from them into a
// document; also what it holds that the model has no place for.
class RtfReader {
 public:
  // The data comes in pieces, `last` with the last one; each is given once the reader is hungry.
  void Feed(const QByteArray& more, bool last) { tokens_.Feed(more, last); }
  bool Hungry() const { return tokens_.Hungry(); }

  enum class Progress { kMore, kWhole, kDamaged };
  // Reads on from where the last call stopped, through about `bytes` more of the data; kMore also
  // when it is hungry.
  Progress Parse(QString* error, qsizetype bytes);
  bool Finished() const { return finished_; }
  unsigned LostKinds() const { return lost_; }
  // Once read through: a long build should not hold the data too.
  void Drop() {
    finished_ = true;
    tokens_.Drop();
  }
  qsizetype Offset() const { return tokens_.Offset(); }

  // Where a build stands: the next paragraph, and the next run in it once it has begun.
  struct BuildState {
    std::vector<std::optional<QTextCharFormat>> formats;
    size_t paragraph = 0;
    size_t run = 0;
    qsizetype inRun = 0;     // characters of that run already in
    qsizetype text = 0;      // characters of the whole text already in
    bool begun = false;      // the document was cleared
    bool inParagraph = false;
    // The paragraph being read while it was begun: its own format is known only at its end.
    QTextBlock markLater;
    int markGiven = -1;  // the format it was begun with
  };
  // Appends the next runs, about `characters` of text at most, as far as the text is read; false
  // once all of it is read and in.
  bool Build(QTextDocument& doc, BuildState& state, qsizetype characters);
  // Characters read and not yet built.
  qsizetype Unbuilt(const BuildState& state) const;
  // After a Parse that failed part-way: closes what was read so far so that Build shows it.
  // False when nothing of the text was read.
  bool EndAtDamage();

 private:
  using Group = RtfGroupState;
  using Dest = Group::Dest;
  using Associated = Group::Associated;

  struct Run {
    qsizetype start;
    qsizetype length;
    int style;
  };
  struct Paragraph {
    size_t firstRun;
    int mark;  // style at the paragraph mark: the paragraph's own char format
  };

  bool Fail(QString* error, const QString& reason) {
    if (error) *error = reason;
    return false;
  }
  bool FailAt(QString* error, const char* what) {
    return Fail(error, QStringLiteral("%1 at byte %2").arg(QLatin1String(what)).arg(Offset()));
  }
  bool FailEof(QString* error) {
    return Fail(error, QStringLiteral("unexpected end of file at byte %1").arg(tokens_.EndOffset()));
  }

  bool Begin(QString* error);
  bool ParseControl(QString* error);
  void HandleWord(std::string_view word, bool hasParam, int param);
  bool SkipGroup(QString* error);
  void CloseGroup();
  void EmitChar(char16_t c);
  void EmitAscii(const char* s, qsizetype n);
  void EmitByte(unsigned char b);
  void FlushBytes();
  int CodePageHere() const;
  Associated* AssociatedHere();
  void EndParagraph();
  int CurrentStyle(Script script = Script::kWestern);
  void CommitFont();
  void CommitColor();

  void Touch() { std::fill(std::begin(groups_.back().style), std::end(groups_.back().style), -1); }

  RtfTokenizer tokens_;
  bool begun_ = false;
  bool finished_ = false;
  bool earlierHeader_ = false;

  std::vector<Group> groups_;
  int ucSkip_ = 0;  // fallback characters still to drop after a \u
  bool starPending_ = false;
  int defaultFont_ = -1;

  bool sawGenerator_ = false;
  unsigned lost_ = kNoneLost;  // Lost kinds seen
  // Of the skipped group being read: what it loses once text shows in it.
  unsigned lostIfShown_ = kNoneLost;
  bool complexGiven_ = false;  // an \af \afs \ab or \ai in an \rtlch run was seen
  Script script_ = Script::kWestern;  // of the last character of the paragraph so far

  int documentCodePage_ = kWesternCodePage;
  QHash<int, int> codePageOfFont_;  // RTF font number -> code page; 0 or absent: the document's
  RtfCodePageDecoder bytes_;  // \'hh and 8-bit bytes not decoded yet: a character may take two

  QHash<int, int> familyOfFont_;  // RTF font number -> families_ index
  InternTable<QString> families_;
  bool fontEntryOpen_ = false;
  int fontEntryNumber_ = 0;
  int fontEntryCodePage_ = 0;
  QString fontEntryName_;

  std::vector<int> colors_;  // 0xRRGGBB or kAutoColor
  bool colorEntrySet_ = false;
  int colorEntry_ = 0;

  unsigned generation_ = 1;  // bumped when a table changes, so cached styles get re-resolved
  InternTable<Style> styles_;

  // The text read and not yet built: what is built is dropped, so that a long text is not held
  // twice. Run starts count from the start of the whole text.
  std::vector<char16_t> text_;
  qsizetype textBase_ = 0;
  std::vector<Run> runs_;
  std::vector<Paragraph> paragraphs_;
};

}  // namespace fw::rtf
