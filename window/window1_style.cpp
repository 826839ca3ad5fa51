// The style tool row: font and size pop-ups, the three toggles, the press in the editor that shows
// a character's style, and Set Default Style.

#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/text/fontfamily.h"
#include "platform/controls/rectangle.h"
#include "platform/system/strings.h"
#include "store/module1.h"
#include "store/module1style.h"
#include "window/window1.h"

using namespace fw;

void Window1::FontMenu_Open() {
  BevelButton& menu = BevelNamed(QStringLiteral("FontMenu"));
  for (int i = 0; i < FontCount(); ++i) menu.AddRow(Font(i));
  menu.SetCaption(EF1().SelTextFont());
}

void Window1::SizeMenu_Open() {
  BevelButton& menu = BevelNamed(QStringLiteral("SizeMenu"));
  for (const char* size : {"9", "10", "12", "14", "18", "24", "36"}) menu.AddRow(QString::fromLatin1(size));
  menu.SetCaption(Str(EF1().SelTextSize()));
}

void Window1::FontMenu_Action() {
  BevelButton& menu = BevelNamed(QStringLiteral("FontMenu"));
  menu.SetCaption(menu.List(menu.MenuValue()));
  Module1::MyFont = menu.Caption();
  EF1().SetSelTextFont(Module1::MyFont);
  Module1::refreshText();
}

void Window1::SizeMenu_Action() {
  BevelButton& menu = BevelNamed(QStringLiteral("SizeMenu"));
  menu.SetCaption(menu.List(menu.MenuValue()));
  Module1::MySize = ToInt32(Val(menu.Caption()));
  EF1().SetSelTextSize(Module1::MySize);
  Module1::refreshText();
}

void Window1::BoldButton_Action() {
  EF1().SetSelBold(BevelNamed(QStringLiteral("BoldButton")).Value());
  Module1::refreshText();
}

void Window1::ItalicButton_Action() {
  EF1().SetSelItalic(BevelNamed(QStringLiteral("ItalicButton")).Value());
  Module1::refreshText();
}

void Window1::UnderlineButton_Action() {
  EF1().SetSelUnderline(BevelNamed(QStringLiteral("UnderlineButton")).Value());
  Module1::refreshText();
}

bool Window1::EF1_MouseDown(int x, int y) {
  EditField& ef = EF1();
  const int pos = ef.CharPosAtXY(x, y);
  if (pos > 0) {
    const StyledText st = ef.GetStyledText();
    const QString font = st.Font(pos - 1, 1);
    BevelNamed(QStringLiteral("FontMenu")).SetCaption(font);
    Module1::MyFont = font;
    const int size = st.Size(pos - 1, 1);
    BevelNamed(QStringLiteral("SizeMenu")).SetCaption(Str(size));
    Module1::MySize = size;
    RectNamed(QStringLiteral("ColorRect")).SetFillColor(st.TextColor(pos - 1, 1));
    BevelNamed(QStringLiteral("BoldButton")).SetValue(st.Bold(pos - 1, 1));
    BevelNamed(QStringLiteral("ItalicButton")).SetValue(st.Italic(pos - 1, 1));
    BevelNamed(QStringLiteral("UnderlineButton")).SetValue(st.Underline(pos - 1, 1));
  }
  return false;
}

void Window1::SetDefault_Action() { Module1::saveDefaultStyle(); }
