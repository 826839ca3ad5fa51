#pragma once
// The styled editor's text widget: Copy and Cut give other programs the text both plain and with
// its styles, and Paste keeps the styles of what was copied, as far as the editor's styles go
// (font, size, bold, italic, underline, colour).

#include <QTextEdit>

namespace fw {

class StyledTextEdit : public QTextEdit {
 public:
  explicit StyledTextEdit(QWidget* parent);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace fw
