#include "platform/text/styledtextedit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/text/documentlayout.h"
#include "platform/text/fontfamily.h"
#include "platform/system/strings.h"

namespace fw {

namespace {
// The style of pasted text: each of the editor's six style values the copied run carries, over
// the style at the insertion point for those it does not; nothing else of the run.
QTextCharFormat PastedStyle(const QTextCharFormat& copied, const QTextCharFormat& caret) {
  QTextCharFormat f = caret;
  if (copied.hasProperty(QTextFormat::FontFamilies)) {
    const QStringList families = copied.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? QString() : PlainFamilies({families.first().trimmed()}).value(0);
    if (!family.isEmpty()) SetNamedFamily(f, family);
  }
  // Sizes are whole points in the editor; a size in pixels (as browsers copy it) is converted at
  // the usual 96 pixels to 72 points.
  if (copied.hasProperty(QTextFormat::FontPointSize) && copied.fontPointSize() > 0)
    f.setFontPointSize(std::round(copied.fontPointSize()));
  else if (copied.hasProperty(QTextFormat::FontPixelSize) && copied.intProperty(QTextFormat::FontPixelSize) > 0)
    f.setFontPointSize(std::round(copied.intProperty(QTextFormat::FontPixelSize) * 72.0 / 96.0));
  if (copied.hasProperty(QTextFormat::FontWeight))
    f.setFontWeight(copied.fontWeight() >= QFont::DemiBold ? QFont::Bold : QFont::Normal);
  if (copied.hasProperty(QTextFormat::FontItalic)) f.setFontItalic(copied.fontItalic());
  if (copied.hasProperty(QTextFormat::TextUnderlineStyle) || copied.hasProperty(QTextFormat::FontUnderline))
    f.setFontUnderline(copied.fontUnderline());
  if (copied.hasProperty(QTextFormat::ForegroundBrush) && copied.foreground().style() != Qt::NoBrush)
    f.setForeground(copied.foreground().color());
  return f;
}
}  // namespace

StyledTextEdit::StyledTextEdit(QWidget* parent) : QTextEdit(parent) {
  // Rich text arrives only through insertFromMimeData below, reduced to the editor's styles:
  // no tables, images, links or paragraph layouts of other programs.
  setAcceptRichText(false);
  // Qt's text control scrolls to the caret and repaints it at the place it finds in the
  // paragraph's own layout; the scroll goes through EnsureVisible, and the caret's repaints (its
  // blinking among them) are seen on the control.
  for (QObject* child : children()) {
    if (child->inherits("QWidgetTextControl")) control_ = child;
  }
  if (control_) {
    if (QObject::disconnect(control_, SIGNAL(visibilityRequest(QRectF)), this, SLOT(_q_ensureVisible(QRectF))))
      connect(control_, SIGNAL(visibilityRequest(QRectF)), this, SLOT(EnsureVisible(QRectF)));
    control_->installEventFilter(this);
  }
  viewport()->installEventFilter(this);
  connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
    if (PiecedAtCaret()) viewport()->update();
  });
}

DocumentLayout* StyledTextEdit::Layout() const { return qobject_cast<DocumentLayout*>(document()->documentLayout()); }

DocumentLayout* StyledTextEdit::PiecedAtCaret() const {
  DocumentLayout* layout = Layout();
  return layout && layout->Pieced(textCursor().block()) ? layout : nullptr;
}

void StyledTextEdit::EnsureVisible(const QRectF& rect) {
  // The control's caret place where a paragraph's layout has no lines: the paragraph's top.
  if (DocumentLayout* layout = PiecedAtCaret()) {
    const QRectF block = layout->blockBoundingRect(textCursor().block());
    if (rect.top() == block.top() && rect.height() == 10) {
      ShowCaret(layout);
      return;
    }
  }
  QMetaObject::invokeMethod(this, "_q_ensureVisible", Qt::DirectConnection, Q_ARG(QRectF, rect));
}

void StyledTextEdit::ShowCaret(DocumentLayout* layout) {
  // With the margins Qt's text control gives the caret.
  const QRectF r = layout->CaretRect(textCursor().position()).adjusted(-5, 0, 5, 0);
  QMetaObject::invokeMethod(this, "_q_ensureVisible", Qt::DirectConnection, Q_ARG(QRectF, r));
}

bool StyledTextEdit::eventFilter(QObject* watched, QEvent* e) {
  if (watched == viewport() && e->type() == QEvent::MouseButtonDblClick) sinceDoubleClick_.start();
  // The caret's blink finds the caret's place in the paragraph's own layout, which has Qt analyse
  // all of the paragraph again after each change (a few hundred milliseconds at 10 MB): there the
  // caret stays shown instead. The control's other timer ends a triple click, after a double one.
  if (watched == control_ && e->type() == QEvent::Timer && PiecedAtCaret()) {
    viewport()->update();
    if (!sinceDoubleClick_.isValid() || sinceDoubleClick_.elapsed() > 2 * QApplication::doubleClickInterval()) return true;
  }
  return QTextEdit::eventFilter(watched, e);
}

void StyledTextEdit::keyPressEvent(QKeyEvent* e) {
  if (!MoveThroughPieces(e) && !EditInPieces(e)) QTextEdit::keyPressEvent(e);
}

bool StyledTextEdit::EditInPieces(QKeyEvent* e) {
  DocumentLayout* layout = PiecedAtCaret();
  if (!layout || isReadOnly() || overwriteMode()) return false;
  const QString text = e->text();
  // Backspace with Shift too, as in Qt's text control.
  const bool back = e->matches(QKeySequence::Backspace) ||
                    (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier));
  const bool del = e->matches(QKeySequence::Delete);
  // Typed text as Qt's text control takes it: printable, a tab or a format character, and not a
  // Ctrl (+Shift) combination.
  const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
  const bool typed = !text.isEmpty() && m != Qt::ControlModifier && m != (Qt::ShiftModifier | Qt::ControlModifier) &&
                     (text.at(0).isPrint() || text.at(0) == u'\t' || text.at(0).category() == QChar::Other_Format ||
                      text.at(0).category() == QChar::Other_PrivateUse);
  // A tab may move the focus instead: Qt decides.
  if ((!back && !del && !typed) || e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return false;
  // Inside an edit block, so that Qt's cursor leaves its x unknown rather than reading it from
  // the whole paragraph's layout; typing in a row joins one undo step, as Qt's typing does.
  QTextCursor c = textCursor();
  const bool joins = typed && !c.hasSelection() && c.position() == typedEnd_ &&
                     document()->availableUndoSteps() == typedSteps_ && typedRevision_ == document()->revision();
  if (joins) c.joinPreviousEditBlock();
  else c.beginEditBlock();
  if (typed) {
    c.insertText(text);
  } else if (c.hasSelection()) {
    c.removeSelectedText();
  } else if (back) {
    c.deletePreviousChar();
  } else {
    c.setPosition(layout->NextCursorPosition(c.position(), false), QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  c.endEditBlock();
  typedEnd_ = typed ? c.position() : -1;
  typedSteps_ = document()->availableUndoSteps();
  typedRevision_ = document()->revision();
  // The control's own cursor moved with the edit; it is told only when it differs.
  if (textCursor().position() != c.position() || textCursor().anchor() != c.anchor()) setTextCursor(c);
  else ShowCaret(layout);
  viewport()->update();
  e->accept();
  return true;
}

namespace {
enum class Move { Line, Page, Char, Word, LineEdge };
struct KeyMove {
  QKeySequence::StandardKey key;
  Move move;
  bool forward, select;
};
constexpr KeyMove kKeyMoves[] = {
    {QKeySequence::MoveToNextLine, Move::Line, true, false},
    {QKeySequence::SelectNextLine, Move::Line, true, true},
    {QKeySequence::MoveToPreviousLine, Move::Line, false, false},
    {QKeySequence::SelectPreviousLine, Move::Line, false, true},
    {QKeySequence::MoveToNextPage, Move::Page, true, false},
    {QKeySequence::SelectNextPage, Move::Page, true, true},
    {QKeySequence::MoveToPreviousPage, Move::Page, false, false},
    {QKeySequence::SelectPreviousPage, Move::Page, false, true},
    {QKeySequence::MoveToNextChar, Move::Char, true, false},
    {QKeySequence::SelectNextChar, Move::Char, true, true},
    {QKeySequence::MoveToPreviousChar, Move::Char, false, false},
    {QKeySequence::SelectPreviousChar, Move::Char, false, true},
    {QKeySequence::MoveToNextWord, Move::Word, true, false},
    {QKeySequence::SelectNextWord, Move::Word, true, true},
    {QKeySequence::MoveToPreviousWord, Move::Word, false, false},
    {QKeySequence::SelectPreviousWord, Move::Word, false, true},
    {QKeySequence::MoveToStartOfLine, Move::LineEdge, false, false},
    {QKeySequence::SelectStartOfLine, Move::LineEdge, false, true},
    {QKeySequence::MoveToEndOfLine, Move::LineEdge, true, false},
    {QKeySequence::SelectEndOfLine, Move::LineEdge, true, true},
};
}  // namespace

bool StyledTextEdit::MoveThroughPieces(QKeyEvent* e) {
  DocumentLayout* layout = Layout();
  if (!layout) return false;
  const auto found = std::find_if(std::begin(kKeyMoves), std::end(kKeyMoves),
                                  [e](const KeyMove& m) { return e->matches(m.key); });
  if (found == std::end(kKeyMoves)) return false;
  const KeyMove& key = *found;
  QTextCursor c = textCursor();
  const QTextBlock block = c.block();
  const bool here = layout->Pieced(block);
  const bool vertical = key.move == Move::Line || key.move == Move::Page;
  const bool down = vertical && key.forward;
  const bool up = vertical && !key.forward;
  // Moves by line also into such a paragraph: Qt's would land at its start.
  if (!here && !(down && layout->Pieced(block.next())) && !(up && layout->Pieced(block.previous()))) return false;
  const auto mode = key.select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
  const bool rtl = block.textDirection() == Qt::RightToLeft;
  const int at = c.position();
  int to = -1;
  int scroll = 0;
  if (up || down) {
    const bool page = key.move == Move::Page;
    const QRectF caret = layout->CaretRect(at);
    if (at != verticalPosition_) verticalX_ = caret.left();
    const qreal height = layout->documentSize().height();
    const qreal step = std::max<qreal>(1, caret.height() / 2);
    // The first place below (above) the caret's line, or a page from it, that is on another line.
    qreal y = page ? (down ? caret.top() + viewport()->height() : caret.top() - viewport()->height())
                   : (down ? caret.bottom() + 1 : caret.top() - 1);
    to = at;
    for (; y >= 0 && y < height; y += down ? step : -step) {
      const int p = layout->hitTest(QPointF(verticalX_, y), Qt::FuzzyHit);
      const QRectF r = layout->CaretRect(p);
      if (p >= 0 && (down ? r.top() > caret.top() : r.top() < caret.top())) {
        to = p;
        break;
      }
    }
    if (to == at) to = down ? document()->characterCount() - 1 : 0;
    if (page) scroll = down ? viewport()->height() : -viewport()->height();
  } else if (!here) {
    return false;
  } else if (key.move == Move::Char || key.move == Move::Word) {
    // Next and previous swap places in a right-to-left paragraph.
    const bool words = key.move == Move::Word;
    to = key.forward != rtl ? layout->NextCursorPosition(at, words) : layout->PreviousCursorPosition(at, words);
  } else if (!key.forward) {
    int start = at, end = at;
    layout->LineBounds(at, &start, &end);
    to = start;
  } else {
    int start = at, end = at;
    layout->LineBounds(at, &start, &end);
    // Before the space a line was broken at, as Qt does, so that the caret stays on the line.
    const int blockEnd = block.position() + block.length() - 1;
    to = std::min(end, blockEnd);
    if (to < blockEnd && to > start && document()->characterAt(to - 1).isSpace()) --to;
  }
  c.setPosition(to, mode);
  setTextCursor(c);
  if (up || down) {
    verticalPosition_ = to;
    if (scroll) verticalScrollBar()->setValue(verticalScrollBar()->value() + scroll);
  }
  return true;
}

void StyledTextEdit::InsertPlainText(const QString& text) {
  QTextCursor c = textCursor();
  QTextCharFormat typing = c.charFormat();
  typing.clearProperty(QTextFormat::ObjectType);
  c.beginEditBlock();
  c.removeSelectedText();
  // Qt's own paste gives a paragraph it fills from empty the toolkit's style as its mark, which
  // text typed there once the pasted text is deleted would take. As after Return, the paragraph
  // the text ends has its mark in the typing style; those it begins get it from insertText.
  if (text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar::ParagraphSeparator))
    c.setBlockCharFormat(typing);
  c.insertText(text, typing);
  c.endEditBlock();
  setTextCursor(c);
}

bool StyledTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source && (source->hasHtml() || source->hasText());
}

void StyledTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!source || isReadOnly()) return;
  if (!source->hasHtml()) {
    InsertPlainText(source->text());
    ensureCursorVisible();
    return;
  }
  QTextDocument copied;
  copied.setHtml(source->html());
  QTextCursor c = textCursor();
  c.beginEditBlock();
  c.removeSelectedText();
  const QTextCharFormat caret = currentCharFormat();
  for (QTextBlock b = copied.begin(); b.isValid(); b = b.next()) {
    if (b != copied.begin()) c.insertText(QStringLiteral("\n"), c.charFormat());
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment piece = it.fragment();
      if (!piece.isValid()) continue;
      QString text = piece.text();
      text.remove(QChar::ObjectReplacementCharacter);  // images and other objects have no text
      if (!text.isEmpty()) c.insertText(text, PastedStyle(piece.charFormat(), caret));
    }
  }
  c.endEditBlock();
  setTextCursor(c);
  ensureCursorVisible();
}

namespace {
// The runs from `from` to `to` whose font is drawn in another family than the one it names.
std::vector<std::pair<int, int>> Renamed(const QTextDocument& doc, int from, int to) {
  std::vector<std::pair<int, int>> out;
  for (QTextBlock b = doc.findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment part = it.fragment();
      const int start = std::max(part.position(), from), end = std::min(part.position() + part.length(), to);
      if (start >= end) continue;
      const QTextCharFormat f = part.charFormat();
      if (NamedFamily(f) != f.fontFamilies().toStringList().value(0)) out.emplace_back(start, end);
    }
  }
  return out;
}

// Copied text names the families it names in the editor, also those this computer lacks.
QString HtmlOf(const QTextCursor& c) {
  const QTextDocumentFragment fragment(c);
  if (Renamed(*c.document(), c.selectionStart(), c.selectionEnd()).empty()) return fragment.toHtml();
  QTextDocument copy;
  QTextCursor(&copy).insertFragment(fragment);
  for (const auto& [start, end] : Renamed(copy, 0, copy.characterCount())) {
    QTextCursor r(&copy);
    r.setPosition(start);
    r.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat f = r.charFormat();
    f.setFontFamilies({NamedFamily(f)});
    r.setCharFormat(f);
  }
  return QTextDocumentFragment(&copy).toHtml();
}
}  // namespace

QMimeData* StyledTextEdit::createMimeDataFromSelection() const {
  const QTextCursor c = textCursor();
  auto* mime = new QMimeData;
  mime->setText(Unseparated(c.selectedText()));
  mime->setHtml(HtmlOf(c));
  return mime;
}

}  // namespace fw
