#pragma once

#include <string_view>

#include "platform/rtf/rtfgroupstate.h"

namespace fw::rtf {

// Content of word processors that this model has no place for. Only what the user sees in them
// counts: metadata, style sheets and the like are skipped without a word.
enum Lost : unsigned {
  kNoneLost = 0,
  kFootnotes = 1u << 0,
  kPictures = 1u << 1,
  kObjects = 1u << 2,
  kDrawings = 1u << 3,
  kFields = 1u << 4,
  kTables = 1u << 5,
  kComments = 1u << 6,
  kHeaders = 1u << 7,
};

// What a control word the reader knows does: an entry of its table. Most set a property of the
// group they are in; the rest need code of the reader's own, named by their action.
struct RtfKeyword {
  enum class Action : unsigned char {
    kNone,            // read for what it says of the content alone (`lost`)
    kFlag,            // the group's `flag` on, unless the parameter is 0
    kFlagOff,         // the group's `flag` off, whatever the parameter
    kNumber,          // the group's `number`: the parameter, or `value` without one
    kRunKind,         // which script the group's \af and its kind speak of: its `flag` set to `value`
    kAssociated,      // the `associated` property of the script the group's run is in: as kNumber
    kAssociatedFlag,  // the same, on unless the parameter is 0
    kChar,            // the character `value`
    kSkip,            // a destination whose content is not read
    kSkipContent,     // a destination skipped whose text, when it has any, is content this model lacks
    kFont,
    kPlain,
    kDefaultFont,
    kUnicodeSkip,
    kUnicode,
    kFontTable,
    kColorTable,
    kColorPart,  // \red \green \blue: `value` is how far its byte is shifted
    kAlternateUnicode,
    kUnicodeText,
    kParagraph,
    kBreak,
    kDocumentCodePage,  // `value` the code page of \mac \pc and \pca; \ansicpg's is its parameter
    kFontCharset,
    kFontCodePage,
  };
  Action action = Action::kNone;
  int value = 0;
  bool RtfGroupState::* flag = nullptr;
  int RtfGroupState::* number = nullptr;
  // For kAssociated and kAssociatedFlag the property set; for kFlag and kNumber the East Asian
  // one they clear.
  int RtfGroupState::Associated::* associated = nullptr;
  unsigned lost = kNoneLost;  // what a file that uses it holds beyond this model
};

// The entry for `word`, or null for a word the reader does not know.
const RtfKeyword* FindRtfKeyword(std::string_view word);

}  // namespace fw::rtf
