#include <gtest/gtest.h>

#include "journalfixture.h"
#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/listbox.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

TEST_F(JournalTest, FirstRunCreatesDataFolderAndOpensAtDefaultRectangle) {
  fw::EnableTrace(true);
  fw::TraceLog().clear();
  Window1* w = StartProgram();
  fw::EnableTrace(false);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(DataExists("Sections.txt"));
  EXPECT_EQ(ReadData("Sections.txt"), QByteArray());
  EXPECT_EQ(w->LB1().ListCount(), 0);
  EXPECT_EQ(w->Top(), 150);
  EXPECT_EQ(w->Left(), 150);
  EXPECT_EQ(w->Width(), 700);
  EXPECT_EQ(w->Height(), 500);
  const QStringList& log = fw::TraceLog();
  const auto at = [&](const char* e) { return log.indexOf(QString::fromLatin1(e)); };
  ASSERT_GE(at("App.Open"), 0);
  EXPECT_LT(at("App.Open"), at("Window1.FontMenu.Open"));
  EXPECT_LT(at("Window1.FontMenu.Open"), at("Window1.Open"));
  EXPECT_EQ(CloseProgram(), 0);
}
