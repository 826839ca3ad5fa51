// The colour tools of the main window: the Color button, clicks on the swatch and the ink pots,
// and the colour drag between them, with the two files a drag leaves behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>

#include <cctype>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "journalfixture.h"
#include "platform/controls/dragitem.h"
#include "platform/controls/editfield.h"
#include "platform/controls/rectangle.h"
#include "store/module1.h"
#include "window/window1.h"

using fw::Color;
using fw::RGB;

namespace {

constexpr Color kRed = RGB(255, 0, 0);
constexpr Color kGreen = RGB(0, 160, 0);
constexpr Color kBlue = RGB(0, 0, 255);
constexpr Color kWhite = fw::kWhite;
constexpr Color kBlack = fw::kBlack;

const char* const kInkpots = "Tavrin-Inkpots.txt";
const char* const kDefaultStyle = "Tavrin-DefaultStyle.txt";

QByteArray InkpotFile(const Color (&pots)[5]) {
  QByteArray out;
  for (int n = 1; n <= 5; ++n)
    out += "InkPot" + QByteArray::number(n) + "Color: \t" + QByteArray::number(fw::Red(pots[n - 1])) + '\t' +
           QByteArray::number(fw::Green(pots[n - 1])) + '\t' + QByteArray::number(fw::Blue(pots[n - 1])) + '\n';
  return out;
}

class ColorTest : public JournalTest {
 protected:
  Window1* w = nullptr;

  // Starts the program with these pot colours stored, and "hello world" in the editor with
  // "hello" selected.
  void Start(const Color (&pots)[5] = {kWhite, kWhite, kWhite, kWhite, kWhite}) {
    WriteData(kInkpots, InkpotFile(pots));
    w = StartProgram();
    ASSERT_NE(w, nullptr);
    Editor().SetText(QStringLiteral("hello world"));
    Select(0, 5);
  }
  fw::EditField& Editor() { return w->EF1(); }
  fw::Rectangle& Swatch() { return w->RectNamed(QStringLiteral("ColorRect")); }
  fw::Rectangle& Pot(int n) { return w->RectNamed(QStringLiteral("InkPot") + QString::number(n)); }
  // "ColorRect" or a pot, by number (0 the swatch).
  fw::Rectangle& Target(int n) { return n == 0 ? Swatch() : Pot(n); }
  void Select(int start, int length) {
    Editor().SetSelStart(start);
    Editor().SetSelLength(length);
  }
  Color ColorAt(int offset) { return Editor().GetStyledText().TextColor(offset, 1); }
  void RemoveData(const char* name) { QFile::remove(DataPath(QString::fromLatin1(name))); }
};

// A table of cases, one fresh program each, named by the case.
template <class Case>
class ColorCases : public ColorTest, public ::testing::WithParamInterface<Case> {};


template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

// A plain click applies the swatch's or the pot's colour, except white, and always takes the
// click; a pot's colour also goes to the swatch. No click writes a file or changes MyColor.
struct ClickCase {
  const char* name;
  int control;  // 0 the swatch, else the pot's number
  Color fill;
  bool applied;
};
const ClickCase kClickCases[] = {
    {"red swatch", 0, kRed, true},
    {"white swatch", 0, kWhite, false},
    {"green pot 3", 3, kGreen, true},
    {"white pot 1", 1, kWhite, false},
    {"black pot 5", 5, kBlack, true},
};
void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }
using PlainClick = ColorCases<ClickCase>;
INSTANTIATE_TEST_SUITE_P(Colors, PlainClick, ::testing::ValuesIn(kClickCases), CaseName<ClickCase>);

TEST_P(PlainClick, AppliesEveryColourButWhite) {
  const ClickCase& c = GetParam();
  Start();
  const Color swatchBefore = RGB(10, 20, 30);
  Swatch().SetFillColor(swatchBefore);
  Target(c.control).SetFillColor(c.fill);
  // A black pot shows only on text of another colour.
  Editor().SetSelTextColor(RGB(1, 2, 3));
  const QByteArray pots = ReadData(kInkpots);
  Module1::MyColor = RGB(7, 7, 7);

  EXPECT_TRUE(Target(c.control).RaiseMouseDown(4, 4, Qt::NoModifier));

  EXPECT_EQ(ColorAt(0), c.applied ? c.fill : RGB(1, 2, 3));
  EXPECT_EQ(ColorAt(6), kBlack) << "only the selection changes";
  const Color swatchAfter = c.control == 0 ? c.fill : (c.applied ? c.fill : swatchBefore);
  EXPECT_EQ(Swatch().FillColor(), swatchAfter);
  EXPECT_EQ(Module1::MyColor, RGB(7, 7, 7));
  EXPECT_EQ(ReadData(kInkpots), pots);
  EXPECT_FALSE(DataExists(kDefaultStyle));
  EXPECT_EQ(ui().Count("Drag"), 0);
}

// The Color button opens the picker at black with its prompt; a picked colour, white included,
// goes to the swatch, MyColor and the selection; a cancelled picker changes nothing.
struct PickCase {
  const char* name;
  bool picked;
  Color colour;
};
const PickCase kPickCases[] = {
    {"cancelled", false, kBlue},
    {"blue", true, kBlue},
    {"white", true, kWhite},
};
void PrintTo(const PickCase& c, std::ostream* os) { *os << c.name; }
using ColorButton = ColorCases<PickCase>;
INSTANTIATE_TEST_SUITE_P(Colors, ColorButton, ::testing::ValuesIn(kPickCases), CaseName<PickCase>);

TEST_P(ColorButton, AppliesThePickedColour) {
  const PickCase& c = GetParam();
  Start();
  Swatch().SetFillColor(kRed);  // the picker still opens at black
  Module1::MyColor = RGB(7, 7, 7);
  ui().SetNextColor(c.picked, c.colour);

  w->ButtonNamed(QStringLiteral("MyColor")).Push();

  ASSERT_EQ(ui().Count("SelectColor"), 1);
  EXPECT_EQ(ui().Calls().last().Text, QStringLiteral("Select a Text Color"));
  EXPECT_EQ(static_cast<Color>(ui().Calls().last().Buttons), kBlack) << "the colour the picker opened at";
  EXPECT_EQ(Swatch().FillColor(), c.picked ? c.colour : kRed);
  EXPECT_EQ(Module1::MyColor, c.picked ? c.colour : RGB(7, 7, 7));
  EXPECT_EQ(ColorAt(0), c.picked ? c.colour : kBlack);
}

TEST_F(ColorTest, AfterPickingWhiteAClickOnTheSwatchAppliesNothing) {
  Start();
  ui().SetNextColor(true, kWhite);
  w->ButtonNamed(QStringLiteral("MyColor")).Push();
  ASSERT_EQ(ColorAt(0), kWhite);
  Select(6, 5);
  EXPECT_TRUE(Swatch().RaiseMouseDown(3, 3));
  EXPECT_EQ(ColorAt(6), kBlack);
}

// The text a colour travels as: "&h" and six uppercase hexadecimal digits.
struct PayloadCase {
  const char* name;
  Color colour;
  const char* text;
};
const PayloadCase kPayloadCases[] = {
    {"blue", kBlue, "&h0000FF"},
    {"small components", RGB(1, 2, 3), "&h010203"},
    {"black", kBlack, "&h000000"},
    {"letters", RGB(171, 205, 239), "&hABCDEF"},
};
void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.name; }
using DragPayload = ColorCases<PayloadCase>;
INSTANTIATE_TEST_SUITE_P(Colors, DragPayload, ::testing::ValuesIn(kPayloadCases), CaseName<PayloadCase>);

TEST_P(DragPayload, CarriesTheColourAsHexText) {
  const PayloadCase& c = GetParam();
  Start({kWhite, c.colour, kWhite, kWhite, kWhite});
  std::optional<fw::DragItem> carried;
  ui().SetNextDrag([&](fw::DragItem& item) { carried = item; });
  EXPECT_FALSE(Pot(2).RaiseMouseDown(5, 6, Qt::ControlModifier));
  ASSERT_TRUE(carried.has_value());
  EXPECT_TRUE(carried->MacDataAvailable(QStringLiteral("foob")));
  EXPECT_EQ(carried->MacData(QStringLiteral("foob")), QString::fromLatin1(c.text));
  // The drag starts as a 10 by 10 rectangle at the press point, in window coordinates.
  EXPECT_EQ(carried->Rect(), QRect(Pot(2).Left() + 5, Pot(2).Top() + 6, 10, 10));
}

// Every drag ends by rewriting the default style file, wherever it went; only a drop on a pot
// fills the pot and rewrites the ink pot file.
constexpr Color kStored[5] = {RGB(11, 12, 13), RGB(12, 200, 7), RGB(30, 31, 32), RGB(40, 41, 42),
                              RGB(50, 51, 52)};
struct DragCase {
  const char* name;
  int from;               // 0 the swatch, else a pot
  std::optional<int> to;  // where it is dropped: 0 the swatch, a pot; none: abandoned
  Color swatch;           // the swatch's colour before the drag
  Color expectedPots[5];
  bool inkpotsWritten;
};
const DragCase kDragCases[] = {
    {"pot 2 to pot 4", 2, 4, kBlack, {kStored[0], kStored[1], kStored[2], kStored[1], kStored[4]}, true},
    {"white swatch to pot 1", 0, 1, kWhite, {kWhite, kStored[1], kStored[2], kStored[3], kStored[4]}, true},
    {"pot 3 to itself", 3, 3, kBlack, {kStored[0], kStored[1], kStored[2], kStored[3], kStored[4]}, true},
    {"pot 5 to the swatch", 5, 0, kBlack, {kStored[0], kStored[1], kStored[2], kStored[3], kStored[4]}, false},
    {"pot 1 released without a drop", 1, std::nullopt, kBlack,
     {kStored[0], kStored[1], kStored[2], kStored[3], kStored[4]}, false},
};
void PrintTo(const DragCase& c, std::ostream* os) { *os << c.name; }
using ColourDrag = ColorCases<DragCase>;
INSTANTIATE_TEST_SUITE_P(Colors, ColourDrag, ::testing::ValuesIn(kDragCases), CaseName<DragCase>);

TEST_P(ColourDrag, FromAPotOrTheSwatch) {
  const DragCase& c = GetParam();
  Start(kStored);
  Swatch().SetFillColor(c.swatch);
  Module1::MyColor = RGB(7, 7, 7);
  RemoveData(kInkpots);
  ASSERT_FALSE(DataExists(kDefaultStyle));
  if (c.to) ui().SetNextDrag([&](fw::DragItem& item) { Target(*c.to).RaiseDropObject(item, 1); });

  EXPECT_FALSE(Target(c.from).RaiseMouseDown(3, 3, Qt::ControlModifier));

  EXPECT_EQ(ui().Count("Drag"), 1);
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(Pot(n).FillColor(), c.expectedPots[n - 1]) << "pot " << n;
  EXPECT_EQ(Swatch().FillColor(), c.swatch);
  EXPECT_EQ(ReadData(kInkpots), c.inkpotsWritten ? InkpotFile(c.expectedPots) : QByteArray());
  const QByteArray style = ReadData(kDefaultStyle);
  EXPECT_TRUE(style.endsWith("DefaultColor: \t" + QByteArray::number(fw::Red(c.swatch)) + '\t' +
                             QByteArray::number(fw::Green(c.swatch)) + '\t' + QByteArray::number(fw::Blue(c.swatch)) +
                             '\n'))
      << style.toStdString();
  EXPECT_EQ(style.count('\n'), 6);
  EXPECT_EQ(ColorAt(0), kBlack) << "a drag colours no text";
  EXPECT_EQ(Module1::MyColor, RGB(7, 7, 7));
}

TEST_F(ColorTest, DragFromPot2ToPot4RewritesBothFiles) {
  Start({kWhite, RGB(12, 200, 7), kWhite, kWhite, kWhite});
  ui().SetNextDrag([&](fw::DragItem& item) { Pot(4).RaiseDropObject(item, 1); });
  EXPECT_FALSE(Pot(2).RaiseMouseDown(2, 2, Qt::ControlModifier));
  EXPECT_EQ(ReadData(kInkpots), QByteArray("InkPot1Color: \t255\t255\t255\n"
                                           "InkPot2Color: \t12\t200\t7\n"
                                           "InkPot3Color: \t255\t255\t255\n"
                                           "InkPot4Color: \t12\t200\t7\n"
                                           "InkPot5Color: \t255\t255\t255\n"));
  EXPECT_EQ(ReadData(kDefaultStyle), QByteArray("DefaultFont: \tArial\n"
                                                "DefaultSize: \t12\n"
                                                "DefaultBold: \tFalse\n"
                                                "DefaultItalic: \tFalse\n"
                                                "DefaultUnderline: \tFalse\n"
                                                "DefaultColor: \t0\t0\t0\n"));
  // A white pot filled by a drop, then clicked, applies nothing; a coloured one applies its colour.
  EXPECT_TRUE(Pot(4).RaiseMouseDown(2, 2));
  EXPECT_EQ(ColorAt(0), RGB(12, 200, 7));
}

// The receiving side reads positions 3 to 8 as three hexadecimal pairs; a pair without digits,
// or missing, reads as 0. A drop without colour data leaves the pot and the file alone.
struct DropCase {
  const char* name;
  const char* text;  // nullptr: a drop without colour data
  Color expected;
};
const DropCase kDropCases[] = {
    {"blue", "&h0000FF", kBlue},
    {"lower case", "&habcdef", RGB(0xab, 0xcd, 0xef)},
    {"short", "&h12", RGB(0x12, 0, 0)},
    {"no digits in red", "&hzz00ff", RGB(0, 0, 255)},
    {"empty", "", kBlack},
    {"no colour data", nullptr, RGB(40, 41, 42)},
};
void PrintTo(const DropCase& c, std::ostream* os) { *os << c.name; }
using DropOnPot = ColorCases<DropCase>;
INSTANTIATE_TEST_SUITE_P(Colors, DropOnPot, ::testing::ValuesIn(kDropCases), CaseName<DropCase>);

TEST_P(DropOnPot, ReadsTheHexPairs) {
  const DropCase& c = GetParam();
  Start({kWhite, kWhite, kWhite, RGB(40, 41, 42), kWhite});
  RemoveData(kInkpots);
  fw::DragItem item;
  if (c.text) item.SetPrivateMacData(QStringLiteral("foob"), QString::fromLatin1(c.text));
  else item.SetPrivateMacData(QStringLiteral("text"), QStringLiteral("&h0000FF"));
  Pot(4).RaiseDropObject(item, 1);
  EXPECT_EQ(Pot(4).FillColor(), c.expected);
  EXPECT_EQ(DataExists(kInkpots), c.text != nullptr);
  EXPECT_FALSE(DataExists(kDefaultStyle)) << "only a drag's end writes the default style";
}

TEST_F(ColorTest, BlueArrivesAsZeroZero255) {
  Start({kBlue, kWhite, kWhite, kWhite, kWhite});
  ui().SetNextDrag([&](fw::DragItem& item) { Pot(3).RaiseDropObject(item, 1); });
  Pot(1).RaiseMouseDown(1, 1, Qt::ControlModifier);
  EXPECT_EQ(fw::Red(Pot(3).FillColor()), 0);
  EXPECT_EQ(fw::Green(Pot(3).FillColor()), 0);
  EXPECT_EQ(fw::Blue(Pot(3).FillColor()), 255);
}

TEST_F(ColorTest, DropOnTheSwatchChangesNothing) {
  Start();
  Swatch().SetFillColor(kRed);
  Module1::MyColor = RGB(7, 7, 7);
  RemoveData(kInkpots);
  fw::DragItem item;
  item.SetPrivateMacData(QStringLiteral("foob"), QStringLiteral("&h0000FF"));
  Swatch().RaiseDropObject(item, 1);
  EXPECT_EQ(Swatch().FillColor(), kRed);
  EXPECT_EQ(Module1::MyColor, RGB(7, 7, 7));
  EXPECT_EQ(ColorAt(0), kBlack);
  EXPECT_FALSE(DataExists(kInkpots));
  EXPECT_FALSE(DataExists(kDefaultStyle));
}

// The six controls take colour drops as the platform delivers them, under the private MIME type,
// and turn away everything else.
TEST_F(ColorTest, SixControlsAcceptOnlyColourDrags) {
  Start();
  auto mime = [](const char* format, const QByteArray& data) {
    auto* m = new QMimeData;
    m->setData(QString::fromLatin1(format), data);
    return m;
  };
  for (int n = 0; n <= 5; ++n) {
    SCOPED_TRACE(n);
    QWidget* target = Target(n).Widget();
    EXPECT_TRUE(target->acceptDrops());
    const QPoint at(4, 4);
    for (const char* format : {"application/x-tavrin-foob", "text/plain"}) {
      std::unique_ptr<QMimeData> data(mime(format, "&h00A000"));
      QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(target, &enter);
      EXPECT_EQ(enter.isAccepted(), QByteArray(format) == "application/x-tavrin-foob") << format;
      QDragLeaveEvent leave;
      QApplication::sendEvent(target, &leave);
    }
  }
  for (const char* format : {"text/plain", "application/x-tavrin-foob"}) {
    SCOPED_TRACE(format);
    RemoveData(kInkpots);
    std::unique_ptr<QMimeData> data(mime(format, "&h00A000"));
    // As a drag arrives: the drop reaches the control that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Pot(2).Widget(), &enter);
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Pot(2).Widget(), &drop);
    const bool colour = QByteArray(format) == "application/x-tavrin-foob";
    EXPECT_EQ(Pot(2).FillColor(), colour ? RGB(0, 0xa0, 0) : kWhite);
    EXPECT_EQ(DataExists(kInkpots), colour);
  }
}

// A press with Control held, as the platform delivers it, starts a drag instead of a click; any
// other modifier still clicks.
struct PressCase {
  const char* name;
  Qt::KeyboardModifiers modifiers;
  bool drag;
};
const PressCase kPressCases[] = {
    {"control", Qt::ControlModifier, true},
    {"control and shift", Qt::ControlModifier | Qt::ShiftModifier, true},
    {"shift", Qt::ShiftModifier, false},
    {"alt", Qt::AltModifier, false},
    {"none", Qt::NoModifier, false},
};
void PrintTo(const PressCase& c, std::ostream* os) { *os << c.name; }
using PressOnPot = ColorCases<PressCase>;
INSTANTIATE_TEST_SUITE_P(Colors, PressOnPot, ::testing::ValuesIn(kPressCases), CaseName<PressCase>);

TEST_P(PressOnPot, OnlyTheControlKeyStartsADrag) {
  const PressCase& c = GetParam();
  Start({kWhite, kWhite, kGreen, kWhite, kWhite});
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), Pot(3).Widget()->mapToGlobal(QPointF(3, 3)),
                    Qt::LeftButton, Qt::LeftButton, c.modifiers);
  QApplication::sendEvent(Pot(3).Widget(), &press);
  EXPECT_EQ(ui().Count("Drag"), c.drag ? 1 : 0);
  EXPECT_EQ(ColorAt(0), c.drag ? kBlack : kGreen);
  EXPECT_EQ(DataExists(kDefaultStyle), c.drag);
}

}  // namespace
