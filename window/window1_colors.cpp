// The Color button, the colour swatch, the five ink pots and the colour drag between them.

#include "platform/controls/editfield.h"
#include "platform/controls/rectangle.h"
#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "window/window1.h"

using namespace fw;

namespace {
const QString kColorDragType = QStringLiteral("foob");

// The colour's text as a colour travels in a drag: "&h" and RRGGBB in hexadecimal digits.
QString ColorDragText(Color c) {
  return QStringLiteral("&h") + QStringLiteral("%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
}

// The colour back from that text. Only positions 3 to 8 are read; a pair without hexadecimal
// digits, or missing from a short text, reads as 0.
Color ColorFromDragText(const QString& s) {
  const int32_t red = ToInt32(Val(QStringLiteral("&h") + Mid(s, 3, 2)));
  const int32_t green = ToInt32(Val(QStringLiteral("&h") + Mid(s, 5, 2)));
  const int32_t blue = ToInt32(Val(QStringLiteral("&h") + Mid(s, 7, 2)));
  return RGB(red, green, blue);
}

QString PotName(int n) { return QStringLiteral("InkPot") + Str(n); }
}  // namespace

void Window1::ColorRect_Open() { RectNamed(QStringLiteral("ColorRect")).AcceptMacDataDrop(kColorDragType); }

bool Window1::ColorRect_MouseDown(int x, int y) {
  Rectangle& swatch = RectNamed(QStringLiteral("ColorRect"));
  if (Keyboard::ControlKey()) {
    ColorDrag(swatch, x, y);
    return false;
  }
  Module1::C = swatch.FillColor();
  if (Module1::C != kWhite) EF1().SetSelTextColor(Module1::C);
  return true;
}

void Window1::ColorRect_DropObject(DragItem&, int) {
  // The swatch is a drop target like the pots, but its colour follows the typing style: a
  // dropped colour changes nothing.
  RectNamed(QStringLiteral("ColorRect")).Refresh(true);
}

void Window1::MyColor_Action() {
  Color c = RGB(0, 0, 0);
  if (!SelectColor(c, QStringLiteral("Select a Text Color"))) return;
  RectNamed(QStringLiteral("ColorRect")).SetFillColor(c);
  Module1::MyColor = c;
  EF1().SetSelTextColor(c);
}

void Window1::InkPotOpen(int n) { RectNamed(PotName(n)).AcceptMacDataDrop(kColorDragType); }

void Window1::InkPotDropObject(int n, DragItem& item, int) {
  Rectangle& pot = RectNamed(PotName(n));
  if (item.MacDataAvailable(kColorDragType)) {
    pot.SetFillColor(ColorFromDragText(item.MacData(kColorDragType)));
    Module1::saveInkpotColors();
  }
  pot.Refresh(true);
}

bool Window1::InkPotMouseDown(int n, int x, int y) {
  Rectangle& pot = RectNamed(PotName(n));
  if (Keyboard::ControlKey()) {
    ColorDrag(pot, x, y);
    return false;
  }
  Module1::C = pot.FillColor();
  if (Module1::C != kWhite) {
    EF1().SetSelTextColor(Module1::C);
    RectNamed(QStringLiteral("ColorRect")).SetFillColor(pot.FillColor());
  }
  return true;
}

void Window1::ColorDrag(Rectangle& ctl, int x, int y) {
  DragItem item = NewDragItem(ctl.Left() + x, ctl.Top() + y, 10, 10);
  item.SetPrivateMacData(kColorDragType, ColorDragText(ctl.FillColor()));
  item.Drag(ctl.Widget());
  // Written whatever became of the drag, the swatch colour included.
  Module1::saveDefaultStyle();
}

void Window1::InkPot1_Open() { InkPotOpen(1); }
void Window1::InkPot2_Open() { InkPotOpen(2); }
void Window1::InkPot3_Open() { InkPotOpen(3); }
void Window1::InkPot4_Open() { InkPotOpen(4); }
void Window1::InkPot5_Open() { InkPotOpen(5); }
void Window1::InkPot1_DropObject(DragItem& item, int action) { InkPotDropObject(1, item, action); }
void Window1::InkPot2_DropObject(DragItem& item, int action) { InkPotDropObject(2, item, action); }
void Window1::InkPot3_DropObject(DragItem& item, int action) { InkPotDropObject(3, item, action); }
void Window1::InkPot4_DropObject(DragItem& item, int action) { InkPotDropObject(4, item, action); }
void Window1::InkPot5_DropObject(DragItem& item, int action) { InkPotDropObject(5, item, action); }
bool Window1::InkPot1_MouseDown(int x, int y) { return InkPotMouseDown(1, x, y); }
bool Window1::InkPot2_MouseDown(int x, int y) { return InkPotMouseDown(2, x, y); }
bool Window1::InkPot3_MouseDown(int x, int y) { return InkPotMouseDown(3, x, y); }
bool Window1::InkPot4_MouseDown(int x, int y) { return InkPotMouseDown(4, x, y); }
bool Window1::InkPot5_MouseDown(int x, int y) { return InkPotMouseDown(5, x, y); }
