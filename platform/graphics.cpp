#include "graphics.h"

#include <QPainter>

namespace fw {

Graphics::~Graphics() = default;

void Graphics::DrawString(const QString& text, int x, int y, int, bool) {
  if (!painter_) return;
  QFont f = painter_->font();
  if (!TextFont.isEmpty()) f.setFamily(TextFont);
  if (TextSize > 0) f.setPointSize(TextSize);
  f.setBold(Bold);
  f.setItalic(Italic);
  f.setUnderline(Underline);
  painter_->setFont(f);
  painter_->setPen(ToQColor(ForeColor));
  painter_->drawText(QPointF(x * scale_, y * scale_), text);
}

}  // namespace fw
