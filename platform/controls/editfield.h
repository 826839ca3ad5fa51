#pragma once
// Text fields: single-line plain (a QLineEdit) or multi-line styled (a QTextEdit). Offsets count
// QString units, the same unit as the string functions, and block separators count one, as the
// "\n" of Text() does, so Text() positions and editor offsets agree.

#include <QTextCharFormat>
#include <functional>
#include <memory>

#include "platform/controls/color.h"
#include "platform/controls/rectcontrol.h"
#include "platform/controls/styledtext.h"

class QLineEdit;
class QTextEdit;
class QTextDocument;

namespace fw {

class Graphics;
class StyledTextPrinter;

class EditField : public RectControl {
  Q_OBJECT
 public:
  // The kind cannot change after construction: call with multiline true for the styled editor.
  EditField(Window* window, const QString& name, bool multiline = false);

  bool Multiline() const { return multiline_; }
  bool Styled() const { return styled_; }
  void SetStyled(bool on) { styled_ = on; }

  QString Text() const;
  // Raises TextChange before it returns when the text changes.
  void SetText(const QString& t);

  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int start);   // moves the insertion point there
  void SetSelLength(int length); // extends from SelStart
  QString SelText() const;
  void SetSelText(const QString& t);  // inserted in the style at the insertion point

  // Selection style (or the style typed next when nothing is selected).
  QString SelTextFont() const;
  int SelTextSize() const;
  bool SelBold() const;
  bool SelItalic() const;
  bool SelUnderline() const;
  Color SelTextColor() const;
  void SetSelTextFont(const QString& f);
  void SetSelTextSize(int s);
  void SetSelBold(bool on);
  void SetSelItalic(bool on);
  void SetSelUnderline(bool on);
  void SetSelTextColor(Color c);

  // Whole-text style: applied to all the text and kept as the field's base style, which text set
  // with SetText and text typed into an empty field take.
  void SetTextFont(const QString& f);
  void SetTextSize(int s);
  void SetBold(bool on);
  void SetItalic(bool on);
  void SetUnderline(bool on);
  void SetTextColor(Color c);
  QTextCharFormat BaseFormat() const { return base_; }

  StyledText GetStyledText() const { return StyledText(this); }
  // A block printer of the whole styled text for `surface`, in lines `width` wide (styledtextprinter.cpp).
  std::unique_ptr<StyledTextPrinter> styledTextPrinter(Graphics& surface, int width) const;
  TextStyle StyleAt(int offset) const;

  // Offset of the character position nearest to (x, y), in the field's coordinates.
  int CharPosAtXY(int x, int y) const;
  // Visual line (from 0) holding the offset.
  int LineNumAtCharPos(int offset) const;
  int ScrollPosition() const;     // first visible line
  void SetScrollPosition(int line);  // below 0 shows the first line

  bool ReadOnly() const;
  void SetReadOnly(bool on);
  void SetMask(const QString& mask);  // each "&" admits one character
  void SetLimitText(int limit);       // 0 = none
  void SetAcceptTabs(bool on);
  void SetAlignment(int a);           // 0 left, 1 centre, 2 right
  void SetBorder(bool on);

  QTextEdit* TextEdit() const;     // multi-line only
  QLineEdit* LineEdit() const;     // single-line only
  QTextDocument* Document() const; // multi-line only

  // Replaces the content as a whole (loading a file) without a TextChange per piece; raises one.
  void ContentReplaced();

  // Content still coming in at the end: a long text is taken in from the event loop once its
  // start shows. `finish` brings in the rest at once. The field calls it before anything here
  // reads or changes the text past the start, and before the user edits the last paragraph,
  // drops or opens the context menu; the loader clears it (with an empty function) when done.
  // `drop` stops the rest coming in, when the whole text is replaced and nothing reads it first.
  void SetPendingContent(std::function<void()> finish, std::function<void()> drop = {}) {
    finish_ = std::move(finish);
    drop_ = std::move(drop);
  }
  void FinishContent() const {
    if (!finish_) return;
    drop_ = nullptr;
    std::exchange(finish_, nullptr)();
  }
  bool ContentPending() const { return bool(finish_); }

  // Used by the Qt side.
  void UserTextChanged();
  bool PressAt(QPoint viewportPos, Qt::KeyboardModifiers m);

 private:
  void MergeSel(const QTextCharFormat& f);
  void MergeWhole(const QTextCharFormat& f);
  bool multiline_;
  bool styled_ = false;
  int settingText_ = 0;
  QString lastText_;
  int maxCharacters_ = 0;  // 0: no limit
  QString lineBefore_;     // the single-line text before the latest change, for the limit
  void KeepWithinLimit();
  QTextCharFormat base_;
  mutable std::function<void()> finish_, drop_;
  void DropContent();
};

// FinishContent of the styled field whose editor this is (the menu's edit commands act on the
// editor widget).
void FinishPendingContent(QTextEdit* edit);

}  // namespace fw
