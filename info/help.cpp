#include "info/help.h"

#include "platform/controls/editfield.h"

using namespace fw;

Help::Help() : Window(QStringLiteral("Help")) {}

Help* Help::Help_() { return ImplicitWindow<Help>(QStringLiteral("Help")); }

EditField& Help::EditField1() const { return Control<EditField>(QStringLiteral("EditField1")); }

void Help::Layout() {
  SetProperties(FixedWindow(QStringLiteral("Help"), 350, 348));
}

void Help::CreateControls() { CreateControls0(); }

void Help::CreateControls0() {
  ControlProperties props = PlacedAt(20, 19, 310, 309);
  props.TabIndex = 0;
  auto* field = New<EditField>("EditField1", props, true);
  field->SetStyled(true);
  field->SetBorder(true);
  field->SetAcceptTabs(false);
  field->SetLimitText(0);
  field->SetAlignment(0);
  field->SetReadOnly(true);
  field->SetText(Paragraphs().join(QStringLiteral("\n\n")));
}

const QStringList& Help::Paragraphs() {
  static const QStringList paragraphs = {
      QStringLiteral("Tavrin keeps your journal: as many Sections as you like, each of them as long as you like. "
                     "Font, font size and style (bold, italic, underlined, colour) can be chosen letter by letter, "
                     "and Sections can be printed. To make the main window larger, drag its bottom right corner "
                     "or click the maximize button in its title bar."),
      QStringLiteral("To create a Section, click \"New\", type a name that no other Section has and click \"OK\"; "
                     "the new Section goes to the end of the list. Drag a name up or down to move it in the list, "
                     "and click the list's header (\"Sections\") to sort the names from a to z, or from z to a. "
                     "Type or paste your text into the large text area. A hint: pasted text keeps the style of "
                     "the text you copied, and what you type after it goes on in that style, so you may want to "
                     "type some text in the default style before you paste."),
      QStringLiteral("A double-click on a Section's name turns it from plain black to bold red, to mark it; a "
                     "second double-click turns it back."),
      QStringLiteral("Colours: the \"Color\" button opens the colour picker, and after \"OK\" the colour you chose "
                     "fills the \"Swatch\", the small rectangle to the right of the \"Color\" button. The five "
                     "\"Inkpots\" below the \"Color\" button keep colours for you: hold down the Ctrl key while you "
                     "drag from the Swatch to an ink pot to keep the Swatch's colour there. To colour text, select "
                     "it and click the Swatch or an ink pot."),
      QStringLiteral("Note: text and ink pots cannot be made pure white, since white text could not be read."),
      QStringLiteral("Click on a letter, or select a word, a sentence or a paragraph, and the row of controls at "
                     "the top shows its style: font, font size, bold, italic, underline and colour."),
      QStringLiteral("You can search for text in a Section, with or without regard to upper and lower case."),
      QStringLiteral("A Section's text is saved when you click another Section and when you quit."),
      QStringLiteral("Click a Section's name to see its text."),
      QStringLiteral("To delete a Section, click its name and then \"Delete\": the Section and its text are "
                     "deleted."),
      QStringLiteral("To rename a Section, change its name in the \"Selected Section\" field and click \"Save As\"."),
      QStringLiteral("The default style is Arial, size 12, not bold, not italic, not underlined, in black. You can "
                     "choose another one and press \"Set Default Style\"; new Sections then start in it."),
      QStringLiteral("Pasting: \"Edit > Paste\" keeps the style of the styled text you copied, while \"Edit > Paste "
                     "Special\" gives the pasted text the style of the Section at the insertion point."),
      QStringLiteral("The main window's size and place, and the Section names, texts and styles, are saved "
                     "automatically."),
      QStringLiteral("To print a Section, click its name, choose the Portrait orientation in \"File > Page "
                     "Setup\", then choose \"File > Print Selected Section\"."),
      QStringLiteral("To print part of a Section, click its name, select the text, choose the Portrait orientation "
                     "in \"File > Page Setup\", then choose \"File > Print Selected Section Text\"."),
      QStringLiteral("\"File > Print Help\" prints this help."),
  };
  return paragraphs;
}
