#include "platform/text/documentlayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {
// A text this short is laid out whole whenever it changes as a whole (a load, a new width), as
// Qt's own layout does, unless that takes longer than kAtOnceNs (a text where each run has a font
// of its own); a longer one lays out kSliceNs at most before the event loop goes on.
constexpr int kLayOutAtOnce = 100'000;
constexpr qint64 kAtOnceNs = 40'000'000;
constexpr qint64 kSliceNs = 8'000'000;
constexpr int kLayOutNow = 4096;
// Without a width the lines are as long as the text makes them.
constexpr qreal kUnbounded = 1e7;
}  // namespace

DocumentLayout::DocumentLayout(QTextDocument* doc) : QAbstractTextDocumentLayout(doc) {}

qreal DocumentLayout::TextWidth() const {
  const qreal page = document()->pageSize().width();
  const qreal width = page > 0 ? page : kUnbounded;
  return std::max<qreal>(1, width - 2 * document()->documentMargin());
}

qreal DocumentLayout::LineWidth(const QTextBlockFormat& bf) const {
  return std::max<qreal>(1, TextWidth() - bf.leftMargin() - bf.rightMargin());
}

qreal DocumentLayout::Estimate(const QTextBlock& block) const {
  const QTextBlockFormat bf = block.blockFormat();
  const qreal width = LineWidth(bf);
  const qreal lines = std::max<qreal>(1, std::ceil(block.length() * charWidth_ / width));
  return HeightTree::Dyadic(lines * lineHeight_ + bf.topMargin() + bf.bottomMargin());
}

qreal DocumentLayout::LayOut(const QTextBlock& block) const {
  const QTextBlockFormat bf = block.blockFormat();
  QTextLayout* tl = block.layout();
  tl->setTextOption(OptionFor(block, HasLongWord(block)));
  tl->setCacheEnabled(false);
  tl->setPosition(QPointF(0, 0));
  const qreal left = document()->documentMargin() + bf.leftMargin();
  return HeightTree::Dyadic(PlaceLines(tl, bf, left, LineWidth(bf), true, bf.topMargin()) + bf.bottomMargin());
}

ParagraphPieces::Frame DocumentLayout::FrameOf(const QTextBlock& block) const {
  const QTextBlockFormat bf = block.blockFormat();
  return {document()->defaultFont(), document()->documentMargin() + bf.leftMargin(), LineWidth(bf), lineHeight_,
          charWidth_};
}

ParagraphPieces* DocumentLayout::PiecesOf(int index, const QTextBlock& block) const {
  if (index < 0 || index >= int(pieces_.size())) return nullptr;
  std::unique_ptr<ParagraphPieces>& slot = pieces_[size_t(index)];
  if (!ParagraphPieces::Needed(block)) {
    slot.reset();
    return nullptr;
  }
  // Pieces that no longer add up to the text (a change not seen yet) are made anew.
  if (slot && !slot->Cover(block)) slot.reset();
  if (!slot) slot = std::make_unique<ParagraphPieces>(block, FrameOf(block));
  return slot.get();
}

void DocumentLayout::PieceLaidOut(int index, const QTextBlock& block) const {
  ParagraphPieces* pieces = PiecesOf(index, block);
  if (!pieces) return;
  heights_.SetHeight(index, pieces->Stack(block));
  if (!heights_.Exact(index) && pieces->LaidOut()) {
    heights_.SetExact(index, true);
    --pending_;
  }
  PostSize();
}

DocumentLayout::Part DocumentLayout::PartAt(int index, const QTextBlock& block, int relative, qreal y) const {
  ParagraphPieces* pieces = PiecesOf(index, block);
  if (!pieces) return {block.layout(), 0, 0};
  for (;;) {
    const ParagraphPieces::Piece& p = pieces->At(pieces->Find(relative, y));
    if (p.layout) return {p.layout.get(), p.start, p.y};
    pieces->LayOut(block, FrameOf(block), -1, p.start + 1, p.start + p.length - 1);
    PieceLaidOut(index, block);
  }
}

qreal DocumentLayout::Top(int index) const { return heights_.Top(index, document()->documentMargin()); }

int DocumentLayout::IndexAt(qreal y) const { return heights_.IndexAt(y - document()->documentMargin()); }

void DocumentLayout::ResetAll() {
  QTextDocument* doc = document();
  const QFontMetricsF fm(doc->defaultFont());
  lineHeight_ = fm.height();
  charWidth_ = std::max<qreal>(1, fm.averageCharWidth());
  const int n = doc->blockCount();
  const qreal width = TextWidth();
  if (heights_.Count() != n || width_ <= 0) {
    heights_.Resize(n);
    pieces_.clear();
    pieces_.resize(size_t(n));
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && i < n; b = b.next(), ++i) heights_.PutHeight(i, Estimate(b));
  } else if (width != width_) {
    // The old heights, at the new width, are the better guess until each block is laid out again.
    for (int i = 0; i < n; ++i)
      heights_.PutHeight(i, HeightTree::Dyadic(std::max(lineHeight_, heights_.Height(i) * width_ / width)));
  }
  // Pieces keep where they end, and their heights as the guess, until laid out again.
  for (auto& pieces : pieces_)
    if (pieces) pieces->Forget();
  width_ = width;
  heights_.ForgetExact();
  pending_ = n;
  scan_ = 0;
  heights_.RebuildTree(0);
  inputs_ = CurrentInputs();
  LayOutSome(doc->characterCount() <= kLayOutAtOnce ? kAtOnceNs : kSliceNs);
  ScheduleBackground();
}

void DocumentLayout::Resync(int from, int charsRemoved, int charsAdded) {
  QTextDocument* doc = document();
  const int n = doc->blockCount();
  const int oldN = heights_.Count();
  const QTextBlock firstBlock = doc->findBlock(from);
  QTextBlock lastBlock = doc->findBlock(from + charsAdded);
  if (!lastBlock.isValid()) lastBlock = doc->lastBlock();
  if (!firstBlock.isValid()) {
    ResetAll();
    return;
  }
  const int first = firstBlock.blockNumber();
  const int newSpan = lastBlock.blockNumber() - first + 1;
  const int oldSpan = newSpan - (n - oldN);
  if (newSpan < 1 || oldSpan < 1 || first + oldSpan > oldN) {
    ResetAll();
    return;
  }
  Q_UNUSED(charsRemoved);
  for (int i = first; i < first + oldSpan; ++i) pending_ -= heights_.Exact(i) ? 0 : 1;
  const int relative = from - firstBlock.position();
  if (newSpan == oldSpan && charsRemoved == charsAdded) {
    // A change of style (or of as many characters): the pieces' ends stay.
    int i = first;
    for (QTextBlock b = firstBlock; i < first + newSpan; b = b.next(), ++i)
      if (pieces_[size_t(i)]) pieces_[size_t(i)]->Forget(from - b.position(), from + charsAdded - b.position());
  } else if (newSpan == 1 && oldSpan == 1 && pieces_[size_t(first)]) {
    pieces_[size_t(first)]->Edit(relative, charsRemoved, charsAdded);
  } else {
    for (int i = first; i < first + oldSpan; ++i) pieces_[size_t(i)].reset();
  }
  if (newSpan != oldSpan) {
    // Moved rather than copied, the pieces' layouts being their own.
    std::vector<std::unique_ptr<ParagraphPieces>> tail(std::make_move_iterator(pieces_.begin() + first + oldSpan),
                                                       std::make_move_iterator(pieces_.end()));
    pieces_.resize(size_t(first));
    pieces_.resize(size_t(first + newSpan));
    for (auto& t : tail) pieces_.push_back(std::move(t));
    heights_.Splice(first, oldSpan, newSpan);
    if (scan_ > first) scan_ = first;
  }
  // The touched blocks are laid out now when they are few (a key, a small paste); more text (a
  // big paste, a long text coming in) is laid out as the rest is, a slice at a time, since
  // laying out can take long where each run has a font of its own.
  const bool now = charsAdded <= kLayOutNow;
  // With as many blocks as before, only the touched blocks' sums change: the tree is updated in
  // place rather than built again over every block.
  const bool rebuild = newSpan != oldSpan;
  const auto setHeight = [&](int index, qreal h) {
    if (rebuild) heights_.PutHeight(index, h);
    else heights_.SetHeight(index, h);
  };
  int i = first;
  for (QTextBlock b = firstBlock; i < first + newSpan; b = b.next(), ++i) {
    if (ParagraphPieces* pieces = PiecesOf(i, b)) {
      // Of a long paragraph, the pieces at the change now, the rest as the rest of the text.
      const bool whole =
          now && pieces->LayOut(b, FrameOf(b), -1, from - b.position(), from - b.position() + charsAdded);
      setHeight(i, pieces->Stack(b));
      heights_.SetExact(i, whole);
      pending_ += whole ? 0 : 1;
      if (!whole) scan_ = std::min(scan_, i);
      continue;
    }
    setHeight(i, now ? LayOut(b) : Estimate(b));
    heights_.SetExact(i, now);
    pending_ += now ? 0 : 1;
  }
  if (!now) scan_ = std::min(scan_, first);
  if (rebuild) heights_.RebuildTree(first);
  inputs_ = CurrentInputs();
  const qreal top = Top(first);
  emit update(QRectF(0, top, kUnbounded, kUnbounded));
  EmitSize();
  ScheduleBackground();
}

DocumentLayout::Inputs DocumentLayout::CurrentInputs() const {
  const QTextDocument* doc = document();
  const QTextOption o = doc->defaultTextOption();
  return {TextWidth(), doc->documentMargin(), doc->defaultFont(), o.wrapMode(), o.alignment(), o.flags(),
          o.tabStopDistance(), o.textDirection(), doc->characterCount(), doc->blockCount()};
}

void DocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  const int length = document()->characterCount();
  // The editor asks for the whole text again whenever it sets its width, also the same width it
  // had (a newly shown document, every resize): nothing to do when nothing it depends on moved.
  const Inputs now = CurrentInputs();
  if (from == 0 && charsRemoved == 0 && charsAdded == length && !heights_.Empty() && now == inputs_) {
    emit update(QRectF(0, 0, kUnbounded, kUnbounded));
    return;
  }
  if (heights_.Empty() || (from == 0 && charsAdded >= length) || TextWidth() != width_) {
    ResetAll();
    emit update(QRectF(0, 0, kUnbounded, kUnbounded));
    EmitSize();
    return;
  }
  Resync(from, charsRemoved, charsAdded);
}

bool DocumentLayout::EnsureLaidOut(const QTextBlock& block) const {
  if (heights_.Count() != document()->blockCount()) const_cast<DocumentLayout*>(this)->ResetAll();
  const int i = block.blockNumber();
  if (i < 0 || i >= heights_.Count() || heights_.Exact(i)) return false;
  // Of a long paragraph only the pieces looked at are laid out (PartAt); its height meanwhile
  // counts the others at a guess.
  if (ParagraphPieces* pieces = PiecesOf(i, block)) {
    const qreal h = pieces->Stack(block);
    if (h == heights_.Height(i)) return false;
    heights_.SetHeight(i, h);
    PostSize();
    return true;
  }
  heights_.SetHeight(i, LayOut(block));
  heights_.SetExact(i, true);
  --pending_;
  PostSize();
  return true;
}

bool DocumentLayout::LaidOut(const QTextBlock& block) const {
  const int i = block.blockNumber();
  return i >= 0 && i < heights_.Count() && heights_.Exact(i);
}

int DocumentLayout::LayOutRange(int from, int last, qint64 budgetNs, bool* changed) {
  QElapsedTimer clock;
  clock.start();
  QTextBlock b;
  int at = -1;
  int i = from;
  for (; i <= last && (budgetNs < 0 || clock.nsecsElapsed() < budgetNs); ++i) {
    if (heights_.Exact(i)) continue;
    b = at == i - 1 && b.isValid() ? b.next() : document()->findBlockByNumber(i);
    at = i;
    // The tree is updated block by block: a slice lays out few of many blocks.
    if (ParagraphPieces* pieces = PiecesOf(i, b)) {
      const bool whole =
          pieces->LayOut(b, FrameOf(b), budgetNs < 0 ? -1 : std::max<qint64>(1, budgetNs - clock.nsecsElapsed()));
      heights_.SetHeight(i, pieces->Stack(b));
      *changed = true;
      if (!whole) break;
      heights_.SetExact(i, true);
      --pending_;
      continue;
    }
    heights_.SetHeight(i, LayOut(b));
    heights_.SetExact(i, true);
    --pending_;
    *changed = true;
  }
  return i;
}

bool DocumentLayout::LayOutSome(qint64 budgetNs) {
  if (pending_ <= 0) return false;
  const int n = heights_.Count();
  bool changed = false;
  scan_ = LayOutRange(scan_, n - 1, budgetNs, &changed);
  if (scan_ >= n) pending_ = 0;
  return changed;
}

void DocumentLayout::ScheduleBackground() {
  if (pending_ > 0) background_.start(0, this);
  else background_.stop();
}

void DocumentLayout::timerEvent(QTimerEvent* e) {
  if (e->timerId() != background_.timerId()) {
    QAbstractTextDocumentLayout::timerEvent(e);
    return;
  }
  const int from = scan_;
  if (LayOutSome(kSliceNs)) {
    emit update(QRectF(0, Top(from), kUnbounded, kUnbounded));
    EmitSize();
  }
  ScheduleBackground();
}

void DocumentLayout::PostSize() const {
  // Many may be asked for in one paint (every piece it lays out): one is enough.
  if (sizePosted_) return;
  sizePosted_ = true;
  QMetaObject::invokeMethod(const_cast<DocumentLayout*>(this), [this] { EmitSize(); }, Qt::QueuedConnection);
}

void DocumentLayout::EmitSize() const {
  sizePosted_ = false;
  const QSizeF size = documentSize();
  if (size.height() == lastReportedHeight_) return;
  lastReportedHeight_ = size.height();
  emit const_cast<DocumentLayout*>(this)->documentSizeChanged(size);
}

void DocumentLayout::LayOutUpTo(const QTextBlock& block) {
  if (heights_.Count() != document()->blockCount()) ResetAll();
  const int last = std::min(block.isValid() ? block.blockNumber() : heights_.Count() - 1, heights_.Count() - 1);
  bool changed = false;
  LayOutRange(0, last, -1, &changed);
  if (!changed) return;
  emit update(QRectF(0, 0, kUnbounded, kUnbounded));
  EmitSize();
  ScheduleBackground();
}

void DocumentLayout::LayOutAll() { LayOutUpTo(QTextBlock()); }

QSizeF DocumentLayout::documentSize() const {
  const qreal page = document()->pageSize().width();
  return QSizeF(page > 0 ? page : TextWidth() + 2 * document()->documentMargin(),
                Top(heights_.Count()) + document()->documentMargin());
}

QRectF DocumentLayout::frameBoundingRect(QTextFrame*) const { return QRectF(QPointF(0, 0), documentSize()); }

QRectF DocumentLayout::blockBoundingRect(const QTextBlock& block) const {
  if (!block.isValid()) return QRectF();
  EnsureLaidOut(block);
  const int i = block.blockNumber();
  if (i < 0 || i >= heights_.Count()) return QRectF();
  return QRectF(0, Top(i), documentSize().width(), heights_.Height(i));
}

int DocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  QTextDocument* doc = document();
  if (heights_.Empty()) return accuracy == Qt::FuzzyHit ? 0 : -1;
  if (point.y() < Top(0)) return accuracy == Qt::FuzzyHit ? 0 : -1;
  const int i = IndexAt(point.y());
  const QTextBlock block = doc->findBlockByNumber(i);
  if (!block.isValid()) return -1;
  EnsureLaidOut(block);
  const qreal inBlock = point.y() - Top(i);
  const Part part = PartAt(i, block, -1, inBlock);
  const qreal y = inBlock - part.y;
  const QTextLayout* tl = part.layout;
  const int lines = tl->lineCount();
  if (lines == 0) return accuracy == Qt::FuzzyHit ? block.position() : -1;
  if (inBlock >= heights_.Height(i) && i == heights_.Count() - 1 && accuracy == Qt::ExactHit) return -1;
  QTextLine line = tl->lineAt(0);
  for (int k = 0; k < lines; ++k) {
    const QTextLine l = tl->lineAt(k);
    if (l.y() > y) break;
    line = l;
  }
  if (accuracy == Qt::ExactHit) {
    const QRectF r = line.naturalTextRect();
    if (point.x() < r.left() || point.x() > r.right() || y < line.y() || y > line.y() + line.height()) return -1;
  }
  return block.position() + part.offset + line.xToCursor(point.x());
}

bool DocumentLayout::Pieced(const QTextBlock& block) const {
  const int i = block.blockNumber();
  return block.isValid() && ParagraphPieces::Needed(block) && i >= 0 && i < int(pieces_.size());
}

QRectF DocumentLayout::CaretRect(int position) const {
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid()) return QRectF();
  const QRectF r = blockBoundingRect(block);
  const int relative = position - block.position();
  const Part part = PartAt(block.blockNumber(), block, relative);
  const QTextLine line = part.layout->lineForTextPosition(relative - part.offset);
  if (!line.isValid()) return QRectF(r.left(), r.top() + part.y, cursorWidth_, lineHeight_);
  return QRectF(r.left() + line.cursorToX(relative - part.offset), r.top() + part.y + line.y(), cursorWidth_,
                line.height());
}

void DocumentLayout::LineBounds(int position, int* start, int* end) const {
  const QTextBlock block = document()->findBlock(position);
  *start = *end = position;
  if (!block.isValid()) return;
  EnsureLaidOut(block);
  const int relative = position - block.position();
  const Part part = PartAt(block.blockNumber(), block, relative);
  const QTextLine line = part.layout->lineForTextPosition(relative - part.offset);
  if (!line.isValid()) return;
  *start = block.position() + part.offset + line.textStart();
  *end = *start + line.textLength();
}

int DocumentLayout::NextCursorPosition(int position, bool words) const {
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid()) return position;
  const int relative = position - block.position();
  if (relative >= block.length() - 1) return std::min(position + 1, document()->characterCount() - 1);
  const Part part = PartAt(block.blockNumber(), block, relative);
  const auto mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
  return block.position() + part.offset + part.layout->nextCursorPosition(relative - part.offset, mode);
}

int DocumentLayout::PreviousCursorPosition(int position, bool words) const {
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid()) return position;
  const int relative = position - block.position();
  if (relative <= 0) return std::max(0, position - 1);
  const Part part = PartAt(block.blockNumber(), block, relative - 1);
  const auto mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
  return block.position() + part.offset + part.layout->previousCursorPosition(relative - part.offset, mode);
}

int DocumentLayout::LineCount(const QTextBlock& block) const {
  const int i = block.blockNumber();
  if (!Pieced(block)) return block.layout() ? block.layout()->lineCount() : 0;
  return PiecesOf(i, block)->LineCount();
}

int DocumentLayout::LineNumberAt(const QTextBlock& block, int relative) const {
  const int i = block.blockNumber();
  if (!Pieced(block)) {
    const QTextLine l = block.layout() ? block.layout()->lineForTextPosition(relative) : QTextLine();
    return l.isValid() ? l.lineNumber() : 0;
  }
  const Part part = PartAt(i, block, relative);
  const int lines = PiecesOf(i, block)->LinesBefore(part.offset);
  const QTextLine l = part.layout->lineForTextPosition(relative - part.offset);
  return lines + (l.isValid() ? l.lineNumber() : 0);
}

qreal DocumentLayout::LineTop(const QTextBlock& block, int line) const {
  const int i = block.blockNumber();
  if (!Pieced(block)) {
    const QTextLayout* tl = block.layout();
    return tl && line >= 0 && line < tl->lineCount() ? tl->lineAt(line).y() : 0;
  }
  return PiecesOf(i, block)->LineTop(line);
}

void DocumentLayout::draw(QPainter* painter, const PaintContext& context) {
  if (heights_.Count() != document()->blockCount()) ResetAll();
  if (heights_.Empty()) return;
  const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
  painter->setPen(context.palette.color(QPalette::Text));
  int i = IndexAt(clip.top());
  for (QTextBlock block = document()->findBlockByNumber(i); block.isValid(); block = block.next(), ++i) {
    EnsureLaidOut(block);
    const qreal top = Top(i);
    if (top > clip.bottom()) break;
    const ParagraphPieces* pieces = PiecesOf(i, block);
    if (!pieces) {
      DrawPart(painter, context, block, block.layout(), 0, block.length(), top, true);
      continue;
    }
    for (size_t k = 0; k < pieces->Count(); ++k) {
      {
        const ParagraphPieces::Piece& p = pieces->At(k);
        if (top + p.y > clip.bottom()) break;
        if (top + p.y + p.height < clip.top()) continue;
      }
      const Part part = PartAt(i, block, pieces->At(k).start);
      // Laying the piece out may have split it, moving the pieces: read it again.
      const ParagraphPieces::Piece& p = pieces->At(k);
      const bool last = k + 1 == pieces->Count();
      DrawPart(painter, context, block, part.layout, part.offset, p.length + (last ? 1 : 0), top + part.y, last);
    }
  }
}

void DocumentLayout::DrawPart(QPainter* painter, const PaintContext& context, const QTextBlock& block, QTextLayout* tl,
                              int offset, int length, qreal top, bool last) const {
  const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
  // Positions of the part's own text; its end is the paragraph's end when it is the last part.
  const int blpos = block.position() + offset;
  const int bllen = length;
  QList<QTextLayout::FormatRange> selections;
  for (const Selection& range : context.selections) {
    const int selStart = range.cursor.selectionStart() - blpos;
    const int selEnd = range.cursor.selectionEnd() - blpos;
    if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
      QTextLayout::FormatRange o;
      // Clipped at a piece's ends only: a paragraph's own lines show a selection as Qt draws it.
      o.start = offset > 0 ? std::max(0, selStart) : selStart;
      o.length = (last ? selEnd : std::min(selEnd, bllen)) - o.start;
      o.format = range.format;
      selections.append(o);
    } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection) &&
               range.cursor.position() >= blpos && range.cursor.position() < blpos + bllen) {
      // A full-width selection needs no selected text, only a position that names the line.
      const QTextLine l = tl->lineForTextPosition(range.cursor.position() - blpos);
      QTextLayout::FormatRange o;
      o.start = l.textStart();
      o.length = l.textLength();
      if (o.start + o.length == bllen - 1) ++o.length;
      o.format = range.format;
      selections.append(o);
    }
  }
  // Drawn at the part's own origin: the painter carries its place, so that positions far down a
  // long text never reach the layout's fixed-point coordinates.
  painter->save();
  painter->translate(0, top);
  tl->draw(painter, QPointF(0, 0), selections, clip.translated(0, -top));
  // A selection that goes on past the paragraph's end shows its end too, as a space's width
  // after the last line: an empty paragraph in a selection is then seen to be in it.
  for (const Selection& range : context.selections) {
    if (!last || tl->lineCount() == 0 || block == document()->lastBlock()) break;
    const int separator = blpos + bllen - 1;
    if (range.cursor.selectionStart() > separator || range.cursor.selectionEnd() <= separator) continue;
    const QTextLine lastLine = tl->lineAt(tl->lineCount() - 1);
    const qreal space = QFontMetricsF(block.charFormat().font()).horizontalAdvance(u' ');
    painter->fillRect(QRectF(lastLine.x() + lastLine.naturalTextWidth(), lastLine.y(), space, lastLine.height()),
                      range.format.background());
  }
  const int cursor = context.cursorPosition;
  if (cursor >= blpos && cursor < blpos + bllen) tl->drawCursor(painter, QPointF(0, 0), cursor - blpos, cursorWidth_);
  painter->restore();
}

}  // namespace fw
