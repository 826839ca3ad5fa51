#include "platform/controls/statictext.h"

#include <QLabel>

#include "platform/controls/window.h"

namespace fw {

StaticText::StaticText(Window* window, const QString& name) : RectControl(window, name, new QLabel(window->Content())) {
  Label()->setTextFormat(Qt::PlainText);
  SetTextAlign(0);
  SetTextColor(kBlack);
}

QLabel* StaticText::Label() const { return static_cast<QLabel*>(Widget()); }
QString StaticText::Text() const { return Label()->text(); }
void StaticText::SetText(const QString& t) {
  Label()->setText(t);
  FitText();
}

void StaticText::FitText() {
  if (Label()->wordWrap()) return;
  // A label may take free space on the side its text runs to: a left-aligned one to the right, a
  // right-aligned one to the left, a centred one to both.
  const Qt::Alignment h = Label()->alignment() & Qt::AlignHorizontal_Mask;
  const Qt::Alignment grow = h & Qt::AlignRight ? Qt::AlignLeft : h & Qt::AlignHCenter ? Qt::AlignLeft | Qt::AlignRight
                                                                                         : Qt::AlignRight;
  FitTextInto(Label()->text(), Label()->contentsRect().size(), grow);
}

void StaticText::SetTextAlign(int align) {
  const Qt::Alignment h = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  Label()->setAlignment(h | (Label()->wordWrap() ? Qt::AlignTop : Qt::AlignVCenter));
}

void StaticText::SetTextColor(Color c) {
  QPalette p = Label()->palette();
  p.setColor(QPalette::WindowText, ToQColor(c));
  Label()->setPalette(p);
}

void StaticText::SetMultiline(bool on) { Label()->setWordWrap(on); }

}  // namespace fw
