#pragma once
// A fresh folder per test, with the few file helpers that tests of replaces need: a leftover
// temporary file must show, so Entries() lists hidden entries too.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString PathOf(const QString& name) const { return dir_.path() + u'/' + name; }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile f(PathOf(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Read(const QString& name) const {
    QFile f(PathOf(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QStringList Entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                       QDir::Name);
  }

  QTemporaryDir dir_;
};
