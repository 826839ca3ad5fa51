// The about box: its controls, the running version, and the two addresses it opens.

#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "app/app.h"
#include "app/sitesettings.h"
#include "info/aboutbox.h"
#include "info/openaddress.h"
#include "journalfixture.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/statictext.h"
#include "window/window1.h"

namespace {

class AboutBoxTest : public JournalTest {
 protected:
  Window1* main = nullptr;
  void SetUp() override {
    JournalTest::SetUp();
    main = StartProgram();
    ASSERT_NE(main, nullptr);
  }
  void TearDown() override {
    CloseProgram();
    JournalTest::TearDown();
  }
};

TEST_F(AboutBoxTest, ControlsStandAsDesigned) {
  AboutBox* box = AboutBox::AboutBox_();
  EXPECT_EQ(box->Title(), QStringLiteral("About..."));
  EXPECT_EQ(box->Width(), 264);
  EXPECT_EQ(box->Height(), 258);
  EXPECT_EQ(box->Widget()->minimumSize(), box->Widget()->maximumSize()) << "not resizable";
  EXPECT_FALSE(box->Widget()->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  struct Row {
    const char* name;
    QRect rect;
    const char* text;
    const char* font;  // "" = the system font
    int size;
    bool bold;
    int align;  // -1 for the buttons
  } rows[] = {
      {"PushButton1", {72, 180, 120, 21}, "Email Author", "", 0, true, -1},
      {"PushButton2", {72, 217, 120, 21}, "Visit Web Site", "", 0, true, -1},
      {"StaticText2", {80, 86, 104, 87}, nullptr, "", 0, false, 1},
      {"StaticText1", {20, 20, 224, 45}, "Tavrin", "Arial", 30, true, 1},
      {"StaticText3", {77, 60, 56, 20}, "Version:", "Arial", 12, true, 0},
      {"StaticText4", {128, 60, 59, 20}, "1.7.0 Intel", "Arial", 12, true, 2},
  };
  ASSERT_EQ(box->Controls().size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    fw::RectControl* c = box->Controls()[i];
    EXPECT_EQ(c->Name(), r.name) << "made in table order";
    EXPECT_EQ(QRect(c->Left(), c->Top(), c->Width(), c->Height()), r.rect);
    const QFont f = c->Widget()->font();
    if (*r.font) {
      EXPECT_EQ(f.family(), r.font);
    }
    if (r.size) {
      // The design's size; a caption that would be cut off at it is shown smaller.
      EXPECT_EQ(c->Properties().TextSize, r.size);
      EXPECT_LE(f.pointSize(), r.size);
    }
    EXPECT_EQ(f.bold(), r.bold);
    if (auto* b = dynamic_cast<fw::PushButton*>(c)) {
      EXPECT_EQ(b->Caption(), r.text);
      EXPECT_FALSE(b->Default());
      EXPECT_FALSE(b->Cancel());
    } else {
      auto* s = dynamic_cast<fw::StaticText*>(c);
      ASSERT_NE(s, nullptr);
      if (r.text) {
        EXPECT_EQ(s->Text(), r.text) << "the design text before the box opens";
      }
      const Qt::Alignment h = s->Label()->alignment() & Qt::AlignHorizontal_Mask;
      EXPECT_EQ(h, r.align == 1 ? Qt::AlignHCenter : r.align == 2 ? Qt::AlignRight : Qt::AlignLeft);
    }
  }
  const QString credits = box->Control<fw::StaticText>("StaticText2").Text();
  const QStringList lines = credits.split(u'\n');
  ASSERT_EQ(lines.size(), 5) << credits.toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("Developed by"));
  EXPECT_FALSE(lines[1].isEmpty());
  EXPECT_TRUE(lines[2].isEmpty());
  EXPECT_EQ(lines[3], QStringLiteral("Sr. Beta Tester"));
  EXPECT_FALSE(lines[4].isEmpty());
}

TEST_F(AboutBoxTest, OpenShowsTheRunningLongVersion) {
  App_()->HelpAbout_Action();
  AboutBox* box = AboutBox::AboutBox_();
  ASSERT_FALSE(App_()->LongVersion.isEmpty());
  EXPECT_EQ(box->Control<fw::StaticText>("StaticText4").Text(), App_()->LongVersion);
}

// Each button hands its address to ShowURL; the box stays open and the main window untouched.
TEST_F(AboutBoxTest, ButtonsOpenTheMailAndWebAddresses) {
  App_()->HelpAbout_Action();
  AboutBox* box = AboutBox::AboutBox_();
  const QRect mainRect(main->Left(), main->Top(), main->Width(), main->Height());
  box->Control<fw::PushButton>("PushButton1").Push();
  box->Control<fw::PushButton>("PushButton2").Push();
  ASSERT_EQ(ui().Count(QStringLiteral("ShowURL")), 2);
  EXPECT_EQ(ui().Calls()[0].Text, QStringLiteral("mailto:" TAVRIN_AUTHOR_MAIL));
  EXPECT_EQ(ui().Calls()[1].Text, QStringLiteral("http://" TAVRIN_SITE_HOST "/"));
  EXPECT_EQ(fw::GetImplicitWindow(QStringLiteral("AboutBox")), box);
  EXPECT_TRUE(box->Widget()->isVisible());
  EXPECT_EQ(QRect(main->Left(), main->Top(), main->Width(), main->Height()), mainRect);
  EXPECT_TRUE(ui().Messages().isEmpty());
}

// An address that nothing on the computer opens is not dropped without a word: the user is told
// which, and the box stays.
TEST_F(AboutBoxTest, AnAddressNothingOpensIsReported) {
  const struct {
    const char* button;
    QString address;
  } cases[] = {{"PushButton1", QStringLiteral("mailto:" TAVRIN_AUTHOR_MAIL)},
               {"PushButton2", QStringLiteral("http://" TAVRIN_SITE_HOST "/")}};
  App_()->HelpAbout_Action();
  AboutBox* box = AboutBox::AboutBox_();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    ui().Clear();
    ui().SetNextUrlOpens(false);
    box->Control<fw::PushButton>(c.button).Push();
    EXPECT_EQ(ui().Messages(), QStringList{QStringLiteral("The address \"") + c.address +
                                           QStringLiteral("\" could not be opened: no program on this computer would open it.")});
    EXPECT_EQ(fw::GetImplicitWindow(QStringLiteral("AboutBox")), box);
  }
}

TEST(AddressMessage, AVeryLongAddressIsShownCutNeverInsideACharacter) {
  const QString head = QStringLiteral("https://dl.example/") + QString(180, u'a');  // 199 characters
  const struct {
    const char* what;
    QString address;
    QString shown;
  } cases[] = {
      {"short", QStringLiteral("https://dl.example/x"), QStringLiteral("https://dl.example/x")},
      {"exactly the limit", head + u'b', head + u'b'},
      {"a mebibyte", head + QString(1 << 20, u'b'), head + u'b' + QChar(0x2026)},
      // The 200th character is outside the Basic Multilingual Plane: kept whole.
      {"a pair at the cut", head + QStringLiteral("\U0001F600tail"), head + QStringLiteral("\U0001F600") + QChar(0x2026)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Address::CannotOpenMessage(c.address),
              QStringLiteral("The address \"") + c.shown +
                  QStringLiteral("\" could not be opened: no program on this computer would open it."));
  }
}

}  // namespace
