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

#include <QAbstractTextDocumentLayout>
#include <QBasicTimer>
#include <QFont>
#include <QTextOption>
#include <vector>

class QTextBlock;

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

  int CursorWidth() const { return cursorWidth_; }
  void SetCursorWidth(int w) { cursorWidth_ = w; }

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  qreal TextWidth() const;
  // Height of the block as laid out (`exact`) or as estimated from its length.
  qreal LayOut(const QTextBlock& block) const;
  qreal Estimate(const QTextBlock& block) const;
  void SetHeight(int index, qreal h) const;
  qreal Top(int index) const;       // of the block, in the document
  int IndexAt(qreal y) const;       // the block holding y (clamped)
  void RebuildTree() const;
  void ResetAll();
  void Resync(int from, int charsRemoved, int charsAdded);
  void ScheduleBackground();
  bool LayOutSome(qint64 budgetNs);
  // Lays out the blocks from..last not laid out yet, for budgetNs at most (below 0: no limit);
  // returns the first block it did not reach.
  int LayOutRange(int from, int last, qint64 budgetNs, bool* changed);
  void EmitSize() const;
  bool EnsureLaidOut(const QTextBlock& block) const;

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
  mutable int pending_ = 0;       // blocks whose height is an estimate
  mutable qreal lastReportedHeight_ = -1;
  int scan_ = 0;                  // where the background layout goes on
  qreal width_ = -1;              // the text width the blocks were laid out at
  qreal lineHeight_ = 14, charWidth_ = 7;
  int cursorWidth_ = 1;
  QBasicTimer background_;
};

}  // namespace fw
