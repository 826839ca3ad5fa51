// Speed of the find box on a 10 MB Section: Find and Find Next with the one match near the end,
// and a Find Previous that scans from there back to the start without a match, each in both
// comparison modes, through the main window's own handlers. Also the editor operations a shown
// match uses. Prints medians in milliseconds.
//
// The Section is loaded into the shown editor and the editor is left to finish laying it out, as
// it does in the background after a Section is shown; that layout time is printed on its own.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <cstdio>

#include "benchsupport.h"
#include "platform/controls/editfield.h"
#include "preferencesfolder.h"
#include "scripteduiservice.h"
#include "platform/controls/checkbox.h"
#include "store/module1.h"
#include "window/window1.h"

namespace {

using bench::Median;

template <typename F>
double Time(F&& f) {
  QElapsedTimer t;
  t.start();
  f();
  return t.nsecsElapsed() / 1e6;
}

struct Figures {
  int characters = 0, paragraphs = 0;
  double load = 0, layout = 0;
  double text = 0, lineNum = 0, scrollSet = 0, scrollGet = 0;
  double find[2] = {0, 0}, next[2] = {0, 0}, previous[2] = {0, 0};  // [0] Ignore Case, [1] exact
  double findAfterEdit = 0, lineNumAfterEdit = 0;
  bool ok = true;
};

Figures Measure(Window1* w, fw::ScriptedUiService& ui, int paragraphLength, int runs) {
  Figures fig;
  fw::EditField& ef = w->EF1();
  fw::EditField& findBox = w->EditFieldNamed(QStringLiteral("FindString"));
  fw::CheckBox& ignoreCase = w->Control<fw::CheckBox>(QStringLiteral("IgnoreCase"));
  QTextDocument* doc = ef.Document();
  doc->clear();
  QCoreApplication::processEvents();

  const QString marker = QStringLiteral("Zebra Crossing");
  bench::FillOptions fill;
  fill.paragraphLength = paragraphLength;
  fill.formats = 8;
  fill.mixedFonts = false;
  fill.cjk = false;
  fill.marker = marker;
  fig.load = Time([&] { bench::FillSampleSection(*doc, 10'000'000, fill); });
  // The editor lays out the rest of the text, and then widens its scroll range, from the event
  // loop after the load.
  fig.layout = Time([&] {
    QElapsedTimer guard;
    guard.start();
    while (guard.elapsed() < 120'000) {
      QCoreApplication::processEvents();
      const QTextBlock last = doc->lastBlock();
      if (last.layout() && last.layout()->lineCount() > 0) break;
    }
    QCoreApplication::processEvents();
  });
  fig.characters = doc->characterCount();
  fig.paragraphs = doc->blockCount();

  fig.text = Median(runs, [&] { return Time([&] { (void)ef.Text(); }); });
  const int end = fig.characters - 2;
  fig.lineNum = Median(runs, [&] { return Time([&] { (void)ef.LineNumAtCharPos(end); }); });
  const int lastLine = ef.LineNumAtCharPos(end);
  fig.scrollSet = Median(runs, [&] {
    ef.SetScrollPosition(0);
    return Time([&] { ef.SetScrollPosition(lastLine - 5); });
  });
  fig.scrollGet = Median(runs, [&] { return Time([&] { (void)ef.ScrollPosition(); }); });
  // An edit makes the editor count its lines afresh at the next lookup.
  auto edit = [&] {
    QTextCursor c(doc);
    c.insertText(QStringLiteral("x"));
    c.deletePreviousChar();
  };
  fig.lineNumAfterEdit = Median(runs, [&] {
    edit();
    return Time([&] { (void)ef.LineNumAtCharPos(end); });
  });

  const QString findTexts[2] = {QStringLiteral("zebra crossing"), marker};
  for (int mode = 0; mode < 2; ++mode) {
    ignoreCase.SetValue(mode == 0);
    findBox.SetText(findTexts[mode]);
    auto shownNearEnd = [&] { return ui.Messages().isEmpty() && Module1::P > fig.characters - 3000; };
    fig.find[mode] = Median(runs, [&] {
      ui.Clear();
      const double ms = Time([&] { w->Find_Action(); });
      fig.ok = fig.ok && shownNearEnd();
      return ms;
    });
    // Nothing follows the match, so Find Next wraps and finds it again from the start.
    fig.next[mode] = Median(runs, [&] {
      ui.Clear();
      const double ms = Time([&] { w->FindNext_Action(); });
      fig.ok = fig.ok && shownNearEnd();
      return ms;
    });
    if (mode == 0)
      fig.findAfterEdit = Median(runs, [&] {
        ui.Clear();
        edit();
        const double ms = Time([&] { w->Find_Action(); });
        fig.ok = fig.ok && shownNearEnd();
        return ms;
      });
    fig.previous[mode] = Median(runs, [&] {
      ui.Clear();
      w->Find_Action();
      const double ms = Time([&] { w->FindPrevious_Action(); });
      fig.ok = fig.ok && ui.Messages() == QStringList{QStringLiteral("Sorry, no more found!")};
      return ms;
    });
  }
  return fig;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Message boxes are answered by the scripted service, and the data folder is a temporary one.
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  auto& ui = static_cast<fw::ScriptedUiService&>(fw::UiService::Current());
  QTemporaryDir prefs;
  const PreferencesFolder preferences(prefs.path());

  Window1* w = Window1::Window1_();
  w->Show();
  QCoreApplication::processEvents();

  const int runs = 7;
  // Prose in paragraphs of about 400 characters, and short lines of about 60 (a list, a log),
  // which give the editor six times the blocks to count through.
  const Figures prose = Measure(w, ui, 400, runs);
  const Figures lines = Measure(w, ui, 60, runs);

  std::printf("find on a 10 MB Section (medians of %d runs, ms)    prose      short lines\n", runs);
  std::printf("  characters / paragraphs              %9d / %-6d %9d / %d\n", prose.characters, prose.paragraphs,
              lines.characters, lines.paragraphs);
  auto row = [](const char* what, double a, double b, const char* note = "") {
    std::printf("  %-36s %9.1f        %9.1f   %s\n", what, a, b, note);
  };
  row("load into the shown editor", prose.load, lines.load);
  row("editor's own layout after the load", prose.layout, lines.layout, "(background, before any search)");
  row("EditField::Text", prose.text, lines.text);
  row("EditField::LineNumAtCharPos, end", prose.lineNum, lines.lineNum);
  row("  the same, first after an edit", prose.lineNumAfterEdit, lines.lineNumAfterEdit, "(counts the lines afresh)");
  row("EditField::SetScrollPosition, end", prose.scrollSet, lines.scrollSet);
  row("EditField::ScrollPosition", prose.scrollGet, lines.scrollGet);
  row("Find, Ignore Case", prose.find[0], lines.find[0], "(match near the end)");
  row("  the same, first after an edit", prose.findAfterEdit, lines.findAfterEdit);
  row("Find Next, Ignore Case", prose.next[0], lines.next[0], "(wraps: scans the whole text)");
  row("Find Previous, Ignore Case", prose.previous[0], lines.previous[0], "(back to the start, no match)");
  row("Find, exact", prose.find[1], lines.find[1]);
  row("Find Next, exact", prose.next[1], lines.next[1]);
  row("Find Previous, exact", prose.previous[1], lines.previous[1]);
  if (!prose.ok || !lines.ok) std::printf("WARNING: a search did not end as expected\n");
  delete w;
  return 0;
}
