// The real program under its own X server: it starts, shows its main window, is closed the way a
// window manager closes a window, and leaves exactly the files its Close writes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <ostream>

#include "programsession.h"

namespace {

using namespace e2e;

const QByteArray kWhiteInkpots =
    "InkPot1Color: \t255\t255\t255\n"
    "InkPot2Color: \t255\t255\t255\n"
    "InkPot3Color: \t255\t255\t255\n"
    "InkPot4Color: \t255\t255\t255\n"
    "InkPot5Color: \t255\t255\t255\n";

struct RunCase {
  const char* name;
  QMap<QString, QByteArray> seeded;    // the data folder before the run (none at all when empty)
  QMap<QString, QByteArray> expected;  // the whole data folder after the close
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

const RunCase kCases[] = {
    {"FirstRun",
     {},
     {{"Sections.txt", ""},
      {"tavrin.txt", "#Window1Position 150,150,700,500\n#MySection \n"},
      {"Tavrin-Inkpots.txt", kWhiteInkpots}}},
    // The last Section's name is not carried from one run to the next (start-up clears it), but
    // the list and the window's rectangle are.
    {"SeededFolder",
     {{"Sections.txt", "Diary\n###Work\n"}, {"tavrin.txt", "#Window1Position 40,60,900,650\n#MySection Diary\n"}},
     {{"Sections.txt", "Diary\n###Work\n"},
      {"tavrin.txt", "#Window1Position 40,60,900,650\n#MySection \n"},
      {"Tavrin-Inkpots.txt", kWhiteInkpots}}},
};

class ProgramTest : public ::testing::TestWithParam<RunCase>, protected ProgramSession {
 protected:
  void SetUp() override { BeginSession(); }
  void TearDown() override { EndSession(); }
};

TEST_P(ProgramTest, ClosingTheMainWindowSavesAndEndsTheProgram) {
  const RunCase& c = GetParam();
  if (!c.seeded.isEmpty()) {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
  }
  for (auto it = c.seeded.cbegin(); it != c.seeded.cend(); ++it) {
    ASSERT_TRUE(WriteAll(DataPath(it.key()), it.value()));
  }

  StartProgram();
  const Window w = WaitForMainWindow();
  ASSERT_NE(w, 0u) << "no mapped window named \"Tavrin\" within " << kWindowShownMs << " ms; program log:\n"
                   << qPrintable(ProgramLog());
  ASSERT_TRUE(ListsProtocol(dpy_, w, XInternAtom(dpy_, "WM_DELETE_WINDOW", False)))
      << "the main window does not take WM_DELETE_WINDOW, so a window manager could not close it";

  // A first run makes the folder with its empty list as it starts, not only when it closes.
  EXPECT_TRUE(QFile::exists(DataPath("Sections.txt")));

  SendDeleteWindow(dpy_, w);
  ASSERT_TRUE(program_.waitForFinished(kProgramEndMs)) << "still running " << kProgramEndMs
                                                       << " ms after the close; program log:\n"
                                                       << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit) << qPrintable(ProgramLog());
  EXPECT_EQ(program_.exitCode(), 0) << qPrintable(ProgramLog());

  // Hidden entries too: a replace that did not finish would leave its temporary file behind.
  QStringList present = QDir(DataPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  present.sort();
  QStringList expectedNames = c.expected.keys();
  expectedNames.sort();
  EXPECT_EQ(present, expectedNames);
  for (auto it = c.expected.cbegin(); it != c.expected.cend(); ++it)
    EXPECT_EQ(ReadAll(DataPath(it.key())).toStdString(), it.value().toStdString()) << qPrintable(it.key());
}

INSTANTIATE_TEST_SUITE_P(Runs, ProgramTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

}  // namespace
