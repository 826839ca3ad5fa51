#include "styledtextedit.h"

#include <QMimeData>
#include <QTextCharFormat>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "fontfamily.h"

namespace fw {

namespace {
// The style of pasted text: each of the editor's six style values the copied run carries, over
// the style at the insertion point for those it does not; nothing else of the run.
QTextCharFormat PastedStyle(const QTextCharFormat& copied, const QTextCharFormat& caret) {
  QTextCharFormat f = caret;
  if (copied.hasProperty(QTextFormat::FontFamilies)) {
    const QStringList families = copied.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().trimmed().isEmpty()) SetNamedFamily(f, families.first().trimmed());
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
  QString plain = c.selectedText();
  plain.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
  mime->setText(plain);
  mime->setHtml(HtmlOf(c));
  return mime;
}

}  // namespace fw
