#include "window/module1style.h"

#include "platform/bevelbutton.h"
#include "platform/editfield.h"
#include "platform/shapes.h"
#include "platform/strings.h"
#include "store/module1.h"
#include "window/window1.h"

using namespace fw;

namespace Module1 {

void refreshText() {
  Window1* w = Window1::Window1_();
  EditField& ef = w->EF1();
  ef.SetSelBold(w->BevelNamed(QStringLiteral("BoldButton")).Value());
  ef.SetSelItalic(w->BevelNamed(QStringLiteral("ItalicButton")).Value());
  ef.SetSelUnderline(w->BevelNamed(QStringLiteral("UnderlineButton")).Value());
  ef.SetSelTextSize(MySize);
  ef.SetSelTextFont(MyFont);
}

void resetStyle() {
  Window1* w = Window1::Window1_();
  EditField& ef = w->EF1();

  const QString name = DefaultFont.isEmpty() ? QStringLiteral("Arial") : DefaultFont;
  w->BevelNamed(QStringLiteral("FontMenu")).SetCaption(name);
  MyFont = name;
  ef.SetTextFont(name);

  if (DefaultSize == 0) {
    w->BevelNamed(QStringLiteral("SizeMenu")).SetCaption(QStringLiteral("12"));
    MySize = 12;
  } else {
    w->BevelNamed(QStringLiteral("SizeMenu")).SetCaption(Str(DefaultSize));
    MySize = DefaultSize;
  }
  ef.SetTextSize(MySize);

  const bool bold = StrEq(DefaultBold, QStringLiteral("True"));
  w->BevelNamed(QStringLiteral("BoldButton")).SetValue(bold);
  ef.SetBold(bold);
  const bool italic = StrEq(DefaultItalic, QStringLiteral("True"));
  w->BevelNamed(QStringLiteral("ItalicButton")).SetValue(italic);
  ef.SetItalic(italic);
  const bool underline = StrEq(DefaultUnderline, QStringLiteral("True"));
  w->BevelNamed(QStringLiteral("UnderlineButton")).SetValue(underline);
  ef.SetUnderline(underline);

  MyColor = DefaultColor;
  w->RectNamed(QStringLiteral("ColorRect")).SetFillColor(MyColor);
  ef.SetTextColor(MyColor);
}

}  // namespace Module1
