// What a person sees of the windows: captions that fit, the new-section dialog as a dialog of the
// main window, a remembered rectangle that stays on the screen, and no second main window made by
// a handler of the first.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWindow>
#include <iostream>

#include "journalfixture.h"
#include "platform/system/application.h"
#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/controls/graphics.h"
#include "platform/text/fontfamily.h"
#include "platform/controls/listbox.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/statictext.h"
#include "store/prefmodule.h"
#include "info/aboutbox.h"
#include "info/help.h"
#include "info/selftest.h"
#include "info/updatewindow.h"
#include "window/getnewsection.h"
#include "window/window1.h"

namespace {

// The room a control's caption has and the caption, as the style lays the control out.
struct Caption {
  QString text;
  QSize room;
};

bool CaptionOf(fw::RectControl* c, Caption* out) {
  QWidget* w = c->Widget();
  if (auto* label = qobject_cast<QLabel*>(w)) {
    *out = {label->text(), label->contentsRect().size()};
    return true;
  }
  QStyleOptionButton option;
  option.initFrom(w);
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    option.text = b->text();
    *out = {b->text(), b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).size()};
    return true;
  }
  if (auto* b = qobject_cast<QCheckBox*>(w)) {
    option.text = b->text();
    *out = {b->text(), b->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, b).size()};
    return true;
  }
  return false;
}

class WindowLook : public JournalTest {};

// "Selected Section:" in the bold system font hid its colon under the title field.
TEST_F(WindowLook, NoCaptionIsCutOff) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  w->ButtonNamed("NewJournal").Push();
  auto* dialog = dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection"));
  ASSERT_NE(dialog, nullptr);
  AboutBox* about = AboutBox::AboutBox_();
  about->Show();
  Help* help = Help::Help_();
  // Made, not shown: showing them starts the update check.
  selfTest* version = selfTest::selfTest_();
  updateWindow* update = updateWindow::updateWindow_();
  int checked = 0;
  for (fw::Window* win : {static_cast<fw::Window*>(w), static_cast<fw::Window*>(dialog), static_cast<fw::Window*>(about),
                          static_cast<fw::Window*>(help), static_cast<fw::Window*>(version),
                          static_cast<fw::Window*>(update)}) {
    for (fw::RectControl* c : win->Controls()) {
      Caption caption;
      if (!CaptionOf(c, &caption) || caption.text.isEmpty()) continue;
      if (auto* label = qobject_cast<QLabel*>(c->Widget()); label && label->wordWrap()) continue;  // lines of their own
      SCOPED_TRACE((win->ClassName() + '.' + c->Name() + " \"" + caption.text + '"').toStdString());
      ++checked;
      const QFont font = c->Widget()->font();
      const QFontMetrics m(font);
      EXPECT_LE(m.horizontalAdvance(caption.text), caption.room.width());
      EXPECT_LE(m.height(), caption.room.height());
      // The design's place is kept, or grown only into free space.
      const QRect design(c->Properties().Left, c->Properties().Top, c->Properties().Width, c->Properties().Height);
      const QRect now(c->Left(), c->Top(), c->Width(), c->Height());
      if (win == w || win == dialog) {
        EXPECT_EQ(now, design);
      } else {
        EXPECT_TRUE(now.contains(design));
        for (fw::RectControl* other : win->Controls()) {
          const QRect o(other->Left(), other->Top(), other->Width(), other->Height());
          if (other != c && other->Visible() && !design.intersects(o)) {
            EXPECT_FALSE(now.intersects(o)) << "grown over " << other->Name().toStdString();
          }
        }
      }
      if (font.pointSizeF() < c->Widget()->font().resolve(QFont()).pointSizeF() ||
          (c->Properties().TextSize > 0 && font.pointSizeF() < c->Properties().TextSize) ||
          (c->Properties().TextSize == 0 && font.pointSizeF() < QApplication::font().pointSizeF()))
        std::cout << "[ fitted   ] " << qPrintable(win->ClassName() + '.' + c->Name()) << " at " << font.pointSizeF()
                  << " pt\n";
    }
  }
  // The main window's five labels, eight push buttons and check box; the dialog's label and two
  // buttons; the about box's three one-line labels and two buttons.
  EXPECT_GE(checked, 22);
  for (fw::Window* win : {static_cast<fw::Window*>(about), static_cast<fw::Window*>(help),
                          static_cast<fw::Window*>(version), static_cast<fw::Window*>(update)})
    win->Close();
}

// The font pop-up shows the chosen font's name, the longest installed one too.
TEST_F(WindowLook, FontMenuCaptionFitsEveryInstalledFontName) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  fw::BevelButton& menu = w->BevelNamed("FontMenu");
  menu.SetCaption("Arial");
  EXPECT_EQ(menu.Widget()->font().pointSize(), 9) << "a short name keeps the design's size";
  QString longName;
  for (int i = 0; i < fw::FontCount(); ++i)
    if (QFontMetrics(menu.Widget()->font()).horizontalAdvance(fw::Font(i)) >
        QFontMetrics(menu.Widget()->font()).horizontalAdvance(longName))
      longName = fw::Font(i);
  menu.SetCaption(longName);
  std::cout << "[ longest  ] \"" << qPrintable(longName) << "\" at " << menu.Widget()->font().pointSizeF() << " pt\n";
  EXPECT_LT(QFontMetrics(menu.Widget()->font()).horizontalAdvance(longName), menu.Width() - 10)
      << "beside the pop-up's arrow";
  EXPECT_EQ(menu.Caption(), longName);
}

TEST_F(WindowLook, NewSectionDialogIsADialogOfTheMainWindowCentredOnIt) {
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  w->ButtonNamed("NewJournal").Push();
  auto* dialog = dynamic_cast<getNewSection*>(fw::GetImplicitWindow("getNewSection"));
  ASSERT_NE(dialog, nullptr);
  QWidget* top = dialog->Widget();
  const Qt::WindowFlags flags = top->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  ASSERT_NE(top->windowHandle(), nullptr);
  EXPECT_EQ(top->windowHandle()->transientParent(), w->Widget()->windowHandle());
  EXPECT_EQ(dialog->Title(), "");
  EXPECT_TRUE(top->windowTitle().trimmed().isEmpty()) << "Qt would show the program's name for an empty title";
  EXPECT_FALSE(top->isModal()) << "the main window stays usable while the dialog is open";
  const QPoint offset = top->frameGeometry().center() - w->Widget()->frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << ", " << offset.y();

  // Escape leaves the dialog as Cancel does, also from its name field.
  QLineEdit* field = dialog->Control<fw::EditField>("SectionName").LineEdit();
  field->setFocus();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(field, &escape);
  EXPECT_EQ(fw::GetImplicitWindow("getNewSection"), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A hand-edited rectangle is kept on the screen (1280 x 1024 in the tests), within the window's
// minimum and maximum, and what was applied is what the preferences file gets back.
TEST_F(WindowLook, RememberedRectangleIsKeptOnTheScreen) {
  const struct {
    const char* what;
    const char* position;
    QRect exact;  // when the rectangle is known exactly (left, top, width, height)
  } cases[] = {
      {"fits as it is", "40,60,900,650", QRect(60, 40, 900, 650)},
      {"far off to the right and below", "9000,5000,700,500", QRect()},
      {"far off to the left and above", "-3000,-4000,800,600", QRect(0, 0, 800, 600)},
      {"larger than the screen", "0,0,99999,99999", QRect()},
      {"the largest int32", "2147483647,2147483647,2147483647,2147483647", QRect()},
      {"the smallest int32", "-2147483648,-2147483648,-2147483648,-2147483648", QRect()},
      {"smaller than the minimum", "10,20,100,100", QRect(20, 10, 700, 500)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    WriteData("tavrin.txt", QByteArray("#Window1Position ") + c.position + "\n#MySection \n");
    Window1* w = StartProgram();
    ASSERT_NE(w, nullptr);
    const QRect screen = w->Widget()->screen()->availableGeometry();
    const QRect applied(w->Left(), w->Top(), w->Width(), w->Height());
    // The window with its menu bar; the frame a window manager adds is not known before it shows.
    const QRect frame(applied.topLeft(), w->Widget()->size());
    if (c.exact.isValid()) {
      EXPECT_EQ(applied, c.exact);
    }
    EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                        << frame.height();
    EXPECT_GE(applied.width(), 700);
    EXPECT_GE(applied.height(), 500);
    EXPECT_EQ(QRect(prefModule::Window1Left, prefModule::Window1Top, prefModule::Window1Width,
                    prefModule::Window1Height),
              applied);
    EXPECT_EQ(CloseProgram(), 0);
    EXPECT_EQ(ReadData("tavrin.txt"), QByteArray("#Window1Position ") + QByteArray::number(applied.top()) + ',' +
                                          QByteArray::number(applied.left()) + ',' +
                                          QByteArray::number(applied.width()) + ',' +
                                          QByteArray::number(applied.height()) + "\n#MySection \n");
  }
}

// The window's own handlers use the window itself: reaching it through the accessor made a new
// main window once the first had closed (a list row painted late, for one).
TEST_F(WindowLook, HandlersOfAClosedMainWindowMakeNoSecondOne) {
  WriteData("Sections.txt", "Alpha\n###Beta\n");
  Window1* w = StartProgram();
  ASSERT_NE(w, nullptr);
  const QPointer<Window1> first(w);
  fw::Listbox& lb = w->LB1();
  w->Close();
  ASSERT_TRUE(first);  // deleted later, from the event loop
  EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr);
  QImage image(100, 20, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    fw::Graphics g(&painter);
    EXPECT_FALSE(lb.RaiseCellTextPaint(g, 1, 0, 0, 0));
    EXPECT_EQ(g.ForeColor, fw::RGB(255, 0, 0)) << "the marked row is painted from the closed window's own list";
  }
  w->LB1_DoubleClick();
  w->SectionTitle_TextChange();
  EXPECT_EQ(fw::GetImplicitWindow("Window1"), nullptr) << "a second main window was made";
  fw::FinishApplication(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
