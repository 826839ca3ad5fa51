#pragma once
// A long paragraph laid out as pieces of its text, each a QTextLayout of its own, one below the
// other in the paragraph (a line may end where a piece does): Qt's layout of a paragraph starts
// from nothing for every change, so a key typed into one of 10 MB took seconds. The paragraph's
// own QTextLayout then holds no lines.
//
// Also the rules the document's layout lays out every paragraph by, pieced or not.

#include <QFont>
#include <QStringView>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>
#include <cstddef>
#include <memory>
#include <vector>

namespace fw {

// A word this long (a pasted base64 line) is what Qt's breaking inside words is slow for.
inline constexpr int kLongWord = 10'000;
// Qt breaks a word longer than a line by looking at the rest of the word again for each line it
// fills, which takes seconds for a word of 200,000 characters (a pasted base64 line) and hours
// for 10 MB. A paragraph holding such a word is broken anywhere instead: its other words may then
// break at the line's end too, which only paragraphs like that ever show.
bool HasLongWord(QStringView text);
// Of a paragraph: a shorter one's text is not copied to be looked at (most are laid out whole).
inline bool HasLongWord(const QTextBlock& block) {
  return block.length() > kLongWord && HasLongWord(block.text());
}

// The text option of a paragraph's layout, or of a piece's: the document's, in the paragraph's
// direction and alignment, broken anywhere when it holds a long word.
QTextOption OptionFor(const QTextBlock& block, bool longWord);
// Lines of `tl` from `y` down, from `left` in the document and `width` wide, the first one (when
// `firstLine`) indented as the paragraph's format says; returns where they end.
qreal PlaceLines(QTextLayout* tl, const QTextBlockFormat& bf, qreal left, qreal width, bool firstLine, qreal y);

class ParagraphPieces {
 public:
  struct Piece {
    int start = 0, length = 0;  // in the block's text
    qreal y = 0, height = 0;    // in the block; the height is an estimate until laid out
    std::unique_ptr<QTextLayout> layout;  // none while the piece needs laying out
  };
  // What the document's layout lays the paragraph out with.
  struct Frame {
    QFont font;                 // of text without a font of its own
    qreal left = 0, width = 1;  // of the paragraph's lines, in the document
    qreal lineHeight = 14, charWidth = 7;  // for estimated heights
  };

  // Whether `block` is long enough to be laid out in pieces.
  static bool Needed(const QTextBlock& block) { return block.length() > kPieced; }

  // The pieces of `block`, at estimated heights. The paragraph's own layout keeps nothing of an
  // earlier layout: Qt's cursor code finds no lines in it, rather than stale ones.
  ParagraphPieces(const QTextBlock& block, const Frame& frame);

  size_t Count() const { return pieces_.size(); }
  const Piece& At(size_t k) const { return pieces_[k]; }
  // Whether the pieces add up to the text of `block`: not after a change not seen yet.
  bool Cover(const QTextBlock& block) const;
  // The index of the piece holding a position in the paragraph (`relative` >= 0), or else the
  // height `y` in it.
  size_t Find(int relative, qreal y) const;

  // Places the pieces one below the other from the paragraph's top margin; returns the
  // paragraph's height, exact once every piece is laid out.
  qreal Stack(const QTextBlock& block);
  // Lays out the pieces not laid out yet, for budgetNs at most (below 0: no limit), or (from >= 0)
  // only those touching from..to of the block; true once none is left.
  bool LayOut(const QTextBlock& block, const Frame& frame, qint64 budgetNs, int from = -1, int to = -1);
  bool LaidOut() const;

  // An edit inside the paragraph: only the pieces it touched are laid out again.
  void Edit(int relative, int removed, int added);
  // Drops the layouts of all pieces, or of those touching from..end of the block (a change of
  // style); the pieces keep where they end, and their heights as the guess.
  void Forget();
  void Forget(int from, int end);

  // Lines, for line counts: a piece not laid out yet counts one.
  int LineCount() const;
  int LinesBefore(int offset) const;  // of the pieces that start before `offset`
  qreal LineTop(int line) const;      // in the block

 private:
  // A paragraph longer than kPieced is laid out as pieces of about kPiece characters, each ending
  // after a space when one is near (so that lines end there as they would anyway); a key typed then
  // lays out one piece again, a few milliseconds, where Qt's layout of the whole paragraph took
  // seconds at 10 MB. A piece that grows past twice its size is split when laid out again.
  static constexpr int kPieced = 64 * 1024;
  static constexpr int kPiece = 16 * 1024;
  static constexpr int kSpaceWithin = 1024;

  using Pieces = std::vector<Piece>;
  // Where pieces of `text` end, each about kPiece long; none is left shorter than half of that.
  static std::vector<int> Ends(const QString& text);
  // Pieces of `text`, which starts `start` into the block, at estimated heights.
  static Pieces Make(const Frame& frame, int start, const QString& text);
  // `formats` walks the block's fragments, on from one piece to the next.
  static void LayOutPiece(const QTextBlock& block, const Frame& frame, Piece& piece, bool first,
                          QTextBlock::iterator& formats);
  static int LinesOf(const Piece& p) { return p.layout ? p.layout->lineCount() : 1; }

  Pieces pieces_;
};

}  // namespace fw
