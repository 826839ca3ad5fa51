// Copy, Cut and Paste in the styled editor: styled text travels both plain and with its styles,
// and Paste keeps the styles the editor knows (font, size, bold, italic, underline, colour).

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>
#include <memory>

#include "platform/system/application.h"
#include "platform/controls/editfield.h"
#include "platform/controls/window.h"

namespace {

struct StyledRun {
  const char* text;
  const char* font;
  int size;
  bool bold, italic, underline;
  fw::Color color;
};

class PasteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::WindowProperties p;
    p.Width = 700;
    p.Height = 500;
    win_ = std::make_unique<fw::Window>("PasteWindow");
    win_->SetProperties(p);
    source_ = win_->New<fw::EditField>("Source", fw::PlacedAt(10, 10, 300, 200), true);
    target_ = win_->New<fw::EditField>("Target", fw::PlacedAt(350, 10, 300, 200), true);
    for (fw::EditField* e : {source_, target_}) {
      e->SetStyled(true);
      e->SetTextFont("DejaVu Sans");
      e->SetTextSize(12);
    }
    win_->Show();
    QCoreApplication::processEvents();  // the window becomes the active one: Edit commands go to its focus
  }
  void TearDown() override {
    win_.reset();
    QApplication::clipboard()->clear();
  }

  // Types the runs into the source, each in its own style.
  void Write(fw::EditField* e, std::initializer_list<StyledRun> runs) {
    for (const StyledRun& r : runs) {
      e->SetSelTextFont(r.font);
      e->SetSelTextSize(r.size);
      e->SetSelBold(r.bold);
      e->SetSelItalic(r.italic);
      e->SetSelUnderline(r.underline);
      e->SetSelTextColor(r.color);
      e->SetSelText(r.text);
    }
  }
  // The caret's style in the target: what plain or unstyled text takes.
  void CaretStyle() {
    target_->SetSelStart(static_cast<int>(target_->Text().size()));
    target_->SetSelTextFont("Liberation Mono");
    target_->SetSelTextSize(10);
    target_->SetSelBold(false);
    target_->SetSelItalic(false);
    target_->SetSelUnderline(false);
    target_->SetSelTextColor(fw::RGB(0, 0, 255));
  }
  void ExpectRun(fw::EditField* e, int at, const StyledRun& r) {
    SCOPED_TRACE(r.text);
    const fw::TextStyle s = e->StyleAt(at);
    EXPECT_EQ(s.Font, r.font);
    EXPECT_EQ(s.Size, r.size);
    EXPECT_EQ(s.Bold, r.bold);
    EXPECT_EQ(s.Italic, r.italic);
    EXPECT_EQ(s.Underline, r.underline);
    EXPECT_EQ(s.TextColor, r.color);
  }
  void Paste() {
    target_->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), target_->Widget());
    ASSERT_TRUE(fw::ApplyEditCommand(fw::EditCommand::Paste));
  }

  std::unique_ptr<fw::Window> win_;
  fw::EditField* source_ = nullptr;
  fw::EditField* target_ = nullptr;
};

const StyledRun kRuns[] = {
    {"plain ", "DejaVu Sans", 12, false, false, false, fw::RGB(0, 0, 0)},
    {"bold ", "Liberation Serif", 18, true, false, false, fw::RGB(200, 0, 0)},
    {"italic\n", "DejaVu Sans", 9, false, true, false, fw::RGB(0, 128, 0)},
    {"under", "Liberation Sans", 24, false, false, true, fw::RGB(10, 20, 30)},
    // Drawn in another family, named as given.
    {"missing", "No Such Family On This Computer", 14, false, false, false, fw::RGB(0, 0, 0)},
};

TEST_F(PasteTest, CopyAndPasteKeepEveryRunsStyleAndPutPlainTextBeside) {
  for (fw::EditCommand how : {fw::EditCommand::Copy, fw::EditCommand::Cut}) {
    SCOPED_TRACE(how == fw::EditCommand::Copy ? "Copy" : "Cut");
    source_->SetText(QString());
    target_->SetText(QString());
    Write(source_, {kRuns[0], kRuns[1], kRuns[2], kRuns[3], kRuns[4]});
    source_->SetFocus();
    source_->TextEdit()->selectAll();
    ASSERT_TRUE(fw::ApplyEditCommand(how));
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->text(), "plain bold italic\nundermissing") << "other programs take the plain text";
    EXPECT_TRUE(clip->hasHtml()) << "and the styled one";
    EXPECT_EQ(source_->Text(), how == fw::EditCommand::Cut ? "" : "plain bold italic\nundermissing");

    CaretStyle();
    Paste();
    EXPECT_EQ(target_->Text(), "plain bold italic\nundermissing");
    int at = 0;
    for (const StyledRun& r : kRuns) {
      ExpectRun(target_, at, r);
      at += static_cast<int>(QString::fromUtf8(r.text).size());
    }
  }
}

// What other programs copy: the styles the editor has are kept, everything else of the rich
// text is dropped, and a run that does not say a style value takes the caret's.
TEST_F(PasteTest, RichTextOfOtherProgramsKeepsTheEditorsStylesOnly) {
  const fw::Color caretBlue = fw::RGB(0, 0, 255);
  const struct {
    const char* what;
    const char* html;
    const char* text;
    StyledRun first;  // the style of the first character
  } cases[] = {
      {"bold only", "<b>strong</b>", "strong", {"", "Liberation Mono", 10, true, false, false, caretBlue}},
      {"every value", "<span style=\"font-family:'Liberation Serif'; font-size:14pt; font-style:italic; "
                      "text-decoration:underline; color:#ff0000\">all</span>",
       "all", {"", "Liberation Serif", 14, false, true, true, fw::RGB(255, 0, 0)}},
      {"a size in pixels", "<span style=\"font-size:24px\">px</span>", "px",
       {"", "Liberation Mono", 18, false, false, false, caretBlue}},
      {"a family list", "<span style=\"font-family:'DejaVu Sans', sans-serif\">list</span>", "list",
       {"", "DejaVu Sans", 10, false, false, false, caretBlue}},
      // The font database's name for a family several foundries make; no stored style names it so.
      {"a family with its foundry", "<span style=\"font-family:'Nimbus Sans [urw]'\">tag</span>", "tag",
       {"", "Nimbus Sans", 10, false, false, false, caretBlue}},
      {"a link, an image and a background: the link's underline is how it looked",
       "<a href=\"http://x\">li<img src=\"none.png\">nk</a><span style=\"background:yellow\">!</span>",
       "link!", {"", "Liberation Mono", 10, false, false, true, caretBlue}},
      {"two paragraphs", "<p>one</p><p><i>two</i></p>", "one\ntwo",
       {"", "Liberation Mono", 10, false, false, false, caretBlue}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    target_->SetText(QString());
    CaretStyle();
    auto* mime = new QMimeData;
    mime->setHtml(QString::fromUtf8(c.html));
    mime->setText(QStringLiteral("plain fallback"));
    QApplication::clipboard()->setMimeData(mime);
    Paste();
    EXPECT_EQ(target_->Text(), c.text);
    ExpectRun(target_, 0, c.first);
    QTextCursor all(target_->Document());
    all.select(QTextCursor::Document);
    EXPECT_FALSE(all.charFormat().isAnchor());
    EXPECT_EQ(all.charFormat().background().style(), Qt::NoBrush);
  }
}

TEST_F(PasteTest, PlainTextPastesInTheCaretsStyle) {
  target_->SetText(QString());
  CaretStyle();
  QApplication::clipboard()->setText(QStringLiteral("<b>not bold</b>"));
  Paste();
  EXPECT_EQ(target_->Text(), "<b>not bold</b>");
  ExpectRun(target_, 0, {"", "Liberation Mono", 10, false, false, false, fw::RGB(0, 0, 255)});
}

}  // namespace
