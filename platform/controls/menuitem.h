#pragma once
#include <QKeySequence>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace fw {

class MenuItem {
 public:
  enum class Kind { Item, Quit, ApplicationMenu };
  MenuItem() = default;
  virtual ~MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  QString Name;
  QString Text;              // "&" marks the access key; "-" is a separator
  QString KeyboardShortcut;  // the framework's notation, "Cmd+Shift+P"; "" = none
  bool AutoEnable = true;

  virtual Kind ItemKind() const { return Kind::Item; }
  bool IsSeparator() const { return Text == QLatin1String("-"); }

  // Takes ownership.
  void Append(MenuItem* item);
  MenuItem* Child(const QString& name) const;  // direct child of that Name, or nil
  int Count() const { return static_cast<int>(children_.size()); }
  MenuItem* Item(int i) const { return children_[static_cast<size_t>(i)].get(); }
  // Depth-first search of the whole tree.
  MenuItem* Find(const QString& name);

  // "Cmd" is the platform's command key: Ctrl here.
  QKeySequence Shortcut() const;

 private:
  std::vector<std::unique_ptr<MenuItem>> children_;
};

// The items the platform may place itself differ from a MenuItem only in their kind.
class QuitMenuItem : public MenuItem {
 public:
  Kind ItemKind() const override { return Kind::Quit; }
};

// Shown in the application menu where the platform has one; in its own menu here.
class AppleMenuItem : public MenuItem {
 public:
  Kind ItemKind() const override { return Kind::ApplicationMenu; }
};

}  // namespace fw
