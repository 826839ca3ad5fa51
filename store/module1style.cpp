#include "store/module1style.h"

#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/controls/rectangle.h"
#include "platform/system/strings.h"
#include "store/module1.h"
#include "platform/controls/window.h"

using namespace fw;

namespace Module1 {

namespace {
BevelButton& Bevel(Window& w, const char* name) { return w.Control<BevelButton>(QString::fromLatin1(name)); }
}  // namespace

void refreshText() {
  Window& w = mainWindow();
  EditField& ef = w.Control<EditField>(QStringLiteral("EF1"));
  ef.SetSelBold(Bevel(w, "BoldButton").Value());
  ef.SetSelItalic(Bevel(w, "ItalicButton").Value());
  ef.SetSelUnderline(Bevel(w, "UnderlineButton").Value());
  ef.SetSelTextSize(MySize);
  ef.SetSelTextFont(MyFont);
}

void resetStyle() {
  Window& w = mainWindow();
  EditField& ef = w.Control<EditField>(QStringLiteral("EF1"));

  const QString name = DefaultFont.isEmpty() ? QStringLiteral("Arial") : DefaultFont;
  Bevel(w, "FontMenu").SetCaption(name);
  MyFont = name;
  ef.SetTextFont(name);

  if (DefaultSize == 0) {
    Bevel(w, "SizeMenu").SetCaption(QStringLiteral("12"));
    MySize = 12;
  } else {
    Bevel(w, "SizeMenu").SetCaption(Str(DefaultSize));
    MySize = DefaultSize;
  }
  ef.SetTextSize(MySize);

  const bool bold = StrEq(DefaultBold, QStringLiteral("True"));
  Bevel(w, "BoldButton").SetValue(bold);
  ef.SetBold(bold);
  const bool italic = StrEq(DefaultItalic, QStringLiteral("True"));
  Bevel(w, "ItalicButton").SetValue(italic);
  ef.SetItalic(italic);
  const bool underline = StrEq(DefaultUnderline, QStringLiteral("True"));
  Bevel(w, "UnderlineButton").SetValue(underline);
  ef.SetUnderline(underline);

  MyColor = DefaultColor;
  w.Control<Rectangle>(QStringLiteral("ColorRect")).SetFillColor(MyColor);
  ef.SetTextColor(MyColor);
}

}  // namespace Module1
