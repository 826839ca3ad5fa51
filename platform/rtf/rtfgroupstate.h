#pragma once

#include <climits>

#include "platform/rtf/styledtextrtfstyle.h"

namespace fw::rtf {

constexpr int kUnset = INT_MIN;  // an associated property the file has not given

// What is in force in a group of an RTF file as it is read: the formatting of its text, where its
// text goes, and how many fallback characters follow a \u. A group starts as a copy of the one
// around it; when it closes, that one is in force again.
struct RtfGroupState {
  enum class Dest : unsigned char {
    kText,
    kFontTable,
    kColorTable,
    kSkip,
    kAlternate,  // \upr: an ANSI stand-in for the \ud text that follows
  };

  // \af \afs \ab \ai for East Asian or complex-script text; kUnset falls back to \f \fs \b \i.
  struct Associated {
    int font = kUnset;
    int halfPoints = kUnset;
    int bold = kUnset;
    int italic = kUnset;
  };

  int font = -1;  // RTF font number
  int halfPoints = kRtfDefaultHalfPoints;
  int color = 0;  // colour table index; 0 is "auto" in practice
  int uc = 1;
  int style[3] = {-1, -1, -1};  // interned style per Script, valid while styleGeneration is the reader's generation
  unsigned styleGeneration = 0;
  Associated asian;
  Associated complex;
  Dest dest = Dest::kText;
  Dest outerDest = Dest::kText;  // what \ud restores inside \upr
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool rtlRun = false;         // \rtlch: \af and its kind speak of complex-script text
  bool doubleByteRun = false;  // \dbch: they speak of East Asian text
};

}  // namespace fw::rtf
