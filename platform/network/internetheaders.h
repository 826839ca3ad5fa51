#pragma once
// A collection of HTTP header lines, name and value, in the order they were added. Names are
// looked up without regard to case, as HTTP wants.

#include <QList>
#include <QString>

namespace fw {

class InternetHeaders {
 public:
  void AppendHeader(const QString& name, const QString& value);
  // Replaces the value of the first header of that name, or appends one.
  void SetHeader(const QString& name, const QString& value);
  // The value of the first header of that name; "" when there is none.
  QString Value(const QString& name) const;

  int Count() const { return static_cast<int>(lines_.size()); }
  QString Name(int index) const;
  QString ValueAt(int index) const;

 private:
  struct Line {
    QString name, value;
  };
  QList<Line> lines_;
};

}  // namespace fw
