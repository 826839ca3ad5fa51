#include "documentlayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimerEvent>
#include <QtMath>
#include <algorithm>

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

// Qt breaks a word longer than a line by looking at the rest of the word again for each line it
// fills, which takes seconds for a word of 200,000 characters (a pasted base64 line) and hours
// for 10 MB. A paragraph holding such a word is broken anywhere instead: its other words may then
// break at the line's end too, which only paragraphs like that ever show.
constexpr int kLongWord = 10'000;

// Without its shaped glyphs kept, every paint of a paragraph this long (each blink of the caret)
// shapes all of it again, for most of a second at 10 MB.
constexpr int kKeepShaped = 256 * 1024;

bool HasLongWord(const QTextBlock& block) {
  if (block.length() <= kLongWord) return false;
  const QString text = block.text();
  int run = 0;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongWord) return true;
  }
  return false;
}

// Laid-out heights are whole 64ths of a pixel (Qt's fixed point); estimates are rounded to them
// too, so that every sum of heights is exact, whichever way the sum tree adds them up.
qreal Dyadic(qreal h) { return std::round(h * 64) / 64; }
}  // namespace

DocumentLayout::DocumentLayout(QTextDocument* doc) : QAbstractTextDocumentLayout(doc) {}

qreal DocumentLayout::TextWidth() const {
  const qreal page = document()->pageSize().width();
  const qreal width = page > 0 ? page : kUnbounded;
  return std::max<qreal>(1, width - 2 * document()->documentMargin());
}

qreal DocumentLayout::Estimate(const QTextBlock& block) const {
  const QTextBlockFormat bf = block.blockFormat();
  const qreal width = std::max<qreal>(1, TextWidth() - bf.leftMargin() - bf.rightMargin());
  const qreal lines = std::max<qreal>(1, std::ceil(block.length() * charWidth_ / width));
  return Dyadic(lines * lineHeight_ + bf.topMargin() + bf.bottomMargin());
}

qreal DocumentLayout::LayOut(const QTextBlock& block) const {
  QTextDocument* doc = document();
  const QTextBlockFormat bf = block.blockFormat();
  QTextOption option = doc->defaultTextOption();
  const Qt::LayoutDirection direction = block.textDirection();
  option.setTextDirection(direction);
  if (bf.hasProperty(QTextFormat::BlockAlignment))
    option.setAlignment(QStyle::visualAlignment(direction, bf.alignment()));
  if (bf.nonBreakableLines()) option.setWrapMode(QTextOption::NoWrap);
  else if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && HasLongWord(block))
    option.setWrapMode(QTextOption::WrapAnywhere);
  QTextLayout* tl = block.layout();
  tl->setTextOption(option);
  tl->setCacheEnabled(block.length() > kKeepShaped);
  tl->setPosition(QPointF(0, 0));
  const qreal margin = doc->documentMargin();
  const qreal left = margin + bf.leftMargin();
  const qreal width = std::max<qreal>(1, TextWidth() - bf.leftMargin() - bf.rightMargin());
  qreal y = bf.topMargin();
  bool first = true;
  tl->beginLayout();
  for (QTextLine line = tl->createLine(); line.isValid(); line = tl->createLine()) {
    const qreal indent = first ? bf.textIndent() : 0;
    line.setLineWidth(std::max<qreal>(1, width - indent));
    line.setPosition(QPointF(left + indent, y));
    y += line.height();
    first = false;
  }
  tl->endLayout();
  return Dyadic(y + bf.bottomMargin());
}

void DocumentLayout::SetHeight(int index, qreal h) const {
  const qreal delta = h - heights_[size_t(index)];
  heights_[size_t(index)] = h;
  if (delta == 0) return;
  for (size_t i = size_t(index) + 1; i <= tree_.size(); i += i & (~i + 1)) tree_[i - 1] += delta;
}

void DocumentLayout::RebuildTree() const {
  const size_t n = heights_.size();
  tree_.assign(heights_.begin(), heights_.end());
  for (size_t i = 1; i <= n; ++i) {
    const size_t parent = i + (i & (~i + 1));
    if (parent <= n) tree_[parent - 1] += tree_[i - 1];
  }
}

qreal DocumentLayout::Top(int index) const {
  qreal sum = document()->documentMargin();
  for (size_t i = size_t(std::clamp<int>(index, 0, int(heights_.size()))); i > 0; i -= i & (~i + 1)) sum += tree_[i - 1];
  return sum;
}

int DocumentLayout::IndexAt(qreal y) const {
  // The last block whose top is at or above y: descend the tree by the highest powers of two.
  qreal rest = y - document()->documentMargin();
  size_t at = 0;
  size_t step = 1;
  while (step * 2 <= tree_.size()) step *= 2;
  for (; step > 0; step /= 2) {
    if (at + step <= tree_.size() && tree_[at + step - 1] <= rest) {
      at += step;
      rest -= tree_[at - 1];
    }
  }
  return std::clamp<int>(int(at), 0, std::max<int>(0, int(heights_.size()) - 1));
}

void DocumentLayout::ResetAll() {
  QTextDocument* doc = document();
  const QFontMetricsF fm(doc->defaultFont());
  lineHeight_ = fm.height();
  charWidth_ = std::max<qreal>(1, fm.averageCharWidth());
  const int n = doc->blockCount();
  const qreal width = TextWidth();
  if (int(heights_.size()) != n || width_ <= 0) {
    heights_.resize(size_t(n));
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && i < n; b = b.next(), ++i) heights_[size_t(i)] = Estimate(b);
  } else if (width != width_) {
    // The old heights, at the new width, are the better guess until each block is laid out again.
    for (qreal& h : heights_) h = Dyadic(std::max(lineHeight_, h * width_ / width));
  }
  width_ = width;
  exact_.assign(size_t(n), 0);
  pending_ = n;
  scan_ = 0;
  RebuildTree();
  inputs_ = CurrentInputs();
  LayOutSome(doc->characterCount() <= kLayOutAtOnce ? kAtOnceNs : kSliceNs);
  ScheduleBackground();
}

void DocumentLayout::Resync(int from, int charsRemoved, int charsAdded) {
  QTextDocument* doc = document();
  const int n = doc->blockCount();
  const int oldN = int(heights_.size());
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
  for (int i = first; i < first + oldSpan; ++i) pending_ -= exact_[size_t(i)] ? 0 : 1;
  if (newSpan != oldSpan) {
    heights_.erase(heights_.begin() + first, heights_.begin() + first + oldSpan);
    heights_.insert(heights_.begin() + first, size_t(newSpan), 0);
    exact_.erase(exact_.begin() + first, exact_.begin() + first + oldSpan);
    exact_.insert(exact_.begin() + first, size_t(newSpan), 0);
    if (scan_ > first) scan_ = first;
  }
  // The touched blocks are laid out now when they are few (a key, a small paste); more text (a
  // big paste, a long text coming in) is laid out as the rest is, a slice at a time, since
  // laying out can take long where each run has a font of its own.
  const bool now = charsAdded <= kLayOutNow;
  int i = first;
  for (QTextBlock b = firstBlock; i < first + newSpan; b = b.next(), ++i) {
    heights_[size_t(i)] = now ? LayOut(b) : Estimate(b);
    exact_[size_t(i)] = now ? 1 : 0;
    pending_ += now ? 0 : 1;
  }
  if (!now) scan_ = std::min(scan_, first);
  RebuildTree();
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
  if (from == 0 && charsRemoved == 0 && charsAdded == length && !heights_.empty() && now == inputs_) {
    emit update(QRectF(0, 0, kUnbounded, kUnbounded));
    return;
  }
  if (heights_.empty() || (from == 0 && charsAdded >= length) || TextWidth() != width_) {
    ResetAll();
    emit update(QRectF(0, 0, kUnbounded, kUnbounded));
    EmitSize();
    return;
  }
  Resync(from, charsRemoved, charsAdded);
}

bool DocumentLayout::EnsureLaidOut(const QTextBlock& block) const {
  if (int(heights_.size()) != document()->blockCount()) const_cast<DocumentLayout*>(this)->ResetAll();
  const int i = block.blockNumber();
  if (i < 0 || i >= int(heights_.size()) || exact_[size_t(i)]) return false;
  SetHeight(i, LayOut(block));
  exact_[size_t(i)] = 1;
  --pending_;
  // The editor reads the size while it paints; it learns of the new one from the event loop.
  QMetaObject::invokeMethod(const_cast<DocumentLayout*>(this), [this] { EmitSize(); }, Qt::QueuedConnection);
  return true;
}

bool DocumentLayout::LaidOut(const QTextBlock& block) const {
  const int i = block.blockNumber();
  return i >= 0 && i < int(exact_.size()) && exact_[size_t(i)];
}

int DocumentLayout::LayOutRange(int from, int last, qint64 budgetNs, bool* changed) {
  QElapsedTimer clock;
  clock.start();
  QTextBlock b;
  int at = -1;
  int i = from;
  for (; i <= last && (budgetNs < 0 || clock.nsecsElapsed() < budgetNs); ++i) {
    if (exact_[size_t(i)]) continue;
    b = at == i - 1 && b.isValid() ? b.next() : document()->findBlockByNumber(i);
    at = i;
    heights_[size_t(i)] = LayOut(b);
    exact_[size_t(i)] = 1;
    --pending_;
    *changed = true;
  }
  return i;
}

bool DocumentLayout::LayOutSome(qint64 budgetNs) {
  if (pending_ <= 0) return false;
  const int n = int(heights_.size());
  bool changed = false;
  scan_ = LayOutRange(scan_, n - 1, budgetNs, &changed);
  if (scan_ >= n) pending_ = 0;
  if (changed) RebuildTree();
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

void DocumentLayout::EmitSize() const {
  const QSizeF size = documentSize();
  if (size.height() == lastReportedHeight_) return;
  lastReportedHeight_ = size.height();
  emit const_cast<DocumentLayout*>(this)->documentSizeChanged(size);
}

void DocumentLayout::LayOutUpTo(const QTextBlock& block) {
  if (int(heights_.size()) != document()->blockCount()) ResetAll();
  const int last = std::min(block.isValid() ? block.blockNumber() : int(heights_.size()) - 1, int(heights_.size()) - 1);
  bool changed = false;
  LayOutRange(0, last, -1, &changed);
  if (!changed) return;
  RebuildTree();
  emit update(QRectF(0, 0, kUnbounded, kUnbounded));
  EmitSize();
  ScheduleBackground();
}

void DocumentLayout::LayOutAll() { LayOutUpTo(QTextBlock()); }

QSizeF DocumentLayout::documentSize() const {
  const qreal page = document()->pageSize().width();
  return QSizeF(page > 0 ? page : TextWidth() + 2 * document()->documentMargin(),
                Top(int(heights_.size())) + document()->documentMargin());
}

QRectF DocumentLayout::frameBoundingRect(QTextFrame*) const { return QRectF(QPointF(0, 0), documentSize()); }

QRectF DocumentLayout::blockBoundingRect(const QTextBlock& block) const {
  if (!block.isValid()) return QRectF();
  EnsureLaidOut(block);
  const int i = block.blockNumber();
  if (i < 0 || i >= int(heights_.size())) return QRectF();
  return QRectF(0, Top(i), documentSize().width(), heights_[size_t(i)]);
}

int DocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  QTextDocument* doc = document();
  if (heights_.empty()) return accuracy == Qt::FuzzyHit ? 0 : -1;
  if (point.y() < Top(0)) return accuracy == Qt::FuzzyHit ? 0 : -1;
  const int i = IndexAt(point.y());
  const QTextBlock block = doc->findBlockByNumber(i);
  if (!block.isValid()) return -1;
  EnsureLaidOut(block);
  const qreal y = point.y() - Top(i);
  const QTextLayout* tl = block.layout();
  const int lines = tl->lineCount();
  if (lines == 0) return accuracy == Qt::FuzzyHit ? block.position() : -1;
  if (y >= heights_[size_t(i)] && i == int(heights_.size()) - 1 && accuracy == Qt::ExactHit) return -1;
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
  return block.position() + line.xToCursor(point.x());
}

void DocumentLayout::draw(QPainter* painter, const PaintContext& context) {
  if (int(heights_.size()) != document()->blockCount()) ResetAll();
  if (heights_.empty()) return;
  const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
  painter->setPen(context.palette.color(QPalette::Text));
  int i = IndexAt(clip.top());
  for (QTextBlock block = document()->findBlockByNumber(i); block.isValid(); block = block.next(), ++i) {
    EnsureLaidOut(block);
    const qreal top = Top(i);
    if (top > clip.bottom()) break;
    const int blpos = block.position();
    const int bllen = block.length();
    QTextLayout* tl = block.layout();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection& range : context.selections) {
      const int selStart = range.cursor.selectionStart() - blpos;
      const int selEnd = range.cursor.selectionEnd() - blpos;
      if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
        QTextLayout::FormatRange o;
        o.start = selStart;
        o.length = selEnd - selStart;
        o.format = range.format;
        selections.append(o);
      } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                 block.contains(range.cursor.position())) {
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
    // Drawn at the block's own origin: the painter carries the block's place, so that positions
    // far down a long text never reach the layout's fixed-point coordinates.
    painter->save();
    painter->translate(0, top);
    tl->draw(painter, QPointF(0, 0), selections, clip.translated(0, -top));
    // A selection that goes on past the paragraph's end shows its end too, as a space's width
    // after the last line: an empty paragraph in a selection is then seen to be in it.
    for (const Selection& range : context.selections) {
      if (tl->lineCount() == 0 || block == document()->lastBlock()) break;
      const int separator = blpos + bllen - 1;
      if (range.cursor.selectionStart() > separator || range.cursor.selectionEnd() <= separator) continue;
      const QTextLine last = tl->lineAt(tl->lineCount() - 1);
      const qreal space = QFontMetricsF(block.charFormat().font()).horizontalAdvance(u' ');
      painter->fillRect(QRectF(last.x() + last.naturalTextWidth(), last.y(), space, last.height()),
                        range.format.background());
    }
    const int cursor = context.cursorPosition;
    if (cursor >= blpos && cursor < blpos + bllen) tl->drawCursor(painter, QPointF(0, 0), cursor - blpos, cursorWidth_);
    painter->restore();
  }
}

}  // namespace fw
