#pragma once
// The editor's text as EditField::Text() gives it, kept until the text changes: the find box asks
// for it at every press, and a copy of a long text costs tens of milliseconds. What is handed out
// shares this copy, so a search reads the text where it lies.

#include <QObject>
#include <QString>

class QTextDocument;

namespace fw {

class TextCopy : public QObject {
 public:
  // The document's copy, made the first time it is asked for and deleted with the document.
  static TextCopy& Of(QTextDocument* doc);
  explicit TextCopy(QTextDocument* doc);
  QString Get();

 private:
  QTextDocument* doc_;
  QString text_;
  bool valid_ = false;
};

}  // namespace fw
