#include "styledtextedit.h"

#include <QMimeData>
#include <QTextCharFormat>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <cmath>

#include "plainclipboard.h"

namespace fw {

namespace {
// The style of pasted text: each of the editor's six style values the copied run carries, over
// the style at the insertion point for those it does not; nothing else of the run.
QTextCharFormat PastedStyle(const QTextCharFormat& copied, const QTextCharFormat& caret) {
  QTextCharFormat f = caret;
  if (copied.hasProperty(QTextFormat::FontFamilies)) {
    const QStringList families = copied.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? QString() : PlainFamilies({families.first().trimmed()}).value(0);
    if (!family.isEmpty()) f.setFontFamilies({family});
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
}

bool StyledTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source && (source->hasHtml() || source->hasText());
}

void StyledTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!source || isReadOnly()) return;
  if (!source->hasHtml()) {
    QTextEdit::insertFromMimeData(source);  // plain text, in the style at the insertion point
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

QMimeData* StyledTextEdit::createMimeDataFromSelection() const {
  const QTextCursor c = textCursor();
  auto* mime = new QMimeData;
  QString plain = c.selectedText();
  plain.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
  mime->setText(plain);
  mime->setHtml(QTextDocumentFragment(c).toHtml());
  return mime;
}

}  // namespace fw
