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
// A long paragraph is laid out as pieces of its text instead (ParagraphPieces), each a QTextLayout
// of its own (a line may end where a piece does): Qt's layout of a paragraph starts from nothing
// for every change, so a key typed into one of 10 MB took seconds, and so did showing its start.
// Such a paragraph's own QTextLayout holds no lines; the functions below give its lines and caret
// places, for the editor's keys and for line counts.

#include <QAbstractTextDocumentLayout>
#include <QBasicTimer>
#include <QFont>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>
#include <memory>
#include <vector>

#include "platform/text/heighttree.h"
#include "platform/text/paragraphpieces.h"

namespace fw {

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
  qreal Top(int index) const;       // of the block, in the document
  int IndexAt(qreal y) const;       // the block holding y (clamped)
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

  // The pieces of block `index`, made when it is long enough to need them (none otherwise).
  ParagraphPieces* PiecesOf(int index, const QTextBlock& block) const;
  // How the block's lines are laid out, for its pieces.
  ParagraphPieces::Frame FrameOf(const QTextBlock& block) const;
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

  // Per block: its height, whether that height is exact, and the sum tree over the heights; and
  // a long paragraph's pieces.
  mutable HeightTree heights_;
  mutable std::vector<std::unique_ptr<ParagraphPieces>> pieces_;
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
