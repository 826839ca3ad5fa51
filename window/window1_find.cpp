// Find, Find Next and Find Previous in the shown Section's text.
//
// Positions are QString units throughout: 1-based in Module1::S1, 0-based in the editor, whose
// Text() counts a paragraph break as the one "\n" it returns, so position P is offset P - 1.

#include <QStringView>
#include <algorithm>
#include <array>
#include <memory>

#include "platform/controls/editfield.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/checkbox.h"
#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"
#include "store/module1.h"
#include "window/window1.h"

using namespace fw;

namespace {

// The case fold of every UTF-16 unit, as Qt's case-insensitive comparison folds a unit that is
// not the second half of a surrogate pair. One fold never changes a text's length.
const std::array<char16_t, 65536>& FoldTable() {
  static const std::unique_ptr<std::array<char16_t, 65536>> table = [] {
    auto t = std::make_unique<std::array<char16_t, 65536>>();
    for (char32_t u = 0; u < 65536; ++u) (*t)[u] = static_cast<char16_t>(QChar::toCaseFolded(u));
    return t;
  }();
  return *table;
}

// Searches `text` for `needle` among the start indexes [first, last], forwards or backwards.
// A start matches when the needle's length of text from it compares equal in `cs` (QStringView
// comparison, the rule of the framework's "=" and StrComp); -1 when none does. Scanning a 10 MB
// text must take milliseconds, so candidates are screened on their first one or two units and
// only those that pass are compared whole. The screen never rejects a true match: a match's
// first unit always folds alone, and so does its second when neither of the first two needle
// units is a surrogate.
qsizetype Search(QStringView text, QStringView needle, qsizetype first, qsizetype last, bool forwards,
                 Qt::CaseSensitivity cs) {
  const qsizetype n = needle.size();
  if (n == 0) return -1;  // the empty text matches nowhere
  first = std::max<qsizetype>(first, 0);
  last = std::min(last, text.size() - n);
  if (first > last) return -1;

  const char16_t* h = text.utf16();
  const char16_t* w = needle.utf16();
  const bool two = n >= 2 && !QChar::isSurrogate(w[0]) && !QChar::isSurrogate(w[1]);
  auto scan = [&](auto key) -> qsizetype {
    const char16_t k0 = key(w[0]);
    const char16_t k1 = two ? key(w[1]) : 0;
    auto candidate = [&](qsizetype i) {
      return key(h[i]) == k0 && (!two || key(h[i + 1]) == k1) &&
             QStringView(h + i, n).compare(needle, cs) == 0;
    };
    if (forwards) {
      for (qsizetype i = first; i <= last; ++i)
        if (candidate(i)) return i;
    } else {
      for (qsizetype i = last; i >= first; --i)
        if (candidate(i)) return i;
    }
    return -1;
  };
  if (cs == Qt::CaseSensitive) return scan([](char16_t c) { return c; });
  const std::array<char16_t, 65536>& fold = FoldTable();
  return scan([&fold](char16_t c) { return fold[c]; });
}

Qt::CaseSensitivity Mode(const Window1& w) {
  return w.Control<CheckBox>(QStringLiteral("IgnoreCase")).Value() ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

// The forward search from the 1-based position `start` (at least 1): the 1-based position of the
// first match at or after it, 0 when there is none. Matches may overlap.
int32_t SearchForward(const Window1& w, int32_t start) {
  const qsizetype at = Search(Module1::S1, Module1::W, std::max(start, 1) - 1, Module1::S1.size(), true, Mode(w));
  return at < 0 ? 0 : static_cast<int32_t>(at + 1);
}

void ShowMatch(Window1& w, int32_t p) {
  EditField& ef = w.EF1();
  ef.SetFocus();
  ef.SetSelStart(p - 1);
  ef.SetSelLength(Len(Module1::W));
  Module1::Q = p + 1;
  // The line of offset P, the match's second character; not clamped, the editor shows its first
  // line for a negative scroll position.
  Module1::A = ef.LineNumAtCharPos(p) - 5;
  ef.SetScrollPosition(Module1::A);
  w.EditFieldNamed(QStringLiteral("ThisScroll")).SetText(Str(Module1::A));
  w.Refresh(true);
}

bool g_inScrollDisplay = false;

}  // namespace

void Window1::FindString_TextChange() {
  if (CharacterCount(EditFieldNamed(QStringLiteral("FindString")).Text()) > 2) ButtonNamed(QStringLiteral("Find")).SetDefault(true);
}

void Window1::Find_Action() {
  Module1::Q = 1;
  Module1::S1 = EF1().Text();
  Module1::W = EditFieldNamed(QStringLiteral("FindString")).Text();
  if (CharacterCount(Module1::W) < 3) {
    MsgBox(QStringLiteral("The find text should be at least three characters!"));
    return;
  }
  Module1::P = SearchForward(*this, Module1::Q);
  if (Module1::P == 0) {
    MsgBox(QStringLiteral("There are no matches!"));
    return;
  }
  ShowMatch(*this, Module1::P);
}

void Window1::FindNext_Action() {
  Module1::S1 = EF1().Text();
  Module1::W = EditFieldNamed(QStringLiteral("FindString")).Text();
  Module1::P = SearchForward(*this, Module1::Q);
  if (Module1::P > 0) {
    ShowMatch(*this, Module1::P);
    return;
  }
  // Nothing after the current match: start again from the top, silently.
  Module1::Q = 1;
  Module1::P = SearchForward(*this, Module1::Q);
  if (Module1::P > 0) {
    ShowMatch(*this, Module1::P);
    return;
  }
  MsgBox(QStringLiteral("There are no matches!"));
}

void Window1::FindPrevious_Action() {
  // Steps back through the copy the last Find or Find Next took, not through the editor.
  const int32_t L = Len(Module1::W);
  // The first candidate ends at the current match's second character at the latest (Q is the
  // current match's position + 1). A find text under three characters would make that the current
  // match itself or a later one, so a candidate never starts after the one before the match.
  const int64_t start = std::min<int64_t>(int64_t(Module1::Q) - L + 1, int64_t(Module1::Q) - 2);
  const qsizetype at = start < 1 ? -1 : Search(Module1::S1, Module1::W, 0, start - 1, false, Mode(*this));
  if (at < 0) {
    Module1::P = 0;
    MsgBox(QStringLiteral("Sorry, no more found!"));
    return;
  }
  Module1::P = static_cast<int32_t>(at + 1);
  Module1::Q = Module1::P + 1;
  ShowMatch(*this, Module1::P);
}

void Window1::ThisScroll_TextChange() {
  // Setting the field's own text raises this handler again; the inner run has nothing left to do.
  if (g_inScrollDisplay) return;
  g_inScrollDisplay = true;
  struct Leave { ~Leave() { g_inScrollDisplay = false; } } leave;
  EditField& display = EditFieldNamed(QStringLiteral("ThisScroll"));
  display.SetText(Str(EF1().ScrollPosition()));
  display.Refresh(true);
}
