#include "platform/network/internetheaders.h"

namespace fw {

void InternetHeaders::AppendHeader(const QString& name, const QString& value) { lines_.append({name, value}); }

void InternetHeaders::SetHeader(const QString& name, const QString& value) {
  for (Line& l : lines_) {
    if (QString::compare(l.name, name, Qt::CaseInsensitive) == 0) {
      l.value = value;
      return;
    }
  }
  AppendHeader(name, value);
}

QString InternetHeaders::Value(const QString& name) const {
  for (const Line& l : lines_)
    if (QString::compare(l.name, name, Qt::CaseInsensitive) == 0) return l.value;
  return QString();
}

QString InternetHeaders::Name(int index) const { return index >= 0 && index < Count() ? lines_[index].name : QString(); }
QString InternetHeaders::ValueAt(int index) const { return index >= 0 && index < Count() ? lines_[index].value : QString(); }

}  // namespace fw
