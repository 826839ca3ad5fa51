#include "platform/controls/graphics.h"

#include <QFontMetricsF>
#include <QPainter>

namespace fw {

Graphics::~Graphics() = default;

QPaintDevice* Graphics::Device() const { return painter_ ? painter_->device() : nullptr; }

QFont Graphics::TextFontNow() const {
  QFont f = painter_ && painter_->isActive() ? painter_->font() : QFont();
  if (!TextFont.isEmpty()) f.setFamily(TextFont);
  if (TextSize > 0) f.setPointSize(TextSize);
  f.setBold(Bold);
  f.setItalic(Italic);
  f.setUnderline(Underline);
  return f;
}

double Graphics::TextDescent() const {
  QPaintDevice* device = Device();
  if (!device) return 0;
  // Measured for the device, so in its pixels; underlines hang lower than the letters.
  const QFontMetricsF metrics(TextFontNow(), device);
  return qMax(metrics.descent(), metrics.underlinePos() + metrics.lineWidth()) / scale_;
}

void Graphics::DrawString(const QString& text, int x, int y, int, bool) {
  if (!painter_) return;
  painter_->setFont(TextFontNow());
  painter_->setPen(ToQColor(ForeColor));
  painter_->drawText(QPointF(x * scale_, y * scale_), text);
}

}  // namespace fw
