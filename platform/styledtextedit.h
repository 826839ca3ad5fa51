#pragma once
// The styled editor's text widget: Copy and Cut give other programs the text both plain and with
// its styles, and Paste keeps the styles of what was copied, as far as the editor's styles go
// (font, size, bold, italic, underline, colour).

#include <QTextCharFormat>
#include <QTextEdit>

namespace fw {

class StyledTextEdit : public QTextEdit {
 public:
  explicit StyledTextEdit(QWidget* parent);

  // The style of pasted text: each of the editor's six style values the copied run carries,
  // over the style at the insertion point for those it does not; nothing else of the run.
  static QTextCharFormat PastedStyle(const QTextCharFormat& copied, const QTextCharFormat& caret);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace fw
