#include "app/app.h"

#include <QFileInfo>

#include "app/version.h"
#include "info/aboutbox.h"
#include "info/help.h"
#include "info/selftest.h"
#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/system/files.h"
#include "platform/system/folderitem.h"
#include "platform/system/plainclipboard.h"
#include "platform/system/sessioncommit.h"
#include "platform/dialogs/uiservice.h"
#include "print/printing.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "store/module1style.h"
#include "window/window1.h"

using namespace fw;

App* App_() { return dynamic_cast<App*>(Application::Current()); }

App::App() {
  MajorVersion = TAVRIN_VERSION_MAJOR;
  MinorVersion = TAVRIN_VERSION_MINOR;
  BugVersion = TAVRIN_VERSION_PATCH;
  ShortVersion = QStringLiteral(TAVRIN_VERSION_SHORT);
  LongVersion = QStringLiteral(TAVRIN_VERSION_LONG);
}

void App::Event_Open() {
  prefModule::loadPrefs();
  setupTavrin();
  Module1::MySection = QString();
}

void App::Event_Close() { prefModule::savePrefs(); }

void App::Event_CommitData(SessionCommit& commit) {
  // A main window that has closed already saved everything as it closed.
  Window1* w = Window1::Open();
  if (!w) return;
  // Without a turn to ask, what can be saved is saved, and the session manager goes on.
  if (!w->SaveForEnd([&commit] { return commit.AllowsInteraction(); })) commit.Cancel();
}

namespace {
// Why the data folder cannot be used; "" when it can be read.
QString FolderProblem(const FolderItem& folder) {
  const QFileInfo info(folder.NativePath());
  if (!info.isDir()) return QStringLiteral("it is not a folder");
  if (!info.isReadable() || !info.isExecutable()) return QStringLiteral("it cannot be read");
  return QString();
}

// Without its leading article, which differs between a message and the middle of a sentence.
QString CannotBeUsed(const FolderItem& folder, const QString& reason) {
  return QStringLiteral("data folder \"") + folder.DisplayPath() + QStringLiteral("\" cannot be used: ") + reason;
}

// Said once here rather than at every save that would fail later; the roads that stop on such a
// save say it again (Module1::reportTextNotSaved).
void MarkUnusable(const QString& problem) {
  Module1::DataFolderUnusable = true;
  Module1::DataFolderProblem = QStringLiteral("the ") + problem;
}
}  // namespace

void App::setupTavrin() {
  FolderItemPtr prefs = SpecialFolder::Preferences();
  FolderItemPtr folder = prefs ? prefs->Child(QStringLiteral("Tavrin")) : nullptr;
  const QString reason = folder && folder->Exists() ? FolderProblem(*folder) : QString();
  if (!reason.isEmpty()) {
    const QString cannotBeUsed = CannotBeUsed(*folder, reason);
    MsgBox(QStringLiteral("The ") + cannotBeUsed + QStringLiteral(".  Nothing you write can be saved."));
    MarkUnusable(cannotBeUsed);
  } else if (folder && folder->Exists() && !Module1::DataFolderMadeThisRun) {
    if (!QFileInfo(folder->NativePath()).isWritable()) {
      // Its Sections can still be read and shown; that none can be saved is said once, here.
      const QString notWritable = QStringLiteral("data folder \"") + folder->NativePath() +
                                  QStringLiteral("\" cannot be written to");
      MsgBox(QStringLiteral("The ") + notWritable +
             QStringLiteral(": its Sections are shown, but nothing you write can be saved."));
      MarkUnusable(notWritable);
    } else {
      // A replace cut short by a kill leaves its temporary file; the real file is whole beside it.
      folder->RemoveLeftoverTemporaries(&Module1::isOwnFileName);
    }
    Module1::getSections();
  } else if (folder) {
    if (!folder->Exists() && !folder->CreateAsFolder()) {
      MsgBox(QStringLiteral("The data folder \"") + folder->DisplayPath() +
             QStringLiteral("\" could not be created: nothing you write can be saved."));
      MarkUnusable(CannotBeUsed(*folder, QStringLiteral("it could not be created")));
    } else {
      Module1::writeJournalFile(folder->Child(QStringLiteral("Sections.txt")), {});
    }
  }
  Module1::getDefaultStyle();
  Module1::DefaultColor = RGB(0, 0, 0);
  Module1::resetStyle();
}

bool App::CheckforUpdateCheckNow_Action() {
  NilCheck(selfTest::selfTest_(), "the version window")->Show();
  return false;
}

bool App::HelpShow_Action() {
  NilCheck(Help::Help_(), "the help window")->Show();
  return false;
}

bool App::HelpAbout_Action() {
  NilCheck(AboutBox::AboutBox_(), "the about box")->Show();
  return false;
}

bool App::FilePageSetup_Action() {
  Printing::pageSetup();
  return true;
}

bool App::FilePrintHelp_Action() {
  Printing::printHelp();
  return true;
}

bool App::FilePrintSelectedText_Action() {
  Printing::printSelectedText();
  return true;
}

bool App::FilePrintSelectedSection_Action() {
  Printing::printSelectedSection();
  return true;
}

bool App::EditPasteSpecial_Action() {
  PlainClipboard clipboard;
  Window1* w = NilCheck(Window1::Open(), "the main window is not open");
  EditField& ef = w->EF1();
  const QString text = clipboard.GetText();
  ef.SetSelText(text);
  return true;
}
