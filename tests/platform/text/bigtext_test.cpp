// The styled editor with texts long enough that it takes them in and lays them out from the
// event loop: what the user and the program see must be the whole text at every moment they look,
// edits while it works must land where they were made, and the layout's places must stay
// consistent through every kind of edit.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "keys.h"
#include "platform/system/application.h"
#include "platform/text/documentlayout.h"
#include "platform/controls/editfield.h"
#include "platform/system/folderitem.h"
#include "scripteduiservice.h"
#include "platform/rtf/styledtextrtf.h"
#include "platform/controls/window.h"
#include "waitfor.h"

namespace {

// Paragraphs of 400 characters, each naming its number, a bold word in every tenth.
QString LongText(int paragraphs) {
  QStringList out;
  for (int i = 0; i < paragraphs; ++i) {
    QString p = QStringLiteral("paragraph %1 ").arg(i, 4, 10, QLatin1Char('0'));
    while (p.size() < 400) p += QStringLiteral("lorem ipsum dolor sit amet ");
    out << p.left(400);
  }
  return out.join(u'\n');
}

QByteArray RtfOf(const QString& text, bool boldTenth = true) {
  QTextDocument doc;
  QTextCursor c(&doc);
  const QStringList paragraphs = text.split(u'\n');
  for (int i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) c.insertBlock();
    QTextCharFormat f;
    f.setFontWeight(boldTenth && i % 10 == 0 ? QFont::Bold : QFont::Normal);
    c.insertText(paragraphs[i], f);
  }
  return fw::EncodeStyledRtf(doc);
}

// One paragraph of `length` characters: prose, or one word without a space (a pasted base64 line).
QString Giant(int length, bool spaces) {
  const QString words = spaces ? QStringLiteral("lorem ipsum dolor sit amet consectetur adipiscing elit ")
                               : QStringLiteral("QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9w");
  QString text;
  while (text.size() < length) text += words + QString::number(text.size());
  return text.left(length);
}

class BigTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    fw::WindowProperties p;
    p.Title = "Test";
    p.Width = 700;
    p.Height = 500;
    win_ = std::make_unique<fw::Window>("TestWindow");
    win_->SetProperties(p);
    ef_ = win_->New<fw::EditField>("EF1", fw::PlacedAt(219, 210, 461, 268, true, true, true, true), true);
    ef_->SetStyled(true);
    win_->Show();
    QCoreApplication::processEvents();  // the window becomes the active one: Edit commands go to its focus
  }
  void TearDown() override { win_.reset(); }

  fw::FolderItemPtr File(const QString& name, const QByteArray& rtf) {
    auto file = std::make_shared<fw::FolderItem>(dir_.filePath(name));
    EXPECT_TRUE(file->WriteAll(rtf));
    return file;
  }
  // Opens the file as the program does; the rest of a long text then follows from the loop.
  void Open(const fw::FolderItemPtr& file) { ASSERT_TRUE(file->OpenStyledEditField(*ef_)); }
  bool Loading() const { return ef_->Document()->characterCount() < expectedCharacters_; }
  QTextEdit* Edit() const { return ef_->TextEdit(); }
  QString Raw() const { return ef_->Document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'); }

  QTemporaryDir dir_;
  std::unique_ptr<fw::Window> win_;
  fw::EditField* ef_ = nullptr;
  int expectedCharacters_ = 0;
};

TEST_F(BigTextTest, TheWholeTextIsThereWheneverTheProgramLooks) {
  const QString text = LongText(600);
  const struct {
    const char* what;
    std::function<void()> look;
  } cases[] = {
      {"Text", [&] { EXPECT_EQ(ef_->Text(), text); }},
      {"StyleAt in the last paragraph", [&] { EXPECT_TRUE(ef_->StyleAt(int(text.lastIndexOf(u'\n')) - 1).Bold == false); }},
      {"SetSelStart at the end", [&] {
         ef_->SetSelStart(int(text.size()));
         EXPECT_EQ(ef_->SelStart(), int(text.size()));
       }},
      {"LineNumAtCharPos of the last paragraph", [&] { EXPECT_GT(ef_->LineNumAtCharPos(int(text.size()) - 1), 600); }},
  };
  expectedCharacters_ = int(text.size()) + 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Open(File(QStringLiteral("a.txt"), RtfOf(text)));
    ASSERT_TRUE(Loading()) << "the text is short enough to be taken in at once";
    c.look();
    EXPECT_FALSE(Loading());
    EXPECT_EQ(Raw(), text);
  }
}

TEST_F(BigTextTest, KeysTypedWhileTheRestComesInLandWhereTheyWereTyped) {
  const QString text = LongText(600);
  expectedCharacters_ = int(text.size()) + 1;
  const fw::FolderItemPtr file = File(QStringLiteral("a.txt"), RtfOf(text));

  // Near the start: typed at once, the rest goes on coming in after it.
  Open(file);
  ASSERT_TRUE(Loading());
  QTextCursor c(ef_->Document());
  c.setPosition(3);
  Edit()->setTextCursor(c);
  SendKey(Edit(), QStringLiteral("A"));
  ++expectedCharacters_;
  EXPECT_TRUE(Loading());
  ASSERT_TRUE(WaitFor([&] { return !Loading(); }, kMustComeMs)) << "the rest of the text never came in";
  EXPECT_EQ(Raw(), QString(text).insert(3, u'A'));

  // At the end of what has come in: never between the two parts.
  --expectedCharacters_;
  Open(file);
  ASSERT_TRUE(Loading());
  const int loadedEnd = ef_->Document()->characterCount() - 1;
  c = QTextCursor(ef_->Document());
  c.setPosition(loadedEnd);
  Edit()->setTextCursor(c);
  SendKey(Edit(), QStringLiteral("Z"));
  EXPECT_FALSE(Loading());
  const QString now = Raw();
  EXPECT_EQ(QString(now).remove(u'Z'), text);
  EXPECT_EQ(now.count(u'Z'), 1);
  EXPECT_NE(now.indexOf(u'Z'), loadedEnd) << "typed between what had come in and the rest";
}

// A listener of the editor's text changes that needs the whole text (reads it, or has the rest
// taken in at once) while the rest comes in: every time it looks it is given all of the text, and
// the text comes in once, in its order. The text is longer than the rest is taken in at a time
// when it is wanted at once (4 MB), so that taking it in is itself heard of on the way.
TEST_F(BigTextTest, AListenerNeedingTheWholeTextWhileTheRestComesInIsGivenAllOfIt) {
  const QString text = LongText(11'000);
  expectedCharacters_ = int(text.size()) + 1;
  const fw::FolderItemPtr file = File(QStringLiteral("a.txt"), RtfOf(text));
  std::vector<int> seen;  // the characters the listener found, each time it ran
  const struct {
    const char* what;
    std::function<void()> install;
  } cases[] = {
      {"the field's TextChange reads Text",
       [&] { ef_->InstallHandler(QStringLiteral("TextChange"), [&] { seen.push_back(int(ef_->Text().size())); }); }},
      {"the editor's own signal reads Text",
       [&] { QObject::connect(Edit(), &QTextEdit::textChanged, win_.get(), [&] { seen.push_back(int(ef_->Text().size())); }); }},
      {"the editor's own signal has the rest taken in",
       [&] {
         QObject::connect(Edit(), &QTextEdit::textChanged, win_.get(), [&] {
           ef_->FinishContent();
           seen.push_back(ef_->Document()->characterCount() - 1);
         });
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    seen.clear();
    Open(file);
    c.install();
    ASSERT_TRUE(Loading()) << "the text is short enough to be taken in at once";
    ASSERT_TRUE(WaitFor([&] { return !Loading(); }, kMustComeMs)) << "the rest of the text never came in";
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(Raw(), text);
    ASSERT_FALSE(seen.empty()) << "the listener never heard of the text coming in";
    for (const int n : seen) EXPECT_EQ(n, int(text.size()));
  }
}

// A text set from code while the rest of a long one comes in (New, Delete) replaces all of it:
// the rest is not taken in only to be thrown away, and nothing of it arrives afterwards.
TEST_F(BigTextTest, ANewTextWhileTheRestComesInReplacesItWithoutTakingTheRestIn) {
  const QString text = LongText(600);
  expectedCharacters_ = int(text.size()) + 1;
  Open(File(QStringLiteral("a.txt"), RtfOf(text)));
  ASSERT_TRUE(Loading());
  int most = 0;  // the most characters the editor held from here on
  QObject::connect(ef_->Document(), &QTextDocument::contentsChange, win_.get(),
                   [&] { most = std::max(most, ef_->Document()->characterCount()); });
  ef_->SetText(QStringLiteral("short"));
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ef_->Text(), QStringLiteral("short"));
  EXPECT_FALSE(ef_->ContentPending());
  EXPECT_LT(most, expectedCharacters_) << "the rest was taken in only to be dropped";
}

// The menu's edit commands act on the editor widget itself: Select All then selects the whole
// text, and what follows replaces all of it.
TEST_F(BigTextTest, MenuCommandsWhileTheRestComesInActOnTheWholeText) {
  const QString text = LongText(600);
  expectedCharacters_ = int(text.size()) + 1;
  Open(File(QStringLiteral("a.txt"), RtfOf(text)));
  ASSERT_TRUE(Loading());
  ef_->SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), Edit());
  ASSERT_TRUE(fw::ApplyEditCommand(fw::EditCommand::SelectAll));
  EXPECT_FALSE(Loading());
  EXPECT_EQ(Edit()->textCursor().selectionEnd() - Edit()->textCursor().selectionStart(), text.size());
  ASSERT_TRUE(fw::ApplyEditCommand(fw::EditCommand::Clear));
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();  // nothing more may come in
  EXPECT_EQ(ef_->Text(), QString());
}

TEST_F(BigTextTest, SavingWhileTheRestComesInWritesTheWholeText) {
  const QString text = LongText(600);
  expectedCharacters_ = int(text.size()) + 1;
  const fw::FolderItemPtr file = File(QStringLiteral("a.txt"), RtfOf(text));
  Open(file);
  ASSERT_TRUE(Loading());
  QTextCursor(ef_->Document()).insertText(QStringLiteral(">"));
  ASSERT_TRUE(file->SaveStyledEditField(*ef_));
  QByteArray data;
  ASSERT_TRUE(file->ReadAll(&data));
  QTextDocument saved;
  ASSERT_TRUE(fw::DecodeStyledRtf(data, saved, nullptr));
  EXPECT_EQ(saved.toRawText().replace(QChar::ParagraphSeparator, u'\n'), u'>' + text);
}

TEST_F(BigTextTest, LeavingWhileTheRestComesInWritesNothingAndTheNextTextStaysAlone) {
  const QString first = LongText(600), second = LongText(500).toUpper();
  const fw::FolderItemPtr a = File(QStringLiteral("a.txt"), RtfOf(first));
  const fw::FolderItemPtr b = File(QStringLiteral("b.txt"), RtfOf(second));
  QByteArray before;
  ASSERT_TRUE(a->ReadAll(&before));
  expectedCharacters_ = int(first.size()) + 1;
  Open(a);
  ASSERT_TRUE(Loading());
  ASSERT_TRUE(a->SaveStyledEditField(*ef_));
  QByteArray after;
  ASSERT_TRUE(a->ReadAll(&after));
  EXPECT_EQ(after, before);
  expectedCharacters_ = int(second.size()) + 1;
  Open(b);
  ASSERT_TRUE(WaitFor([&] { return !Loading(); }, kMustComeMs)) << "the rest of the text never came in";
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ef_->Text(), second);
}

// Each block's place follows the one before it, the document ends where its last block does, and
// a point inside a character finds that character, after every kind of edit, also while blocks
// far down are not laid out yet.
TEST_F(BigTextTest, PlacesStayConsistentThroughEdits) {
  QTextDocument* doc = ef_->Document();
  QAbstractTextDocumentLayout* layout = doc->documentLayout();
  auto check = [&] {
    qreal bottom = -1;
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next(), ++i) {
      const QRectF r = layout->blockBoundingRect(b);
      if (bottom >= 0) {
        ASSERT_EQ(r.top(), bottom) << "block " << i;
      }
      bottom = r.bottom();
    }
    EXPECT_DOUBLE_EQ(layout->documentSize().height(), bottom + doc->documentMargin());
    for (int pos : {0, 5, doc->characterCount() / 2, doc->characterCount() - 2}) {
      QTextCursor c(doc);
      c.setPosition(pos);
      const QTextBlock b = c.block();
      const QTextLine line = b.layout()->lineForTextPosition(pos - b.position());
      ASSERT_TRUE(line.isValid());
      const QPointF at(line.cursorToX(pos - b.position()) + 1, layout->blockBoundingRect(b).top() + line.y() + 1);
      EXPECT_EQ(layout->hitTest(at, Qt::FuzzyHit), pos) << "at " << pos;
    }
  };
  const struct {
    const char* what;
    std::function<void(QTextCursor&)> edit;
  } cases[] = {
      {"a character in the middle", [](QTextCursor& c) { c.insertText(QStringLiteral("x")); }},
      {"a new paragraph", [](QTextCursor& c) { c.insertText(QStringLiteral("\nnew paragraph\n")); }},
      {"a deletion across paragraphs",
       [](QTextCursor& c) {
         c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 1500);
         c.removeSelectedText();
       }},
      {"a style over paragraphs",
       [](QTextCursor& c) {
         c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 3000);
         QTextCharFormat f;
         f.setFontPointSize(30);
         c.mergeCharFormat(f);
       }},
      {"paragraphs added at the end, a few at a time",
       [](QTextCursor& c) {
         for (int i = 0; i < 30; ++i) {
           c.movePosition(QTextCursor::End);
           c.insertText(u'\n' + LongText(7));
         }
       }},
      {"the last paragraphs removed",
       [](QTextCursor& c) {
         c.movePosition(QTextCursor::End);
         c.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor, 40);
         c.removeSelectedText();
       }},
      {"a whole new text", [&](QTextCursor&) { ef_->SetText(LongText(700)); }},
      {"a narrower editor", [&](QTextCursor&) { ef_->SetWidth(ef_->Width() / 2); }},
  };
  ef_->SetText(LongText(700));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTextCursor at(doc);
    at.setPosition(doc->characterCount() / 3);
    c.edit(at);
    check();
  }
}

TEST_F(BigTextTest, AWordLongerThanAnyLineIsShownWholeOnManyLines) {
  const QString word = QString(30000, u'w');
  ef_->SetText(QStringLiteral("before\n") + word + QStringLiteral("\nafter"));
  QTextDocument* doc = ef_->Document();
  const QTextBlock block = doc->findBlockByNumber(1);
  doc->documentLayout()->blockBoundingRect(block);
  QTextLayout* tl = block.layout();
  ASSERT_GT(tl->lineCount(), 10);
  int characters = 0;
  for (int i = 0; i < tl->lineCount(); ++i) characters += tl->lineAt(i).textLength();
  EXPECT_EQ(characters, word.size());
  EXPECT_EQ(ef_->Text(), QStringLiteral("before\n") + word + QStringLiteral("\nafter"));
}

// A paragraph long enough to be laid out in pieces, with a space in it and without one: the caret's
// moves, its place and the places of the points on screen go through the pieces as through
// ordinary lines.
class GiantParagraphTest : public BigTextTest, public ::testing::WithParamInterface<bool> {
 protected:
  fw::DocumentLayout* Layout() const { return qobject_cast<fw::DocumentLayout*>(ef_->Document()->documentLayout()); }
  void Show(const QString& text) {
    ef_->SetText(QStringLiteral("before\n") + text + QStringLiteral("\nafter"));
    ASSERT_NE(Layout(), nullptr);
    ASSERT_TRUE(Layout()->Pieced(ef_->Document()->findBlockByNumber(1)));
    ef_->SetFocus();
  }
  int Caret() const { return Edit()->textCursor().position(); }
  void Place(int position) {
    QTextCursor c(ef_->Document());
    c.setPosition(position);
    Edit()->setTextCursor(c);
  }
};

TEST_P(GiantParagraphTest, DownAndUpGoLineByLineThroughThePieces) {
  const QString text = Giant(200'000, GetParam());
  Show(text);
  Place(7 + 5);  // in the paragraph's first line
  const int firstLine = ef_->LineNumAtCharPos(Caret());
  int previous = Caret();
  // Far enough for several pieces, whose lines follow each other without a gap or a repeat.
  for (int k = 1; k <= 1500; ++k) {
    SendKey(Edit(), QString(), Qt::Key_Down);
    ASSERT_GT(Caret(), previous) << "down " << k;
    ASSERT_EQ(ef_->LineNumAtCharPos(Caret()), firstLine + k) << "down " << k;
    ASSERT_EQ(Layout()->CaretRect(Caret()).top(), Layout()->CaretRect(previous).bottom()) << "down " << k;
    previous = Caret();
  }
  for (int k = 1; k <= 1500; ++k) SendKey(Edit(), QString(), Qt::Key_Up);
  EXPECT_EQ(Caret(), 7 + 5) << "back where it started, at the same x";
  // Up from the paragraph's first line reaches the line before; down from its last, the one after.
  SendKey(Edit(), QString(), Qt::Key_Up);
  EXPECT_EQ(ef_->Document()->findBlock(Caret()).blockNumber(), 0);
  Place(7 + int(text.size()) - 3);
  SendKey(Edit(), QString(), Qt::Key_Down);
  EXPECT_EQ(ef_->Document()->findBlock(Caret()).blockNumber(), 2);
  SendKey(Edit(), QString(), Qt::Key_Up);
  EXPECT_EQ(ef_->Document()->findBlock(Caret()).blockNumber(), 1);
}

TEST_P(GiantParagraphTest, HomeEndLeftRightStayOnTheCaretsLine) {
  const QString text = Giant(200'000, GetParam());
  Show(text);
  const struct {
    const char* what;
    int key;
    std::function<void(int before, int after)> check;
  } cases[] = {
      {"Home", Qt::Key_Home, [&](int before, int after) {
         EXPECT_EQ(ef_->LineNumAtCharPos(after), ef_->LineNumAtCharPos(before));
         EXPECT_NE(ef_->LineNumAtCharPos(after - 1), ef_->LineNumAtCharPos(after));
       }},
      {"End", Qt::Key_End, [&](int before, int after) {
         // At the line's last character (a line broken inside a word ends where the next starts).
         EXPECT_GT(after, before);
         EXPECT_EQ(ef_->LineNumAtCharPos(after - 1), ef_->LineNumAtCharPos(before));
         EXPECT_NE(ef_->LineNumAtCharPos(after + 1), ef_->LineNumAtCharPos(before));
       }},
      {"Right", Qt::Key_Right, [&](int before, int after) { EXPECT_EQ(after, before + 1); }},
      {"Left", Qt::Key_Left, [&](int before, int after) { EXPECT_EQ(after, before - 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const int at : {100'000, 150'003}) {
      Place(7 + at);
      SendKey(Edit(), QString(), c.key);
      c.check(7 + at, Caret());
    }
  }
}

TEST_P(GiantParagraphTest, APointOnAnyLineFindsTheCharacterThere) {
  const QString text = Giant(200'000, GetParam());
  Show(text);
  fw::DocumentLayout* layout = Layout();
  for (int at = 7; at < 7 + text.size(); at += 997) {
    const QRectF r = layout->CaretRect(at);
    ASSERT_EQ(layout->hitTest(QPointF(r.left() + 1, r.center().y()), Qt::FuzzyHit), at) << "at " << at;
  }
  // The paragraph ends where the next begins.
  const QTextBlock after = ef_->Document()->lastBlock();
  EXPECT_EQ(layout->blockBoundingRect(after.previous()).bottom(), layout->blockBoundingRect(after).top());
  EXPECT_EQ(layout->hitTest(QPointF(1, layout->blockBoundingRect(after).top() + 1), Qt::FuzzyHit), after.position());
}

// Each edit lays out again only what it touched: places found afterwards must be those of the
// text as it now is, also where a paragraph drops below the size for pieces or goes above it.
TEST_P(GiantParagraphTest, PlacesStayRightThroughEditsOfTheParagraph) {
  QTextDocument* doc = ef_->Document();
  const struct {
    const char* what;
    std::function<void(QTextCursor&)> edit;
  } cases[] = {
      {"a style across pieces",
       [](QTextCursor& c) {
         c.setPosition(7 + 15'000);
         c.setPosition(7 + 40'000, QTextCursor::KeepAnchor);
         QTextCharFormat f;
         f.setFontPointSize(30);
         c.mergeCharFormat(f);
       }},
      {"a long paste into one piece", [&](QTextCursor& c) {
         c.setPosition(7 + 20'000);
         c.insertText(Giant(100'000, GetParam()));
       }},
      {"most of it deleted", [](QTextCursor& c) {
         c.setPosition(7 + 1'000);
         c.setPosition(7 + 160'000, QTextCursor::KeepAnchor);
         c.removeSelectedText();
       }},
      {"a new paragraph in the middle", [](QTextCursor& c) {
         c.setPosition(7 + 100'000);
         c.insertText(QStringLiteral("\n"));
       }},
      {"a narrower editor", [&](QTextCursor&) { ef_->SetWidth(ef_->Width() / 2); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Show(Giant(200'000, GetParam()));
    QTextCursor at(doc);
    c.edit(at);
    fw::DocumentLayout* layout = Layout();
    qreal bottom = -1;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      const QRectF r = layout->blockBoundingRect(b);
      if (bottom >= 0) {
        ASSERT_EQ(r.top(), bottom) << "block " << b.blockNumber();
      }
      bottom = r.bottom();
    }
    for (int pos = 3; pos < doc->characterCount() - 1; pos += 4999) {
      const QRectF r = layout->CaretRect(pos);
      ASSERT_EQ(layout->hitTest(QPointF(r.left() + 1, r.center().y()), Qt::FuzzyHit), pos) << "at " << pos;
    }
  }
}

TEST_P(GiantParagraphTest, KeysTypedInTheMiddleLandWhereTyped) {
  const QString text = Giant(200'000, GetParam());
  Show(text);
  QString expected = QStringLiteral("before\n") + text + QStringLiteral("\nafter");
  for (const int at : {100'000, 16'384, 150'000}) {
    Place(7 + at);
    SendKey(Edit(), QStringLiteral("A"));
    SendKey(Edit(), QStringLiteral("B"));
    expected.insert(7 + at, QStringLiteral("AB"));
    SendKey(Edit(), QString(), Qt::Key_Backspace);
    expected.remove(7 + at + 1, 1);
    SendKey(Edit(), QString(), Qt::Key_Delete);
    expected.remove(7 + at + 1, 1);
    EXPECT_EQ(ef_->Text(), expected);
    EXPECT_EQ(Caret(), 7 + at + 1);
    // Shown where it stands: a point on the caret finds it.
    const QRectF r = Layout()->CaretRect(Caret());
    EXPECT_EQ(Layout()->hitTest(QPointF(r.left() + 1, r.center().y()), Qt::FuzzyHit), Caret());
  }
  // Keys typed in a row are one step to undo, as elsewhere in the editor.
  Place(7 + 50'000);
  for (const char* key : {"x", "y", "z"}) SendKey(Edit(), QString::fromLatin1(key));
  ASSERT_EQ(ef_->Text(), QString(expected).insert(7 + 50'000, QStringLiteral("xyz")));
  ef_->Document()->undo();
  EXPECT_EQ(ef_->Text(), expected);
}

TEST_P(GiantParagraphTest, ASelectionAcrossPiecesHoldsAndShowsItsText) {
  const QString text = Giant(200'000, GetParam());
  Show(text);
  Place(7 + 10'000);
  for (int k = 0; k < 400; ++k) SendKey(Edit(), QString(), Qt::Key_Down, Qt::ShiftModifier);
  const QTextCursor c = Edit()->textCursor();
  ASSERT_EQ(c.anchor(), 7 + 10'000);
  ASSERT_GT(c.position(), 7 + 20'000);
  EXPECT_EQ(c.selectedText(), text.mid(10'000, c.position() - 7 - 10'000));
  // The caret's end is scrolled into view and shown selected up to it.
  const QRectF caret = Layout()->CaretRect(c.position());
  const int y = int(caret.top()) - Edit()->verticalScrollBar()->value();
  ASSERT_GE(y, 0);
  ASSERT_LT(y, Edit()->viewport()->height());
  const QImage shot = Edit()->viewport()->grab().toImage();
  const QRectF above = Layout()->CaretRect(Layout()->hitTest(QPointF(caret.left(), caret.top() - 2), Qt::FuzzyHit));
  EXPECT_EQ(shot.pixelColor(int(above.left()) + 1, int(above.top()) + 1 - Edit()->verticalScrollBar()->value()),
            Edit()->palette().color(QPalette::Highlight));
}

// Each piece lays out with the formats of its own part of the paragraph: a run of large type
// across piece ends is tall wherever it is, and the text around it is not.
TEST_P(GiantParagraphTest, AStyleAcrossPiecesShowsInEachOfThemAndOnlyThere) {
  Show(Giant(200'000, GetParam()));
  QTextCursor c(ef_->Document());
  c.setPosition(7 + 15'000);
  c.setPosition(7 + 60'000, QTextCursor::KeepAnchor);
  QTextCharFormat f;
  f.setFontPointSize(40);
  c.mergeCharFormat(f);
  const qreal plain = Layout()->CaretRect(7 + 5).height();
  for (const int at : {15'001, 16'500, 33'000, 49'000, 59'999}) {
    EXPECT_GT(Layout()->CaretRect(7 + at).height(), 2 * plain) << "at " << at;
  }
  for (const int at : {14'000, 60'500, 120'000}) {
    EXPECT_EQ(Layout()->CaretRect(7 + at).height(), plain) << "at " << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, GiantParagraphTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Prose" : "OneWord"; });

// A paragraph of one style comes in a part at a time, and is written back byte for byte.
TEST_F(BigTextTest, AGiantParagraphComesInInPartsAndIsSavedByteForByte) {
  const QString text = Giant(300'000, true);
  QTextDocument doc;
  QTextCursor c(&doc);
  QTextCharFormat plain, bold;
  bold.setFontWeight(QFont::Bold);
  c.insertText(text.left(100'000), plain);
  c.insertText(text.mid(100'000, 50'000), bold);
  c.insertText(text.mid(150'000), plain);
  const QByteArray rtf = fw::EncodeStyledRtf(doc);
  const fw::FolderItemPtr file = File(QStringLiteral("a.txt"), rtf);
  expectedCharacters_ = int(text.size()) + 1;
  Open(file);
  EXPECT_TRUE(Loading());
  ASSERT_TRUE(WaitFor([&] { return !Loading(); }, kMustComeMs)) << "the rest of the text never came in";
  ASSERT_FALSE(Loading());
  EXPECT_EQ(fw::EncodeStyledRtf(*ef_->Document()), rtf);
  // Typed into, it is saved whole with the key.
  QTextCursor at(ef_->Document());
  at.setPosition(120'000);
  Edit()->setTextCursor(at);
  SendKey(Edit(), QStringLiteral("Q"));
  ASSERT_TRUE(file->SaveStyledEditField(*ef_));
  QByteArray data;
  ASSERT_TRUE(file->ReadAll(&data));
  QTextDocument saved;
  ASSERT_TRUE(fw::DecodeStyledRtf(data, saved, nullptr));
  EXPECT_EQ(saved.toRawText(), QString(text).insert(120'000, u'Q'));
  for (const int pos : {99'999, 100'001, 120'001, 149'999, 150'001}) {
    QTextCursor s(&saved);
    s.setPosition(pos + 1);
    EXPECT_EQ(s.charFormat().fontWeight() == QFont::Bold, pos >= 100'000 && pos <= 150'000) << "at " << pos;
  }
}

// Texts far longer than what is read as the editor opens (megabytes): the rest is read and built
// from the event loop, which answers at every moment.
class LongFileTest : public BigTextTest {
 protected:
  // Paragraphs of LongText in plain RTF, written here rather than through a document: megabytes.
  static QByteArray PlainRtf(const QString& text) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Sans;}}\\f0\\fs24 ";
    rtf += text.toLatin1().replace("\n", "\\par\n");
    return rtf + "\\par}";
  }
  // Opens the file and runs the loop until it is all in; the longest the loop went unanswered.
  qint64 OpenAndWait(const fw::FolderItemPtr& file) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(file->OpenStyledEditField(*ef_, [this](const QString& reason, bool partly) {
      damages_.push_back({reason, partly, ef_->Document()->characterCount()});
    }));
    qint64 longest = clock.elapsed();
    QTimer probe;
    probe.setInterval(0);
    qint64 last = clock.elapsed();
    QObject::connect(&probe, &QTimer::timeout, [&] {
      longest = std::max(longest, clock.elapsed() - last);
      last = clock.elapsed();
    });
    probe.start();
    while (ef_->Document()->characterCount() < expectedCharacters_ && damages_.empty() && clock.elapsed() < 60000)
      QCoreApplication::processEvents();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    return longest;
  }
  struct Damage {
    QString reason;
    bool partly;
    int characters;  // in the editor when told
  };
  std::vector<Damage> damages_;
};

TEST_F(LongFileTest, TheLoopAnswersWhileALongTextIsReadAndDamageIsToldWhenReached) {
  const QString text = LongText(20000);  // 8 MB
  const QByteArray rtf = PlainRtf(text);
  const int cut = int(text.lastIndexOf(u'\n'));
  const struct {
    const char* what;
    QByteArray file;
    QString shown;
    bool damaged;
  } cases[] = {
      {"whole", rtf, text, false},
      // The closing brace is missing, and so is the last paragraph.
      {"tail lost", rtf.left(rtf.lastIndexOf("\\par\n")) + "\\par\n{\\b half", text.left(cut) + QStringLiteral("\nhalf"),
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    damages_.clear();
    expectedCharacters_ = int(c.shown.size()) + 1;
    const qint64 longest = OpenAndWait(File(QStringLiteral("long.txt"), c.file));
    EXPECT_LT(longest, 1000) << "the loop went unanswered this long (ms)";
    EXPECT_EQ(Raw(), c.shown);
    if (!c.damaged) {
      EXPECT_TRUE(damages_.empty());
      continue;
    }
    ASSERT_EQ(damages_.size(), 1u);
    EXPECT_TRUE(damages_[0].reason.contains(QStringLiteral("unexpected end of file"))) << damages_[0].reason.toStdString();
    EXPECT_TRUE(damages_[0].partly);
    EXPECT_EQ(damages_[0].characters, expectedCharacters_) << "told before the text before the damage was all in";
  }
}

// Damage within what is read as the file opens is the opener's to tell (the open answers false):
// the rest of the text before it, still built from the event loop, is not told a second time.
TEST_F(LongFileTest, DamageFoundAsTheFileOpensIsToldOnce) {
  const QString text = LongText(750);  // 300 KB: more than is shown at once, less than is read at once
  const QByteArray rtf = PlainRtf(text);
  const fw::FolderItemPtr file = File(QStringLiteral("cut.txt"), rtf.left(rtf.size() - 2));
  expectedCharacters_ = int(text.size()) + 1;
  EXPECT_FALSE(file->OpenStyledEditField(*ef_, [this](const QString& reason, bool partly) {
    damages_.push_back({reason, partly, ef_->Document()->characterCount()});
  }));
  EXPECT_TRUE(file->PartlyRead());
  ASSERT_TRUE(Loading()) << "the text is short enough to be taken in at once";
  QElapsedTimer clock;
  clock.start();
  while (Loading() && clock.elapsed() < 60000) QCoreApplication::processEvents();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(Loading());
  EXPECT_TRUE(damages_.empty()) << "told again when the rest was in: " << damages_[0].reason.toStdString();
}

// A save while the rest is still being read reads it first: the file then holds the whole text, or
// for a damaged file, the damage is told while the file is still as it was, before it is replaced.
TEST_F(LongFileTest, SavingWhileTheRestIsReadWritesItAll) {
  const QString text = LongText(20000);
  const QByteArray whole = PlainRtf(text);
  const QByteArray damaged = whole.left(whole.size() - 2);
  for (const QByteArray& original : {whole, damaged}) {
    const bool isDamaged = original.size() != whole.size();
    SCOPED_TRACE(isDamaged ? "damaged" : "whole");
    const fw::FolderItemPtr file = File(QStringLiteral("long.txt"), original);
    int told = 0;
    ASSERT_TRUE(file->OpenStyledEditField(*ef_, [&](const QString&, bool partly) {
      ++told;
      EXPECT_TRUE(partly);
      QByteArray now;
      EXPECT_TRUE(file->ReadAll(&now));
      EXPECT_TRUE(now == original) << "the file was replaced before the damage was told";
    }));
    ASSERT_LT(ef_->Document()->characterCount(), text.size() / 2) << "read whole as it opened";
    QTextCursor(ef_->Document()).insertText(QStringLiteral(">"));
    ASSERT_TRUE(file->SaveStyledEditField(*ef_));
    EXPECT_EQ(told, isDamaged ? 1 : 0);
    QByteArray data;
    ASSERT_TRUE(file->ReadAll(&data));
    QTextDocument saved;
    ASSERT_TRUE(fw::DecodeStyledRtf(data, saved, nullptr));
    // The damaged file lost only its last paragraph mark and closing brace.
    EXPECT_EQ(saved.toRawText().replace(QChar::ParagraphSeparator, u'\n'), u'>' + text);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(told, isDamaged ? 1 : 0);
  }
}

}  // namespace
