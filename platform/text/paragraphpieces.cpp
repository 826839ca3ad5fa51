#include "platform/text/paragraphpieces.h"

#include <QElapsedTimer>
#include <QStyle>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "platform/text/heighttree.h"

namespace fw {

bool HasLongWord(QStringView text) {
  if (text.size() <= kLongWord) return false;
  int run = 0;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongWord) return true;
  }
  return false;
}

QTextOption OptionFor(const QTextBlock& block, bool longWord) {
  const QTextBlockFormat bf = block.blockFormat();
  QTextOption option = block.document()->defaultTextOption();
  const Qt::LayoutDirection direction = block.textDirection();
  option.setTextDirection(direction);
  if (bf.hasProperty(QTextFormat::BlockAlignment))
    option.setAlignment(QStyle::visualAlignment(direction, bf.alignment()));
  if (bf.nonBreakableLines()) option.setWrapMode(QTextOption::NoWrap);
  else if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && longWord)
    option.setWrapMode(QTextOption::WrapAnywhere);
  return option;
}

qreal PlaceLines(QTextLayout* tl, const QTextBlockFormat& bf, qreal left, qreal width, bool firstLine, qreal y) {
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

namespace {
// Read a character at a time: a QTextCursor placed in the paragraph would have Qt's layout of the
// whole paragraph analyse all of its text (for the cursor's x), a long wait at 10 MB.
QString TextOf(const QTextBlock& block, int start, int length) {
  const QTextDocument* doc = block.document();
  QString text(length, Qt::Uninitialized);
  const int from = block.position() + start;
  for (int k = 0; k < length; ++k) text[k] = doc->characterAt(from + k);
  return text;
}

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

std::vector<int> ParagraphPieces::Ends(const QString& text) {
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

ParagraphPieces::Pieces ParagraphPieces::Make(const Frame& frame, int start, const QString& text) {
  Pieces pieces;
  int at = 0;
  for (const int end : Ends(text)) {
    Piece p;
    p.start = start + at;
    p.length = end - at;
    p.height = HeightTree::Dyadic(std::max<qreal>(1, std::ceil(p.length * frame.charWidth / frame.width)) *
                                  frame.lineHeight);
    pieces.push_back(std::move(p));
    at = end;
  }
  return pieces;
}

ParagraphPieces::ParagraphPieces(const QTextBlock& block, const Frame& frame)
    : pieces_(Make(frame, 0, block.text())) {
  QTextLayout* tl = block.layout();
  tl->clearLayout();
  tl->setCacheEnabled(false);
  Stack(block);
}

bool ParagraphPieces::Cover(const QTextBlock& block) const {
  int sum = 0;
  for (const Piece& p : pieces_) sum += p.length;
  return sum == block.length() - 1;
}

size_t ParagraphPieces::Find(int relative, qreal y) const {
  size_t k = 0;
  if (relative >= 0) {
    while (k + 1 < pieces_.size() && pieces_[k + 1].start <= relative) ++k;
  } else {
    while (k + 1 < pieces_.size() && pieces_[k + 1].y <= y) ++k;
  }
  return k;
}

qreal ParagraphPieces::Stack(const QTextBlock& block) {
  const QTextBlockFormat bf = block.blockFormat();
  qreal y = bf.topMargin();
  for (Piece& p : pieces_) {
    p.y = y;
    y += p.height;
  }
  return HeightTree::Dyadic(y + bf.bottomMargin());
}

void ParagraphPieces::LayOutPiece(const QTextBlock& block, const Frame& frame, Piece& piece, bool first,
                                  QTextBlock::iterator& formats) {
  const QString text = TextOf(block, piece.start, piece.length);
  auto tl = std::make_unique<QTextLayout>(text, frame.font);
  const QList<QTextLayout::FormatRange> own = FormatsOf(formats, block.position(), piece.start, piece.length);
  tl->setFormats(own);
  tl->setTextOption(OptionFor(block, HasLongWord(text)));
  // Its glyphs are kept: a paint (each blink of the caret) then shapes nothing again.
  tl->setCacheEnabled(true);
  piece.height = HeightTree::Dyadic(PlaceLines(tl.get(), block.blockFormat(), frame.left, frame.width, first, 0));
  piece.layout = std::move(tl);
}

bool ParagraphPieces::LayOut(const QTextBlock& block, const Frame& frame, qint64 budgetNs, int from, int to) {
  QElapsedTimer clock;
  clock.start();
  QTextBlock::iterator formats = block.begin();
  for (size_t k = 0; k < pieces_.size(); ++k) {
    Piece& p = pieces_[k];
    if (p.layout) continue;
    if (from >= 0 && (p.start + p.length < from || p.start > to)) continue;
    if (budgetNs >= 0 && clock.nsecsElapsed() >= budgetNs) break;
    if (p.length > 2 * kPiece) {
      Pieces split = Make(frame, p.start, TextOf(block, p.start, p.length));
      pieces_.erase(pieces_.begin() + std::ptrdiff_t(k));
      pieces_.insert(pieces_.begin() + std::ptrdiff_t(k), std::make_move_iterator(split.begin()),
                     std::make_move_iterator(split.end()));
    }
    LayOutPiece(block, frame, pieces_[k], k == 0, formats);
  }
  Stack(block);
  return LaidOut();
}

bool ParagraphPieces::LaidOut() const {
  return std::all_of(pieces_.begin(), pieces_.end(), [](const Piece& p) { return bool(p.layout); });
}

void ParagraphPieces::Edit(int relative, int removed, int added) {
  // What was removed leaves the pieces it was in...
  int at = 0;
  for (Piece& p : pieces_) {
    const int cut = std::max(0, std::min(at + p.length, relative + removed) - std::max(at, relative));
    at += p.length;
    if (cut == 0) continue;
    p.length -= cut;
    p.layout.reset();
  }
  if (pieces_.size() > 1)
    pieces_.erase(std::remove_if(pieces_.begin(), pieces_.end(), [](const Piece& p) { return p.length == 0; }),
                  pieces_.end());
  // ...and what was added goes into the one holding its place.
  at = 0;
  for (size_t k = 0; k < pieces_.size(); ++k) {
    Piece& p = pieces_[k];
    p.start = at;
    if (added > 0 && relative >= at && (relative < at + p.length || k + 1 == pieces_.size())) {
      p.length += added;
      p.layout.reset();
      added = 0;
    }
    at += p.length;
  }
}

void ParagraphPieces::Forget() {
  for (Piece& p : pieces_) p.layout.reset();
}

void ParagraphPieces::Forget(int from, int end) {
  for (Piece& p : pieces_)
    if (p.start < end && p.start + p.length >= from) p.layout.reset();
}

int ParagraphPieces::LineCount() const {
  int lines = 0;
  for (const Piece& p : pieces_) lines += LinesOf(p);
  return lines;
}

int ParagraphPieces::LinesBefore(int offset) const {
  int lines = 0;
  for (const Piece& p : pieces_) {
    if (p.start >= offset) break;
    lines += LinesOf(p);
  }
  return lines;
}

qreal ParagraphPieces::LineTop(int line) const {
  for (const Piece& p : pieces_) {
    const int lines = LinesOf(p);
    if (line < lines) return p.y + (p.layout ? p.layout->lineAt(std::max(0, line)).y() : 0);
    line -= lines;
  }
  return pieces_.empty() ? 0 : pieces_.back().y;
}

}  // namespace fw
