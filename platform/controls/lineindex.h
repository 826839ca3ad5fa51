#pragma once
// The first visual line of each block, counted once from the start of the document and kept
// until the document or its layout changes, so that finding a line in a text of 100,000 blocks
// takes no walk through them. Only blocks already laid out are kept: a block not laid out yet
// has no line count of its own, and the count of every block after it is not known either.

#include <QMetaObject>
#include <QObject>
#include <QTextBlock>
#include <vector>

class QTextDocument;

namespace fw {

class DocumentLayout;

class LineIndex : public QObject {
 public:
  // The index of `doc`, which `layout` lays out, made the first time it is asked for and deleted
  // with the document.
  static LineIndex& Of(QTextDocument* doc, DocumentLayout* layout);
  explicit LineIndex(QTextDocument* doc);

  // The lines of all blocks before `block`.
  int LinesBefore(const QTextBlock& block);

  // The block that holds `line` and the line's number inside it; an invalid block when the text
  // has fewer lines. `exact` is false when the count went through blocks not laid out yet.
  QTextBlock BlockAtLine(int line, int* within, bool* exact);

 private:
  void Check(DocumentLayout* layout);
  void Reset();

  // The lines of a block as laid out; a block not laid out yet counts one.
  int LinesOf(const QTextBlock& b) const;
  bool LaidOut(const QTextBlock& b) const;

  int Counted() const { return static_cast<int>(starts_.size()) - 1; }

  bool Grow();

  QTextDocument* doc_;
  DocumentLayout* layout_ = nullptr;
  QMetaObject::Connection layoutConnections_[2];
  std::vector<int> starts_;  // starts_[i]: the lines before block i, for the blocks counted
  QTextBlock next_;          // the first block not counted
  int blocks_ = 0, characters_ = 0;
};

}  // namespace fw
