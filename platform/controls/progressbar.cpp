#include "platform/controls/progressbar.h"

#include <QProgressBar>

#include "platform/controls/window.h"

namespace fw {

namespace {
QProgressBar* Bar(const RectControl* c) { return static_cast<QProgressBar*>(c->Widget()); }
}  // namespace

ProgressBar::ProgressBar(Window* window, const QString& name) : RectControl(window, name, new QProgressBar(window->Content())) {
  // A bar alone, without a percentage beside it.
  Bar(this)->setTextVisible(false);
}
int ProgressBar::Maximum() const { return Bar(this)->maximum(); }
void ProgressBar::SetMaximum(int m) { Bar(this)->setMaximum(m); }
int ProgressBar::Value() const { return Bar(this)->value(); }
void ProgressBar::SetValue(int v) { Bar(this)->setValue(v); }

}  // namespace fw
