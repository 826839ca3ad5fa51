#include "platform/controls/menuitem.h"

namespace fw {

void MenuItem::Append(MenuItem* item) { children_.emplace_back(item); }

MenuItem* MenuItem::Child(const QString& name) const {
  for (const auto& c : children_)
    if (c->Name == name) return c.get();
  return nullptr;
}

MenuItem* MenuItem::Find(const QString& name) {
  if (Name == name) return this;
  for (const auto& c : children_)
    if (MenuItem* found = c->Find(name)) return found;
  return nullptr;
}

QKeySequence MenuItem::Shortcut() const {
  if (KeyboardShortcut.isEmpty()) return QKeySequence();
  QString s = KeyboardShortcut;
  s.replace(QLatin1String("Cmd"), QLatin1String("Ctrl"), Qt::CaseInsensitive);
  return QKeySequence(s, QKeySequence::PortableText);
}

}  // namespace fw
