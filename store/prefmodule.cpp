#include "store/prefmodule.h"

#include <QFileInfo>

#include "platform/system/files.h"
#include "platform/system/strings.h"
#include "platform/system/textinputstream.h"
#include "platform/system/textoutputstream.h"
#include "store/module1.h"

using namespace fw;

namespace prefModule {

int32_t Window1Top = 0;
int32_t Window1Left = 0;
int32_t Window1Width = 0;
int32_t Window1Height = 0;
QList<std::shared_ptr<directiveClass>> gDirectives{nullptr};
QString PageSetup;

namespace {
// Whether this run has told that the file cannot be written.
bool FailureTold = false;
}  // namespace

void ResetState() {
  Window1Top = Window1Left = Window1Width = Window1Height = 0;
  gDirectives = {nullptr};
  PageSetup.clear();
  FailureTold = false;
}

FolderItemPtr prefsFile() {
  FolderItemPtr prefs = SpecialFolder::Preferences();
  if (!prefs) return nullptr;
  FolderItemPtr folder = prefs->Child(QStringLiteral("Tavrin"));
  return folder ? folder->Child(QStringLiteral("tavrin.txt")) : nullptr;
}

namespace {
// The program writes two short lines. A file far beyond that (hand-edited, damaged, or another
// file under this name) is read only this far, so that starting takes no longer and keeps no more
// for it than for a file of this size; the rest counts as past the end of the directives.
constexpr qint64 kReadLimit = 64 * 1024;
}  // namespace

bool extractDirectives(const FolderItemPtr& file) {
  if (!file) return false;
  std::shared_ptr<TextInputStream> in = file->OpenAsTextFile(kReadLimit);
  if (!in) return false;
  for (;;) {
    if (in->EOF_()) {
      in->Close();
      return true;
    }
    const QString line = in->ReadLine();
    const QString first = Mid(line, 1, 1);
    if (first != QLatin1String("#") && first != QLatin1String("'")) {
      in->Close();
      return true;
    }
    if (first == QLatin1String("'")) continue;
    const int c = InStr(line, QStringLiteral(" "));
    if (c > 0) {
      gDirectives.append(std::make_shared<directiveClass>());
      gDirectives.last()->name = Lowercase(Mid(line, 2, c - 2));
      gDirectives.last()->text = Mid(line, c + 1);
    }
  }
}

void loadPrefs() {
  if (extractDirectives(prefsFile())) {
    for (int i = 1; i < gDirectives.size(); ++i) {
      const directiveClass& d = *gDirectives[i];
      if (StrEq(d.name, QStringLiteral("Window1Position"))) {
        Window1Top = ToInt32(Val(NthField(d.text, QStringLiteral(","), 1)));
        Window1Left = ToInt32(Val(NthField(d.text, QStringLiteral(","), 2)));
        Window1Width = ToInt32(Val(NthField(d.text, QStringLiteral(","), 3)));
        Window1Height = ToInt32(Val(NthField(d.text, QStringLiteral(","), 4)));
      } else if (StrEq(d.name, QStringLiteral("MySection"))) {
        Module1::MySection = d.text;
      }
    }
  } else {
    Window1Top = 150;
    Window1Left = 150;
    Window1Width = 700;
    Window1Height = 500;
    Module1::MySection = QString();
  }
}

void savePrefs() {
  FolderItemPtr file = prefsFile();
  // The preferences never make the data folder: without one (start-up has said why it could not
  // make it) there is nowhere to keep them.
  if (!file || !QFileInfo(QFileInfo(file->NativePath()).absolutePath()).isDir()) return;
  QString failure;
  if (std::shared_ptr<TextOutputStream> out = file->CreateTextFile()) {
    out->WriteLine(QStringLiteral("#Window1Position ") + Str(Window1Top) + u',' + Str(Window1Left) + u',' +
                   Str(Window1Width) + u',' + Str(Window1Height));
    out->WriteLine(QStringLiteral("#MySection ") + Module1::MySection);
    if (!out->Close()) failure = out->ErrorString();
  } else {
    failure = file->LastError();
  }
  // They are written at the main window's close and again as the program ends: a file that
  // cannot be written is told the first time only.
  if (failure.isEmpty() || FailureTold) return;
  FailureTold = true;
  Module1::reportWriteFailure(file, failure);
}

}  // namespace prefModule
