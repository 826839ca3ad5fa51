#pragma once
// Objects that belong to a document, found through it rather than kept beside it.

#include <QObject>
#include <QTextDocument>
#include <QVariant>

namespace fw {

// A document's own object of type T, made the first time it is asked for and deleted with it.
template <typename T>
T& AttachedTo(QTextDocument* doc, const char* property) {
  auto* object = static_cast<T*>(doc->property(property).value<QObject*>());
  if (!object) {
    object = new T(doc);
    doc->setProperty(property, QVariant::fromValue<QObject*>(object));
  }
  return *object;
}

}  // namespace fw
