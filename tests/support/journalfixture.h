#pragma once
// A fresh, empty preferences folder per test, program-start module state, and the scripted dialog
// service; helpers to start the program as it starts for real (without running the event loop),
// and to read and write files of the data folder.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <optional>

#include "preferencesfolder.h"
#include "scripteduiservice.h"

class Window1;

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  fw::ScriptedUiService& ui();

  // The whole start-up: file types, App with menu bar, handlers, main window, App.Open, the
  // window's opening. Returns the main window.
  Window1* StartProgram();
  // The main window made and opened alone, without App (its Open applies prefModule's rectangle).
  Window1* OpenMainWindow();
  // Closes the main window as the user would and then raises the application's Close; returns
  // the exit status.
  int CloseProgram();

  QString PrefsPath() const { return dir_.path(); }
  // The preferences folder somewhere else for the rest of the test; PrefsPath stays.
  void PointPreferencesAt(const QString& path) { preferences_->MoveTo(path); }
  QString DataPath(const QString& name = QString()) const;
  void WriteData(const QString& name, const QByteArray& content);
  QByteArray ReadData(const QString& name) const;
  bool DataExists(const QString& name) const;
  void MakeDataFolder();

 private:
  QTemporaryDir dir_;
  std::optional<PreferencesFolder> preferences_;
};
