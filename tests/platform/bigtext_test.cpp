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
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/application.h"
#include "platform/editfield.h"
#include "platform/files.h"
#include "platform/scripteduiservice.h"
#include "platform/styledtextrtf.h"
#include "platform/window.h"

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

void SendKey(QWidget* target, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &release);
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
  void RunLoopUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) QCoreApplication::processEvents();
  }
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
  RunLoopUntil([&] { return !Loading(); });
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
  RunLoopUntil([&] { return !Loading(); });
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
