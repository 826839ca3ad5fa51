#pragma once
#include <QMap>
#include <QPoint>
#include <QRect>
#include <QString>

class QMimeData;
class QWidget;

namespace fw {

class Window;

// Drag data of four-character types, private to this program: each type travels under its own
// MIME type that no other program offers or accepts.
class DragItem {
 public:
  DragItem() = default;
  DragItem(Window* window, QRect rect) : window_(window), rect_(rect) {}

  void SetPrivateMacData(const QString& type, const QString& data) { data_[type] = data; }
  bool MacDataAvailable(const QString& type) const { return data_.contains(type); }
  QString MacData(const QString& type) const { return data_.value(type); }
  QRect Rect() const { return rect_; }

  // Runs the drag through the platform service; returns when it was dropped or abandoned.
  void Drag(QWidget* source);

  QMimeData* ToMimeData() const;
  static DragItem FromMimeData(const QMimeData* mime);
  static QString MimeTypeFor(const QString& type);

 private:
  Window* window_ = nullptr;
  QRect rect_;
  QMap<QString, QString> data_;
};

}  // namespace fw
