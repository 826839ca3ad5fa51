#pragma once
// Points the program's preferences folder (fw::SpecialFolder::Preferences) at a folder of the
// caller's while it lives, through XDG_CONFIG_HOME as a user would: the program looks it up at
// each call. The variable is given back as it was found.

#include <QByteArray>
#include <QFile>
#include <QString>

class PreferencesFolder {
 public:
  explicit PreferencesFolder(const QString& path)
      : wasSet_(qEnvironmentVariableIsSet(kVariable)), saved_(qgetenv(kVariable)) {
    MoveTo(path);
  }
  ~PreferencesFolder() {
    if (wasSet_)
      qputenv(kVariable, saved_);
    else
      qunsetenv(kVariable);
  }
  PreferencesFolder(const PreferencesFolder&) = delete;
  PreferencesFolder& operator=(const PreferencesFolder&) = delete;

  void MoveTo(const QString& path) { qputenv(kVariable, QFile::encodeName(path)); }

 private:
  static constexpr char kVariable[] = "XDG_CONFIG_HOME";
  bool wasSet_;
  QByteArray saved_;
};
