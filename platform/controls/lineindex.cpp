#include "platform/controls/lineindex.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <algorithm>

#include "platform/controls/attachedto.h"
#include "platform/text/documentlayout.h"

namespace fw {

LineIndex& LineIndex::Of(QTextDocument* doc, DocumentLayout* layout) {
  LineIndex& index = AttachedTo<LineIndex>(doc, "fw.lineIndex");
  index.Check(layout);
  return index;
}

LineIndex::LineIndex(QTextDocument* doc) : QObject(doc), doc_(doc) {
  // Every change of text or format reaches this signal, and every layout (a new width, a new
  // default font, each step of the editor's background layout) those of the layout (Check).
  connect(doc, &QTextDocument::contentsChange, this, [this] { Reset(); });
  Reset();
}

int LineIndex::LinesBefore(const QTextBlock& block) {
  const int n = block.blockNumber();
  while (Counted() < n && Grow()) {}
  if (n <= Counted()) return starts_[n];
  int line = starts_.back();
  for (QTextBlock b = next_; b.isValid() && b != block; b = b.next()) line += LinesOf(b);
  return line;
}

QTextBlock LineIndex::BlockAtLine(int line, int* within, bool* exact) {
  while (starts_.back() <= line && Grow()) {}
  if (starts_.back() > line) {
    const auto at = std::upper_bound(starts_.begin(), starts_.end(), line) - 1;
    *within = line - *at;
    *exact = true;
    return doc_->findBlockByNumber(static_cast<int>(at - starts_.begin()));
  }
  int remaining = line - starts_.back();
  *exact = true;
  QTextBlock b = next_;
  for (; b.isValid(); b = b.next()) {
    const int lines = LinesOf(b);
    if (remaining < lines) break;
    *exact = *exact && LaidOut(b);
    remaining -= lines;
  }
  *within = remaining;
  return b;
}

void LineIndex::Check(DocumentLayout* layout) {
  if (layout != layout_) {
    QObject::disconnect(layoutConnections_[0]);
    QObject::disconnect(layoutConnections_[1]);
    layout_ = layout;
    layoutConnections_[0] = connect(layout, &QAbstractTextDocumentLayout::update, this, [this] { Reset(); });
    layoutConnections_[1] =
        connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged, this, [this] { Reset(); });
    Reset();
  }
  // A change still inside an open edit block has not been signalled yet.
  if (doc_->blockCount() != blocks_ || doc_->characterCount() != characters_) Reset();
}

void LineIndex::Reset() {
  starts_.assign(1, 0);
  next_ = doc_->begin();
  blocks_ = doc_->blockCount();
  characters_ = doc_->characterCount();
}

int LineIndex::LinesOf(const QTextBlock& b) const { return std::max(1, layout_->LineCount(b)); }
bool LineIndex::LaidOut(const QTextBlock& b) const { return layout_->LaidOut(b); }

bool LineIndex::Grow() {
  if (!next_.isValid() || !LaidOut(next_)) return false;
  starts_.push_back(starts_.back() + LinesOf(next_));
  next_ = next_.next();
  return true;
}

}  // namespace fw
