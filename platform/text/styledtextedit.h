#pragma once
// The styled editor's text widget: Copy and Cut give other programs the text both plain and with
// its styles, and Paste keeps the styles of what was copied, as far as the editor's styles go
// (font, size, bold, italic, underline, colour).
//
// In a paragraph the layout lays out in pieces (DocumentLayout::Pieced) Qt's own caret place and
// line movement find no lines; the caret's moves by line, by character and by word, its place for
// scrolling and its repaints go through the layout here instead.

#include <QElapsedTimer>
#include <QTextEdit>

namespace fw {

class DocumentLayout;

class StyledTextEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit StyledTextEdit(QWidget* parent);
  // Replaces the selection with plain text in the style at the insertion point, the marks of the
  // paragraphs it ends and begins too.
  void InsertPlainText(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;

 private slots:
  void EnsureVisible(const QRectF& rect);

 private:
  DocumentLayout* Layout() const;
  // The layout when the caret is in a paragraph laid out in pieces, otherwise null.
  DocumentLayout* PiecedAtCaret() const;
  // A key that moves the caret, done through the layout; false when it is not one.
  bool MoveThroughPieces(QKeyEvent* e);
  // Typing, Backspace and Delete there, without Qt's text control: it would have all of the
  // paragraph analysed again after each key (hundreds of milliseconds at 10 MB) for the caret's
  // place.
  bool EditInPieces(QKeyEvent* e);
  // Scrolls to the caret's place as the layout gives it.
  void ShowCaret(DocumentLayout* layout);

  QObject* control_ = nullptr;
  int verticalPosition_ = -1;  // where the last move by line left the caret...
  qreal verticalX_ = 0;        // ...and the x it keeps while moving by line
  int typedEnd_ = -1;          // where typing in such a paragraph last left the caret...
  int typedSteps_ = 0, typedRevision_ = 0;  // ...and the document then
  QElapsedTimer sinceDoubleClick_;
};

}  // namespace fw
