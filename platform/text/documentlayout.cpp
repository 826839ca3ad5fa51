#include "platform/text/documentlayout.h"

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
// A word this long (a pasted base64 line) is what Qt's breaking inside words is slow for.
constexpr int kLongWord = 10'000;

// A paragraph longer than kPieced is laid out as pieces of about kPiece characters, each ending
// after a space when one is near (so that lines end there as they would anyway); a key typed then
// lays out one piece again, a few milliseconds, where Qt's layout of the whole paragraph took
// seconds at 10 MB. A piece that grows past twice its size is split when laid out again.
constexpr int kPieced = 64 * 1024;
constexpr int kPiece = 16 * 1024;
constexpr int kSpaceWithin = 1024;

// Where pieces of `text` end, each about kPiece long; none is left shorter than half of that.
std::vector<int> PieceEnds(const QString& text) {
  std::vector<int> ends;
  const int n = int(text.size());
  int at = 0;
  while (at < n) {
    int end = std::min(n, at + kPiece);
    if (n - end < kPiece / 2) {
      end = n;
    } else {
      int e = end;
      while (e > end - kSpaceWithin && !text[e - 1].isSpace()) --e;
      if (e > end - kSpaceWithin) end = e;
      // Never between the halves of a character or before a mark that goes with the one before.
      else while (end > at + 1 && (text[end].isLowSurrogate() || text[end].isMark())) --end;
    }
    ends.push_back(end);
    at = end;
  }
  return ends;
}

// Read a character at a time: a QTextCursor placed in the paragraph would have Qt's layout of the
// whole paragraph analyse all of its text (for the cursor's x), a long wait at 10 MB.
QString TextOf(const QTextBlock& block, int start, int length) {
  const QTextDocument* doc = block.document();
  QString text(length, Qt::Uninitialized);
  const int from = block.position() + start;
  for (int k = 0; k < length; ++k) text[k] = doc->characterAt(from + k);
  return text;
}

// Laid-out heights are whole 64ths of a pixel (Qt's fixed point); estimates are rounded to them
// too, so that every sum of heights is exact, whichever way the sum tree adds them up.
qreal Dyadic(qreal h) { return std::round(h * 64) / 64; }
}  // namespace

bool HasLongWord(QStringView text) {
  if (text.size() <= kLongWord) return false;
  int run = 0;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongWord) return true;
  }
  return false;
}

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
  return Dyadic(lines * lineHeight_ + bf.topMargin() + bf.bottomMargin());
}

namespace {
QTextOption OptionFor(const QTextDocument* doc, const QTextBlock& block, bool longWord) {
  const QTextBlockFormat bf = block.blockFormat();
  QTextOption option = doc->defaultTextOption();
  const Qt::LayoutDirection direction = block.textDirection();
  option.setTextDirection(direction);
  if (bf.hasProperty(QTextFormat::BlockAlignment))
    option.setAlignment(QStyle::visualAlignment(direction, bf.alignment()));
  if (bf.nonBreakableLines()) option.setWrapMode(QTextOption::NoWrap);
  else if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && longWord)
    option.setWrapMode(QTextOption::WrapAnywhere);
  return option;
}
}  // namespace

// Lines of `tl` from `y` down, each as wide as the block allows; returns where they end.
qreal DocumentLayout::PlaceLines(const QTextBlock& block, QTextLayout* tl, bool firstLine, qreal y) const {
  const QTextBlockFormat bf = block.blockFormat();
  const qreal left = document()->documentMargin() + bf.leftMargin();
  const qreal width = LineWidth(bf);
  tl->beginLayout();
  for (QTextLine line = tl->createLine(); line.isValid(); line = tl->createLine()) {
    const qreal indent = firstLine ? bf.textIndent() : 0;
    line.setLineWidth(std::max<qreal>(1, width - indent));
    line.setPosition(QPointF(left + indent, y));
    y += line.height();
    firstLine = false;
  }
  tl->endLayout();
  return y;
}

qreal DocumentLayout::LayOut(const QTextBlock& block) const {
  const QTextBlockFormat bf = block.blockFormat();
  QTextLayout* tl = block.layout();
  // A shorter paragraph's text is not copied to be looked at: most are laid out here.
  tl->setTextOption(OptionFor(document(), block, block.length() > kLongWord && HasLongWord(block.text())));
  tl->setCacheEnabled(false);
  tl->setPosition(QPointF(0, 0));
  return Dyadic(PlaceLines(block, tl, true, bf.topMargin()) + bf.bottomMargin());
}

qreal DocumentLayout::PieceEstimate(const QTextBlock& block, int length) const {
  const QTextBlockFormat bf = block.blockFormat();
  const qreal width = LineWidth(bf);
  return Dyadic(std::max<qreal>(1, std::ceil(length * charWidth_ / width)) * lineHeight_);
}

DocumentLayout::Pieces DocumentLayout::MakePieces(const QTextBlock& block, int start, const QString& text) const {
  Pieces pieces;
  int at = 0;
  for (const int end : PieceEnds(text)) {
    Piece p;
    p.start = start + at;
    p.length = end - at;
    p.height = PieceEstimate(block, p.length);
    pieces.push_back(std::move(p));
    at = end;
  }
  return pieces;
}

DocumentLayout::Pieces* DocumentLayout::PiecesOf(int index, const QTextBlock& block) const {
  if (index < 0 || index >= int(pieces_.size())) return nullptr;
  std::unique_ptr<Pieces>& slot = pieces_[size_t(index)];
  if (block.length() <= kPieced) {
    slot.reset();
    return nullptr;
  }
  // Pieces that no longer add up to the text (a change not seen yet) are made anew.
  if (slot) {
    int sum = 0;
    for (const Piece& p : *slot) sum += p.length;
    if (sum != block.length() - 1) slot.reset();
  }
  if (!slot) {
    slot = std::make_unique<Pieces>(MakePieces(block, 0, block.text()));
    // The paragraph's own layout keeps nothing of an earlier layout: Qt's cursor code finds no
    // lines in it, rather than stale ones.
    QTextLayout* tl = block.layout();
    tl->clearLayout();
    tl->setCacheEnabled(false);
    PiecesHeight(block, *slot);
  }
  return slot.get();
}

qreal DocumentLayout::PiecesHeight(const QTextBlock& block, Pieces& pieces) const {
  const QTextBlockFormat bf = block.blockFormat();
  qreal y = bf.topMargin();
  for (Piece& p : pieces) {
    p.y = y;
    y += p.height;
  }
  return Dyadic(y + bf.bottomMargin());
}

namespace {
// The formats of the block's text start..start+length, from there. `it` walks the block's
// fragments and is left where the next piece, further on, finds its first: the pieces of one pass
// read the paragraph's formats once between them, not all of them each.
QList<QTextLayout::FormatRange> FormatsOf(QTextBlock::iterator& it, int blockPosition, int start, int length) {
  QList<QTextLayout::FormatRange> own;
  int format = -1;
  for (; !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    const int from = f.position() - blockPosition, to = from + f.length();
    if (to <= start) continue;
    if (from >= start + length) break;
    const int a = std::max(from, start), b = std::min(to, start + length);
    // One range for a run of one format, as QTextBlock::textFormats() gives it.
    if (f.charFormatIndex() == format) own.last().length += b - a;
    else own.append({a - start, b - a, f.charFormat()});
    format = f.charFormatIndex();
    if (to > start + length) break;
  }
  return own;
}
}  // namespace

void DocumentLayout::LayOutPiece(const QTextBlock& block, Piece& piece, bool first, QTextBlock::iterator& formats) const {
  const QString text = TextOf(block, piece.start, piece.length);
  auto tl = std::make_unique<QTextLayout>(text, document()->defaultFont());
  const QList<QTextLayout::FormatRange> own = FormatsOf(formats, block.position(), piece.start, piece.length);
  tl->setFormats(own);
  tl->setTextOption(OptionFor(document(), block, HasLongWord(text)));
  // Its glyphs are kept: a paint (each blink of the caret) then shapes nothing again.
  tl->setCacheEnabled(true);
  piece.height = Dyadic(PlaceLines(block, tl.get(), first, 0));
  piece.layout = std::move(tl);
}

bool DocumentLayout::LayOutPieces(int index, const QTextBlock& block, qint64 budgetNs, int from, int to) const {
  Pieces* pieces = PiecesOf(index, block);
  if (!pieces) return true;
  QElapsedTimer clock;
  clock.start();
  QTextBlock::iterator formats = block.begin();
  for (size_t k = 0; k < pieces->size(); ++k) {
    Piece& p = (*pieces)[k];
    if (p.layout) continue;
    if (from >= 0 && (p.start + p.length < from || p.start > to)) continue;
    if (budgetNs >= 0 && clock.nsecsElapsed() >= budgetNs) break;
    if (p.length > 2 * kPiece) {
      Pieces split = MakePieces(block, p.start, TextOf(block, p.start, p.length));
      pieces->erase(pieces->begin() + std::ptrdiff_t(k));
      pieces->insert(pieces->begin() + std::ptrdiff_t(k), std::make_move_iterator(split.begin()),
                     std::make_move_iterator(split.end()));
    }
    LayOutPiece(block, (*pieces)[k], k == 0, formats);
  }
  PiecesHeight(block, *pieces);
  return std::all_of(pieces->begin(), pieces->end(), [](const Piece& p) { return bool(p.layout); });
}

void DocumentLayout::EditPieces(Pieces& pieces, int relative, int removed, int added) const {
  // What was removed leaves the pieces it was in...
  int at = 0;
  for (Piece& p : pieces) {
    const int cut = std::max(0, std::min(at + p.length, relative + removed) - std::max(at, relative));
    at += p.length;
    if (cut == 0) continue;
    p.length -= cut;
    p.layout.reset();
  }
  if (pieces.size() > 1)
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(), [](const Piece& p) { return p.length == 0; }),
                 pieces.end());
  // ...and what was added goes into the one holding its place.
  at = 0;
  for (size_t k = 0; k < pieces.size(); ++k) {
    Piece& p = pieces[k];
    p.start = at;
    if (added > 0 && relative >= at && (relative < at + p.length || k + 1 == pieces.size())) {
      p.length += added;
      p.layout.reset();
      added = 0;
    }
    at += p.length;
  }
}

void DocumentLayout::PieceLaidOut(int index, const QTextBlock& block) const {
  Pieces* pieces = PiecesOf(index, block);
  if (!pieces) return;
  SetHeight(index, PiecesHeight(block, *pieces));
  if (!exact_[size_t(index)] &&
      std::all_of(pieces->begin(), pieces->end(), [](const Piece& p) { return bool(p.layout); })) {
    exact_[size_t(index)] = 1;
    --pending_;
  }
  PostSize();
}

DocumentLayout::Part DocumentLayout::PartAt(int index, const QTextBlock& block, int relative, qreal y) const {
  Pieces* pieces = PiecesOf(index, block);
  if (!pieces) return {block.layout(), 0, 0};
  for (;;) {
    size_t k = 0;
    if (relative >= 0) {
      while (k + 1 < pieces->size() && (*pieces)[k + 1].start <= relative) ++k;
    } else {
      while (k + 1 < pieces->size() && (*pieces)[k + 1].y <= y) ++k;
    }
    const Piece& p = (*pieces)[k];
    if (p.layout) return {p.layout.get(), p.start, p.y};
    LayOutPieces(index, block, -1, p.start + 1, p.start + p.length - 1);
    PieceLaidOut(index, block);
  }
}

void DocumentLayout::SetHeight(int index, qreal h) const {
  const qreal delta = h - heights_[size_t(index)];
  heights_[size_t(index)] = h;
  if (delta == 0) return;
  for (size_t i = size_t(index) + 1; i <= tree_.size(); i += i & (~i + 1)) tree_[i - 1] += delta;
}

void DocumentLayout::RebuildTree(int from) const {
  // Node i (from 1) sums the heights of blocks i - lowbit(i) to i - 1: the nodes up to `from` sum
  // only blocks before it and stand. Each later node is its own block's height and the nodes of
  // its children, and every node is a child of one node only, so this costs the nodes made again
  // (a text coming in at the end, a step at a time, builds its tree once in all).
  const size_t n = heights_.size();
  const size_t kept = std::min(size_t(std::max(from, 0)), std::min(n, tree_.size()));
  tree_.resize(kept);
  tree_.resize(n);
  for (size_t i = kept + 1; i <= n; ++i) {
    qreal sum = heights_[i - 1];
    const size_t low = i - (i & (~i + 1));
    for (size_t j = i - 1; j > low; j -= j & (~j + 1)) sum += tree_[j - 1];
    tree_[i - 1] = sum;
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
    pieces_.clear();
    pieces_.resize(size_t(n));
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && i < n; b = b.next(), ++i) heights_[size_t(i)] = Estimate(b);
  } else if (width != width_) {
    // The old heights, at the new width, are the better guess until each block is laid out again.
    for (qreal& h : heights_) h = Dyadic(std::max(lineHeight_, h * width_ / width));
  }
  // Pieces keep where they end, and their heights as the guess, until laid out again.
  for (auto& pieces : pieces_)
    if (pieces)
      for (Piece& p : *pieces) p.layout.reset();
  width_ = width;
  exact_.assign(size_t(n), 0);
  pending_ = n;
  scan_ = 0;
  RebuildTree(0);
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
  const int relative = from - firstBlock.position();
  if (newSpan == oldSpan && charsRemoved == charsAdded) {
    // A change of style (or of as many characters): the pieces' ends stay.
    int i = first;
    for (QTextBlock b = firstBlock; i < first + newSpan; b = b.next(), ++i) {
      if (!pieces_[size_t(i)]) continue;
      for (Piece& p : *pieces_[size_t(i)])
        if (b.position() + p.start < from + charsAdded && b.position() + p.start + p.length >= from) p.layout.reset();
    }
  } else if (newSpan == 1 && oldSpan == 1 && pieces_[size_t(first)]) {
    EditPieces(*pieces_[size_t(first)], relative, charsRemoved, charsAdded);
  } else {
    for (int i = first; i < first + oldSpan; ++i) pieces_[size_t(i)].reset();
  }
  if (newSpan != oldSpan) {
    // Moved rather than copied, the pieces' layouts being their own.
    std::vector<std::unique_ptr<Pieces>> tail(std::make_move_iterator(pieces_.begin() + first + oldSpan),
                                              std::make_move_iterator(pieces_.end()));
    pieces_.resize(size_t(first));
    pieces_.resize(size_t(first + newSpan));
    for (auto& t : tail) pieces_.push_back(std::move(t));
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
  // With as many blocks as before, only the touched blocks' sums change: the tree is updated in
  // place rather than built again over every block.
  const bool rebuild = newSpan != oldSpan;
  const auto setHeight = [&](int index, qreal h) {
    if (rebuild) heights_[size_t(index)] = h;
    else SetHeight(index, h);
  };
  int i = first;
  for (QTextBlock b = firstBlock; i < first + newSpan; b = b.next(), ++i) {
    if (Pieces* pieces = PiecesOf(i, b)) {
      // Of a long paragraph, the pieces at the change now, the rest as the rest of the text.
      const bool whole = now && LayOutPieces(i, b, -1, from - b.position(), from - b.position() + charsAdded);
      setHeight(i, PiecesHeight(b, *pieces));
      exact_[size_t(i)] = whole ? 1 : 0;
      pending_ += whole ? 0 : 1;
      if (!whole) scan_ = std::min(scan_, i);
      continue;
    }
    setHeight(i, now ? LayOut(b) : Estimate(b));
    exact_[size_t(i)] = now ? 1 : 0;
    pending_ += now ? 0 : 1;
  }
  if (!now) scan_ = std::min(scan_, first);
  if (rebuild) RebuildTree(first);
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
  // Of a long paragraph only the pieces looked at are laid out (PartAt); its height meanwhile
  // counts the others at a guess.
  if (Pieces* pieces = PiecesOf(i, block)) {
    const qreal h = PiecesHeight(block, *pieces);
    if (h == heights_[size_t(i)]) return false;
    SetHeight(i, h);
    PostSize();
    return true;
  }
  SetHeight(i, LayOut(block));
  exact_[size_t(i)] = 1;
  --pending_;
  PostSize();
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
    // The tree is updated block by block: a slice lays out few of many blocks.
    if (Pieces* pieces = PiecesOf(i, b)) {
      const bool whole = LayOutPieces(i, b, budgetNs < 0 ? -1 : std::max<qint64>(1, budgetNs - clock.nsecsElapsed()));
      SetHeight(i, PiecesHeight(b, *pieces));
      *changed = true;
      if (!whole) break;
      exact_[size_t(i)] = 1;
      --pending_;
      continue;
    }
    SetHeight(i, LayOut(b));
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
  if (int(heights_.size()) != document()->blockCount()) ResetAll();
  const int last = std::min(block.isValid() ? block.blockNumber() : int(heights_.size()) - 1, int(heights_.size()) - 1);
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
  const qreal inBlock = point.y() - Top(i);
  const Part part = PartAt(i, block, -1, inBlock);
  const qreal y = inBlock - part.y;
  const QTextLayout* tl = part.layout;
  const int lines = tl->lineCount();
  if (lines == 0) return accuracy == Qt::FuzzyHit ? block.position() : -1;
  if (inBlock >= heights_[size_t(i)] && i == int(heights_.size()) - 1 && accuracy == Qt::ExactHit) return -1;
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
  return block.isValid() && block.length() > kPieced && i >= 0 && i < int(pieces_.size());
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
  const Pieces* pieces = PiecesOf(i, block);
  int lines = 0;
  for (const Piece& p : *pieces) lines += p.layout ? p.layout->lineCount() : 1;
  return lines;
}

int DocumentLayout::LineNumberAt(const QTextBlock& block, int relative) const {
  const int i = block.blockNumber();
  if (!Pieced(block)) {
    const QTextLine l = block.layout() ? block.layout()->lineForTextPosition(relative) : QTextLine();
    return l.isValid() ? l.lineNumber() : 0;
  }
  const Part part = PartAt(i, block, relative);
  int lines = 0;
  for (const Piece& p : *PiecesOf(i, block)) {
    if (p.start >= part.offset) break;
    lines += p.layout ? p.layout->lineCount() : 1;
  }
  const QTextLine l = part.layout->lineForTextPosition(relative - part.offset);
  return lines + (l.isValid() ? l.lineNumber() : 0);
}

qreal DocumentLayout::LineTop(const QTextBlock& block, int line) const {
  const int i = block.blockNumber();
  if (!Pieced(block)) {
    const QTextLayout* tl = block.layout();
    return tl && line >= 0 && line < tl->lineCount() ? tl->lineAt(line).y() : 0;
  }
  Pieces* pieces = PiecesOf(i, block);
  for (const Piece& p : *pieces) {
    const int lines = p.layout ? p.layout->lineCount() : 1;
    if (line < lines) return p.y + (p.layout ? p.layout->lineAt(std::max(0, line)).y() : 0);
    line -= lines;
  }
  return pieces->empty() ? 0 : pieces->back().y;
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
    const Pieces* pieces = PiecesOf(i, block);
    if (!pieces) {
      DrawPart(painter, context, block, block.layout(), 0, block.length(), top, true);
      continue;
    }
    for (size_t k = 0; k < pieces->size(); ++k) {
      {
        const Piece& p = (*pieces)[k];
        if (top + p.y > clip.bottom()) break;
        if (top + p.y + p.height < clip.top()) continue;
      }
      const Part part = PartAt(i, block, (*pieces)[k].start);
      // Laying the piece out may have split it, moving the pieces: read it again.
      const Piece& p = (*pieces)[k];
      const bool last = k + 1 == pieces->size();
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
