#pragma once
// The styled editor's layout of its document. Qt's own layout walks every block after an edit and
// keeps positions in 26.6 fixed point, so a keystroke costs in proportion to the text after it and
// a text taller than about 33 million pixels never settles. This one keeps each block's height in
// a sum tree: finding a block's place, or the block at a place, costs a logarithm of the block
// count; an edit lays out only the blocks it touched; blocks not laid out yet count at an
// estimated height and are laid out a slice at a time from the event loop, or at once when they
// are shown or asked for.
//
// Each block's QTextLayout holds its lines at the block's own origin (the layout's position is
// 0,0): blockBoundingRect() gives the block's place in the document, as the editor's caret,
// cursor movement and selection code expect.
//
// A paragraph of more than kPieced characters is laid out as pieces of its text instead, each a
// QTextLayout of its own (a line may end where a piece does): Qt's layout of a paragraph starts
// from nothing for every change, so a key typed into one of 10 MB took seconds, and so did
// showing its start. Such a paragraph's own QTextLayout holds no lines; the functions below give
// its lines and caret places, for the editor's keys and for line counts.

#include <QAbstractTextDocumentLayout>
#include <QBasicTimer>
#include <QFont>
#include <QStringView>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>
#include <memory>
#include <vector>

namespace fw {

// Qt breaks a word longer than a line by looking at the rest of the word again for each line it
// fills, which takes seconds for a word of 200,000 characters (a pasted base64 line) and hours
// for 10 MB. A paragraph holding such a word is broken anywhere instead: its other words may then
// break at the line's end too, which only paragraphs like that ever show.
bool HasLongWord(QStringView text);

class DocumentLayout : public QAbstractTextDocumentLayout {
  Q_OBJECT
  Q_PROPERTY(int cursorWidth READ CursorWidth WRITE SetCursorWidth)

 public:
  explicit DocumentLayout(QTextDocument* doc);

  void draw(QPainter* painter, const PaintContext& context) override;
  int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
  int pageCount() const override { return 1; }
  QSizeF documentSize() const override;
  QRectF frameBoundingRect(QTextFrame* frame) const override;
  // Lays out this block (only) when it is not laid out yet.
  QRectF blockBoundingRect(const QTextBlock& block) const override;

  // Lays out every block up to and with `block`, so that their line counts are exact.
  void LayOutUpTo(const QTextBlock& block);
  // Lays out what is left, at once.
  void LayOutAll();
  bool LaidOut(const QTextBlock& block) const;

  // Paragraphs laid out in pieces: Qt's own cursor movement and caret place, which read the
  // paragraph's QTextLayout, know nothing of their lines.
  bool Pieced(const QTextBlock& block) const;
  // The caret's rectangle at a position, in the document.
  QRectF CaretRect(int position) const;
  // The visual line holding a position: its first position and the one after its last.
  void LineBounds(int position, int* start, int* end) const;
  // The next or previous place for the caret inside the paragraph, as QTextLayout gives them.
  int NextCursorPosition(int position, bool words) const;
  int PreviousCursorPosition(int position, bool words) const;
  // Lines of a laid-out block, for line counts: how many, which holds a position in the block,
  // and the top of one in the block.
  int LineCount(const QTextBlock& block) const;
  int LineNumberAt(const QTextBlock& block, int relative) const;
  qreal LineTop(const QTextBlock& block, int line) const;

  int CursorWidth() const { return cursorWidth_; }
  void SetCursorWidth(int w) { cursorWidth_ = w; }

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  qreal TextWidth() const;
  // Of a line in a block with these margins.
  qreal LineWidth(const QTextBlockFormat& bf) const;
  // Height of the block as laid out (`exact`) or as estimated from its length.
  qreal LayOut(const QTextBlock& block) const;
  qreal Estimate(const QTextBlock& block) const;
  void SetHeight(int index, qreal h) const;
  qreal Top(int index) const;       // of the block, in the document
  int IndexAt(qreal y) const;       // the block holding y (clamped)
  // Makes the sum tree again over the blocks from `from` on, the nodes before standing.
  void RebuildTree(int from) const;
  void ResetAll();
  void Resync(int from, int charsRemoved, int charsAdded);
  void ScheduleBackground();
  bool LayOutSome(qint64 budgetNs);
  // Lays out the blocks from..last not laid out yet, for budgetNs at most (below 0: no limit);
  // returns the first block it did not reach.
  int LayOutRange(int from, int last, qint64 budgetNs, bool* changed);
  void EmitSize() const;
  // The editor reads the size while it paints; it learns of a new one from the event loop.
  void PostSize() const;
  bool EnsureLaidOut(const QTextBlock& block) const;

  struct Piece {
    int start = 0, length = 0;  // in the block's text
    qreal y = 0, height = 0;    // in the block; the height is an estimate until laid out
    std::unique_ptr<QTextLayout> layout;  // none while the piece needs laying out
  };
  using Pieces = std::vector<Piece>;
  // The pieces of block `index`, made when it is long enough to need them (none otherwise).
  Pieces* PiecesOf(int index, const QTextBlock& block) const;
  // Lays out the pieces not laid out yet, for budgetNs at most (below 0: no limit), or (from >= 0)
  // only those touching from..to of the block; true once none is left.
  bool LayOutPieces(int index, const QTextBlock& block, qint64 budgetNs, int from = -1, int to = -1) const;
  // `formats` walks the block's fragments, on from one piece to the next.
  void LayOutPiece(const QTextBlock& block, Piece& piece, bool first, QTextBlock::iterator& formats) const;
  qreal PiecesHeight(const QTextBlock& block, Pieces& pieces) const;
  qreal PieceEstimate(const QTextBlock& block, int length) const;
  // Pieces of `text`, which starts `start` into the block, at estimated heights.
  Pieces MakePieces(const QTextBlock& block, int start, const QString& text) const;
  qreal PlaceLines(const QTextBlock& block, QTextLayout* tl, bool firstLine, qreal y) const;
  // The layout holding a place of block `index` (a position in it, or else a height in it), laid
  // out, with where its text starts in the block and its top in the block.
  struct Part {
    QTextLayout* layout;
    int offset;
    qreal y;
  };
  Part PartAt(int index, const QTextBlock& block, int relative, qreal y = 0) const;
  // Draws a block's layout, or a piece's, whose text starts `offset` into the block and counts
  // `length` positions (with the paragraph's end when `last`), its top at `top`.
  void DrawPart(QPainter* painter, const PaintContext& context, const QTextBlock& block, QTextLayout* tl, int offset,
                int length, qreal top, bool last) const;
  // An edit inside one paragraph: only the pieces it touched are laid out again.
  void EditPieces(Pieces& pieces, int relative, int removed, int added) const;
  // After pieces were laid out outside a pass over the blocks: the block's height, and whether it
  // is now exact.
  void PieceLaidOut(int index, const QTextBlock& block) const;

  // What every block's layout depends on besides its own text, as of the last layout.
  struct Inputs {
    qreal width = -1, margin = 0;
    QFont font;
    QTextOption::WrapMode wrap = QTextOption::WrapAtWordBoundaryOrAnywhere;
    Qt::Alignment alignment;
    QTextOption::Flags flags;
    qreal tabStop = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    int characters = 0, blocks = 0;
    bool operator==(const Inputs&) const = default;
  };
  Inputs CurrentInputs() const;
  Inputs inputs_;

  // Per block: its height, whether that height is exact, and the sum tree over the heights.
  mutable std::vector<qreal> heights_;
  mutable std::vector<unsigned char> exact_;
  mutable std::vector<qreal> tree_;
  mutable std::vector<std::unique_ptr<Pieces>> pieces_;
  mutable int pending_ = 0;       // blocks whose height is an estimate
  mutable qreal lastReportedHeight_ = -1;
  mutable bool sizePosted_ = false;
  int scan_ = 0;                  // where the background layout goes on
  qreal width_ = -1;              // the text width the blocks were laid out at
  qreal lineHeight_ = 14, charWidth_ = 7;
  int cursorWidth_ = 1;
  QBasicTimer background_;
};

}  // namespace fw
