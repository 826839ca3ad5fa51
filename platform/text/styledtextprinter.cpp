#include "platform/text/styledtextprinter.h"

#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <QWidget>

#include "platform/text/paragraphpieces.h"
#include "platform/controls/editfield.h"
#include "platform/controls/graphics.h"

namespace fw {

StyledTextPrinter::StyledTextPrinter(const QTextDocument* document, Graphics& surface, int width)
    : document_(document),
      painter_(surface.Painter()),
      device_(surface.Device()),
      scale_(surface.Scale()),
      width_(width * surface.Scale()) {
  // An empty text has nothing to draw, not one empty line.
  started_ = document_->isEmpty();
}

StyledTextPrinter::StyledTextPrinter(std::unique_ptr<QTextDocument> document, Graphics& surface, int width)
    : StyledTextPrinter(document.get(), surface, width) {
  owned_ = std::move(document);
}

StyledTextPrinter::~StyledTextPrinter() = default;

void StyledTextPrinter::LayOut(const QTextBlock& block) {
  // Fonts are resolved for the surface's device, so a point is a point on paper.
  QFont base = block.charFormat().font().resolve(document_->defaultFont());
  const QString text = block.text();
  layout_ = std::make_unique<QTextLayout>(text, base, device_);
  layout_->setFormats(block.textFormats());
  QTextOption option = document_->defaultTextOption();
  option.setWrapMode(HasLongWord(text) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
  // The editor's tab stops are in screen pixels at 96 per inch; the same distance in points.
  option.setTabStopDistance(option.tabStopDistance() * 72.0 / 96.0 * scale_);
  layout_->setTextOption(option);
  layout_->setCacheEnabled(true);
  layout_->beginLayout();
  qreal y = 0;
  for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
    line.setLeadingIncluded(true);
    line.setLineWidth(width_);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout_->endLayout();
  line_ = 0;
}

bool StyledTextPrinter::HasLine() {
  while (!layout_ || line_ >= layout_->lineCount()) {
    if (!started_) {
      started_ = true;
      block_ = document_->begin();
    } else if (block_.isValid()) {
      block_ = block_.next();
    }
    if (!block_.isValid()) {
      layout_.reset();
      return false;
    }
    LayOut(block_);
  }
  return true;
}

bool StyledTextPrinter::EOF_() { return !HasLine(); }

void StyledTextPrinter::DrawBlock(int x, int y, int height) { Advance(x, y, height, painter_ != nullptr); }

void StyledTextPrinter::SkipBlock(int height) { Advance(0, 0, height, false); }

void StyledTextPrinter::Advance(int x, int y, int height, bool draw) {
  const qreal left = x * scale_, top = y * scale_, room = height * scale_;
  qreal used = 0;
  bool moved = false;
  if (draw) painter_->setPen(Qt::black);  // for characters without a colour of their own
  while (HasLine()) {
    const QTextLine line = layout_->lineAt(line_);
    if (moved && used + line.height() > room) break;
    if (draw) line.draw(painter_, QPointF(left, top + used - line.y()));
    used += line.height();
    moved = true;
    ++line_;
  }
}

StyledTextPrinter::Position StyledTextPrinter::Tell() const {
  if (!started_) return {};
  if (!block_.isValid()) return {Position::kEnd, 0};
  return {block_.blockNumber(), line_};
}

void StyledTextPrinter::Seek(const Position& position) {
  if (position.block >= 0 && layout_ && block_.isValid() && block_.blockNumber() == position.block) {
    line_ = position.line;  // in the paragraph laid out already
    return;
  }
  layout_.reset();
  line_ = 0;
  block_ = QTextBlock();
  started_ = position.block != -1 || document_->isEmpty();
  if (position.block < 0) return;
  block_ = document_->findBlockByNumber(position.block);
  if (!block_.isValid()) return;
  LayOut(block_);
  line_ = position.line;
}

std::unique_ptr<StyledTextPrinter> EditField::styledTextPrinter(Graphics& surface, int width) const {
  if (!multiline_) {
    // A single-line field's text in its own font.
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(Widget()->font());
    doc->setPlainText(Text());
    return std::make_unique<StyledTextPrinter>(std::move(doc), surface, width);
  }
  FinishContent();
  return std::make_unique<StyledTextPrinter>(Document(), surface, width);
}

}  // namespace fw
