#include "platform/controls/editfield.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QtMath>

#include "platform/text/documentlayout.h"
#include "platform/text/fontfamily.h"
#include "platform/system/strings.h"
#include "platform/text/styledtextedit.h"
#include "platform/controls/lineindex.h"
#include "platform/controls/textcopy.h"
#include "platform/controls/window.h"

namespace fw {

namespace {
QWidget* MakeWidget(Window* window, bool multiline) {
  if (multiline) return new StyledTextEdit(window->Content());
  return new QLineEdit(window->Content());
}

// Presses reach the handler before the field places the caret, so MouseDown sees the state the
// user pressed on; returning True takes the click.
class PressFilter : public QObject {
 public:
  explicit PressFilter(EditField* field) : QObject(field), field_(field) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::MouseButtonPress) return false;
    auto* m = static_cast<QMouseEvent*>(e);
    if (m->button() != Qt::LeftButton) return false;
    return field_->PressAt(m->position().toPoint(), m->modifiers());
  }

 private:
  EditField* field_;
};

// A new paragraph starts in the typing style in effect where Return was pressed. Left to itself
// the editor gives a paragraph made in an empty one the document's own format, so text typed
// after a blank line would take the system font, a style the user never chose.
class ReturnKeepsStyle : public QObject {
 public:
  explicit ReturnKeepsStyle(QTextEdit* te) : QObject(te), te_(te) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress || te_->isReadOnly()) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) ||
        (k->modifiers() & ~(Qt::KeypadModifier)) != Qt::NoModifier)
      return false;
    const QTextCharFormat typing = te_->currentCharFormat();
    QTextCursor c = te_->textCursor();
    c.beginEditBlock();
    c.setBlockCharFormat(typing);  // the mark of the paragraph Return ends is in the same style
    c.insertBlock(c.blockFormat(), typing);
    c.endEditBlock();
    te_->setTextCursor(c);
    te_->setCurrentCharFormat(typing);
    te_->ensureCursorVisible();
    return true;
  }

 private:
  QTextEdit* te_;
};

constexpr const char* kFieldProperty = "fw.editField";

// Text still coming in arrives at the end. An edit there, a drop or the context menu's commands
// first take in the rest, so that nothing the user does lands between the two parts; an edit
// anywhere before the last paragraph goes on at once.
class InputFilter : public QObject {
 public:
  explicit InputFilter(EditField* field) : QObject(field), field_(field) {}
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(e)->matches(QKeySequence::SelectAll)) {
          field_->FinishContent();
          break;
        }
        [[fallthrough]];
      case QEvent::InputMethod: {
        const QTextCursor c = field_->TextEdit()->textCursor();
        const int lastBlock = field_->Document()->lastBlock().position();
        if (c.position() >= lastBlock || c.anchor() >= lastBlock) field_->FinishContent();
        break;
      }
      case QEvent::Drop:
      case QEvent::ContextMenu:
        field_->FinishContent();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  EditField* field_;
};

QString FamilyOf(const QTextCharFormat& f, const QTextDocument* doc) {
  const QString named = NamedFamily(f);
  if (!named.isEmpty()) return named;
  return doc ? doc->defaultFont().family() : QString();
}

}  // namespace

EditField::EditField(Window* window, const QString& name, bool multiline)
    : RectControl(window, name, MakeWidget(window, multiline)), multiline_(multiline) {
  if (multiline_) {
    QTextEdit* te = TextEdit();
    te->setAcceptRichText(false);
    te->document()->setDocumentLayout(new DocumentLayout(te->document()));
    te->setLineWrapMode(QTextEdit::WidgetWidth);
    te->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    te->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    te->viewport()->installEventFilter(new PressFilter(this));
    te->installEventFilter(new ReturnKeepsStyle(te));
    te->setProperty(kFieldProperty, QVariant::fromValue<QObject*>(this));
    // Installed last, so it sees each key before the filters above may take it.
    auto* input = new InputFilter(this);
    te->installEventFilter(input);
    te->viewport()->installEventFilter(input);
    connect(te, &QTextEdit::textChanged, this, [this] {
      if (settingText_ == 0 && HasHandler(QStringLiteral("TextChange"))) UserTextChanged();
    });
    QPalette p = te->palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    te->setPalette(p);
  } else {
    QLineEdit* le = LineEdit();
    le->installEventFilter(new PressFilter(this));
    connect(le, &QLineEdit::textChanged, this, [this] {
      KeepWithinLimit();
      if (settingText_ == 0) UserTextChanged();
    });
  }
}

QTextEdit* EditField::TextEdit() const { return multiline_ ? static_cast<QTextEdit*>(Widget()) : nullptr; }
QLineEdit* EditField::LineEdit() const { return multiline_ ? nullptr : static_cast<QLineEdit*>(Widget()); }
QTextDocument* EditField::Document() const { return multiline_ ? TextEdit()->document() : nullptr; }

QString EditField::Text() const {
  if (!multiline_) return LineEdit()->text();
  FinishContent();
  return TextCopy::Of(Document()).Get();
}

void EditField::DropContent() {
  finish_ = nullptr;
  if (drop_) std::exchange(drop_, nullptr)();
}

void EditField::SetText(const QString& t) {
  // The whole text is replaced: the rest of a long one is not taken in only to be thrown away
  // (seconds for a big Section), unless a TextChange handler is to compare the texts.
  const bool compared = HasHandler(QStringLiteral("TextChange"));
  if (compared) FinishContent();
  else DropContent();
  const QString before = compared ? Text() : QString();
  ++settingText_;
  if (multiline_) {
    QTextEdit* te = TextEdit();
    te->setPlainText(t);
    // Text set from code is in the base style and nothing else: no style of the caret's last
    // place may leak into it.
    QTextCursor c(Document());
    c.select(QTextCursor::Document);
    c.setCharFormat(base_);
    c.setBlockCharFormat(base_);
    te->setCurrentCharFormat(base_);
  } else {
    LineEdit()->setText(t);
  }
  --settingText_;
  const QString now = Text();
  if (HasHandler(QStringLiteral("TextChange")) && now != before) {
    lastText_ = now;
    Raise(QStringLiteral("TextChange"));
  }
}

void EditField::UserTextChanged() {
  if (multiline_) {
    const QString now = Text();
    if (now == lastText_) return;  // a change of style only
    lastText_ = now;
  }
  Raise(QStringLiteral("TextChange"));
}

void EditField::ContentReplaced() {
  if (!HasHandler(QStringLiteral("TextChange"))) return;
  UserTextChanged();
}

int EditField::SelStart() const {
  if (!multiline_) {
    QLineEdit* le = LineEdit();
    return le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
  }
  return TextEdit()->textCursor().selectionStart();
}

int EditField::SelLength() const {
  if (!multiline_) return static_cast<int>(LineEdit()->selectedText().size());
  const QTextCursor c = TextEdit()->textCursor();
  return c.selectionEnd() - c.selectionStart();
}

void EditField::SetSelStart(int start) {
  if (!multiline_) {
    LineEdit()->setCursorPosition(std::clamp(start, 0, static_cast<int>(LineEdit()->text().size())));
    return;
  }
  FinishContent();
  QTextCursor c = TextEdit()->textCursor();
  c.setPosition(std::clamp(start, 0, Document()->characterCount() - 1));
  TextEdit()->setTextCursor(c);
}

void EditField::SetSelLength(int length) {
  const int start = SelStart();
  if (!multiline_) {
    LineEdit()->setSelection(start, std::max(0, length));
    return;
  }
  FinishContent();
  QTextCursor c = TextEdit()->textCursor();
  c.setPosition(start);
  c.setPosition(std::clamp(start + std::max(0, length), 0, Document()->characterCount() - 1), QTextCursor::KeepAnchor);
  TextEdit()->setTextCursor(c);
}

QString EditField::SelText() const {
  if (!multiline_) return LineEdit()->selectedText();
  FinishContent();
  return Unseparated(TextEdit()->textCursor().selectedText());
}

void EditField::SetSelText(const QString& t) {
  if (!multiline_) {
    LineEdit()->insert(t);
    return;
  }
  FinishContent();
  static_cast<StyledTextEdit*>(TextEdit())->InsertPlainText(t);
}

TextStyle EditField::StyleAt(int offset) const {
  TextStyle s;
  if (!multiline_) {
    const QFont f = Widget()->font();
    s.Font = f.family();
    s.Size = f.pointSize();
    s.Bold = f.bold();
    s.Italic = f.italic();
    s.Underline = f.underline();
    return s;
  }
  FinishContent();
  QTextDocument* doc = Document();
  QTextCursor c(doc);
  const int last = doc->characterCount() - 1;
  c.setPosition(std::clamp(offset + 1, 0, last));
  const QTextCharFormat f = c.charFormat();
  s.Font = FamilyOf(f, doc);
  const double pt = f.fontPointSize();
  s.Size = pt > 0 ? static_cast<int>(pt + 0.5) : doc->defaultFont().pointSize();
  s.Bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::Bold : doc->defaultFont().bold();
  s.Italic = f.fontItalic();
  s.Underline = f.fontUnderline();
  s.TextColor = f.foreground().style() == Qt::NoBrush ? kBlack : FromQColor(f.foreground().color());
  return s;
}

namespace {
TextStyle CurrentStyle(const EditField* e) {
  if (!e->Multiline()) return e->StyleAt(0);
  const QTextCharFormat f = e->TextEdit()->currentCharFormat();
  TextStyle s;
  s.Font = FamilyOf(f, e->Document());
  const double pt = f.fontPointSize();
  s.Size = pt > 0 ? static_cast<int>(pt + 0.5) : e->Document()->defaultFont().pointSize();
  s.Bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::Bold : false;
  s.Italic = f.fontItalic();
  s.Underline = f.fontUnderline();
  s.TextColor = f.foreground().style() == Qt::NoBrush ? kBlack : FromQColor(f.foreground().color());
  return s;
}
}  // namespace

QString EditField::SelTextFont() const { return CurrentStyle(this).Font; }
int EditField::SelTextSize() const { return CurrentStyle(this).Size; }
bool EditField::SelBold() const { return CurrentStyle(this).Bold; }
bool EditField::SelItalic() const { return CurrentStyle(this).Italic; }
bool EditField::SelUnderline() const { return CurrentStyle(this).Underline; }
Color EditField::SelTextColor() const { return CurrentStyle(this).TextColor; }

void EditField::MergeSel(const QTextCharFormat& f) {
  if (multiline_) TextEdit()->mergeCurrentCharFormat(f);
}

namespace {
// One style property as a format to merge, for the selection and for the whole text alike.
QTextCharFormat FamilyFormat(const QString& font) {
  QTextCharFormat f;
  SetNamedFamily(f, font);
  return f;
}
QTextCharFormat SizeFormat(int size) {
  QTextCharFormat f;
  f.setFontPointSize(size);
  return f;
}
QTextCharFormat BoldFormat(bool on) {
  QTextCharFormat f;
  f.setFontWeight(on ? QFont::Bold : QFont::Normal);
  return f;
}
QTextCharFormat ItalicFormat(bool on) {
  QTextCharFormat f;
  f.setFontItalic(on);
  return f;
}
QTextCharFormat UnderlineFormat(bool on) {
  QTextCharFormat f;
  f.setFontUnderline(on);
  return f;
}
QTextCharFormat ColorFormat(Color c) {
  QTextCharFormat f;
  f.setForeground(ToQColor(c));
  return f;
}
}  // namespace

void EditField::SetSelTextFont(const QString& font) { MergeSel(FamilyFormat(font)); }
void EditField::SetSelTextSize(int size) {
  if (size > 0) MergeSel(SizeFormat(size));
}
void EditField::SetSelBold(bool on) { MergeSel(BoldFormat(on)); }
void EditField::SetSelItalic(bool on) { MergeSel(ItalicFormat(on)); }
void EditField::SetSelUnderline(bool on) { MergeSel(UnderlineFormat(on)); }
void EditField::SetSelTextColor(Color c) { MergeSel(ColorFormat(c)); }

namespace {
// `font` with what `f` sets of the editor's style values.
QFont WithStyle(QFont font, const QTextCharFormat& f, const QString& family) {
  if (f.hasProperty(QTextFormat::FontFamilies)) font.setFamilies({family});
  if (f.hasProperty(QTextFormat::FontPointSize)) font.setPointSizeF(f.fontPointSize());
  if (f.hasProperty(QTextFormat::FontWeight)) font.setBold(f.fontWeight() >= QFont::Bold);
  if (f.hasProperty(QTextFormat::FontItalic)) font.setItalic(f.fontItalic());
  if (f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline))
    font.setUnderline(f.fontUnderline());
  return font;
}
}  // namespace

void EditField::MergeWhole(const QTextCharFormat& f) {
  base_.merge(f);
  if (!multiline_) {
    Widget()->setFont(WithStyle(Widget()->font(), f, f.fontFamilies().toStringList().value(0)));
    return;
  }
  FinishContent();
  QTextDocument* doc = Document();
  // Text without a style value of its own is shown, and saved, in the base style rather than in
  // the toolkit's default font.
  const QFont base = WithStyle(doc->defaultFont(), f, NamedFamily(f));
  if (base != doc->defaultFont()) doc->setDefaultFont(base);
  QTextCursor c(doc);
  c.select(QTextCursor::Document);
  c.mergeCharFormat(f);
  c.mergeBlockCharFormat(f);
  TextEdit()->mergeCurrentCharFormat(f);
}

void EditField::SetTextFont(const QString& font) { MergeWhole(FamilyFormat(font)); }
void EditField::SetTextSize(int size) {
  if (size > 0) MergeWhole(SizeFormat(size));
}
void EditField::SetBold(bool on) { MergeWhole(BoldFormat(on)); }
void EditField::SetItalic(bool on) { MergeWhole(ItalicFormat(on)); }
void EditField::SetUnderline(bool on) { MergeWhole(UnderlineFormat(on)); }
void EditField::SetTextColor(Color c) { MergeWhole(ColorFormat(c)); }

bool EditField::PressAt(QPoint viewportPos, Qt::KeyboardModifiers m) {
  QPoint p = viewportPos;
  if (multiline_) p = TextEdit()->viewport()->mapTo(TextEdit(), viewportPos);
  return RaiseMouseDown(p.x(), p.y(), m);
}

int EditField::CharPosAtXY(int x, int y) const {
  if (!multiline_) return LineEdit()->cursorPositionAt(QPoint(x, y));
  QTextEdit* te = TextEdit();
  const QPoint vp = te->viewport()->mapFrom(te, QPoint(x, y));
  return te->cursorForPosition(vp).position();
}

namespace {
// Every multiline field's document is laid out by a DocumentLayout (set as the field is made).
DocumentLayout* OurLayout(const QTextDocument* doc) { return static_cast<DocumentLayout*>(doc->documentLayout()); }
}  // namespace

int EditField::LineNumAtCharPos(int offset) const {
  if (!multiline_) return 0;
  FinishContent();
  QTextDocument* doc = Document();
  const QTextBlock target = doc->findBlock(std::clamp(offset, 0, doc->characterCount() - 1));
  DocumentLayout* layout = OurLayout(doc);
  layout->LayOutUpTo(target);
  return LineIndex::Of(doc, layout).LinesBefore(target) + layout->LineNumberAt(target, offset - target.position());
}

int EditField::ScrollPosition() const {
  if (!multiline_) return 0;
  QTextEdit* te = TextEdit();
  const int y = te->verticalScrollBar()->value();
  const int pos = Document()->documentLayout()->hitTest(QPointF(1, y + 1), Qt::FuzzyHit);
  return pos < 0 ? 0 : LineNumAtCharPos(pos);
}

void EditField::SetScrollPosition(int line) {
  if (!multiline_) return;
  QTextEdit* te = TextEdit();
  QScrollBar* bar = te->verticalScrollBar();
  if (line <= 0) {
    bar->setValue(0);
    return;
  }
  FinishContent();
  QTextDocument* doc = Document();
  DocumentLayout* layout = OurLayout(doc);
  // A count through blocks not laid out yet, one line each, lands at or past the true block;
  // laying out up to there makes the second count exact.
  QTextBlock target;
  int within = 0;
  for (int pass = 0; pass < 2; ++pass) {
    bool exact = true;
    target = LineIndex::Of(doc, layout).BlockAtLine(line, &within, &exact);
    if (exact) break;
    layout->LayOutUpTo(target.isValid() ? target : doc->lastBlock());
  }
  // Laying out on demand can run ahead of the scroll range, which the editor widens from the
  // event loop; widen it now, as the editor will, so the line can be reached.
  const int reach = qMax(0, qCeil(layout->documentSize().height()) - te->viewport()->height());
  if (reach > bar->maximum()) bar->setMaximum(reach);
  if (!target.isValid()) {
    bar->setValue(bar->maximum());
    return;
  }
  const qreal y = layout->blockBoundingRect(target).top() + layout->LineTop(target, within);
  bar->setValue(static_cast<int>(y));
}

bool EditField::ReadOnly() const { return multiline_ ? TextEdit()->isReadOnly() : LineEdit()->isReadOnly(); }
void EditField::SetReadOnly(bool on) {
  if (multiline_) TextEdit()->setReadOnly(on);
  else LineEdit()->setReadOnly(on);
}

void EditField::SetMask(const QString& mask) {
  if (multiline_) return;
  maxCharacters_ = CharacterCount(mask);
  KeepWithinLimit();
}

void EditField::SetLimitText(int limit) {
  if (multiline_ || limit <= 0) return;
  maxCharacters_ = limit;
  KeepWithinLimit();
}

// Qt's own limit counts UTF-16 units and cuts a character outside the Basic Multilingual Plane in
// half. Here the limit counts characters, and what does not fit of an insertion is dropped whole,
// as the user typed or pasted it: the text around it stays.
void EditField::KeepWithinLimit() {
  QLineEdit* le = LineEdit();
  const QString now = le->text();
  if (maxCharacters_ <= 0 || CharacterCount(now) <= maxCharacters_) {
    lineBefore_ = now;
    return;
  }
  const QString& before = lineBefore_;
  qsizetype prefix = 0;
  while (prefix < now.size() && prefix < before.size() && now[prefix] == before[prefix]) ++prefix;
  if (prefix > 0 && now[prefix - 1].isHighSurrogate()) --prefix;
  qsizetype suffix = 0;
  while (suffix < now.size() - prefix && suffix < before.size() - prefix &&
         now[now.size() - 1 - suffix] == before[before.size() - 1 - suffix])
    ++suffix;
  if (suffix > 0 && now[now.size() - suffix].isLowSurrogate()) --suffix;
  const QString head = now.left(prefix), tail = now.right(suffix);
  const QString inserted = now.mid(prefix, now.size() - prefix - suffix);
  const int room = maxCharacters_ - CharacterCount(head) - CharacterCount(tail);
  QString kept = head + LeftCharacters(inserted, std::max(0, room)) + tail;
  if (CharacterCount(kept) > maxCharacters_) kept = LeftCharacters(kept, maxCharacters_);
  const qsizetype caret = std::min(kept.size(), head.size() + LeftCharacters(inserted, std::max(0, room)).size());
  lineBefore_ = kept;
  {
    const QSignalBlocker block(le);
    le->setText(kept);
  }
  le->setCursorPosition(static_cast<int>(caret));
}

void EditField::SetAcceptTabs(bool on) {
  if (multiline_) TextEdit()->setTabChangesFocus(!on);
}

void EditField::SetAlignment(int a) {
  const Qt::Alignment al = a == 1 ? Qt::AlignHCenter : a == 2 ? Qt::AlignRight : Qt::AlignLeft;
  if (multiline_) TextEdit()->setAlignment(al);
  else LineEdit()->setAlignment(al | Qt::AlignVCenter);
}

void EditField::SetBorder(bool on) {
  if (multiline_) TextEdit()->setFrameShape(on ? QFrame::StyledPanel : QFrame::NoFrame);
  else LineEdit()->setFrame(on);
}

void FinishPendingContent(QTextEdit* edit) {
  if (auto* field = qobject_cast<EditField*>(edit->property(kFieldProperty).value<QObject*>())) field->FinishContent();
}

}  // namespace fw
