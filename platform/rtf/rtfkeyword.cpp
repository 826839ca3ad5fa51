#include "platform/rtf/rtfkeyword.h"

#include <unordered_map>
#include <utility>

namespace fw::rtf {

const RtfKeyword* FindRtfKeyword(std::string_view word) {
  using Action = RtfKeyword::Action;
  using G = RtfGroupState;
  using A = RtfGroupState::Associated;
  static const std::unordered_map<std::string_view, RtfKeyword> table = [] {
    std::unordered_map<std::string_view, RtfKeyword> t;
    t["f"] = {.action = Action::kFont};
    // Word processors take \fs \b \i for East Asian text too, whatever \dbch said before.
    t["fs"] = {.action = Action::kNumber, .value = kRtfDefaultHalfPoints, .number = &G::halfPoints, .associated = &A::halfPoints};
    t["b"] = {.action = Action::kFlag, .flag = &G::bold, .associated = &A::bold};
    t["i"] = {.action = Action::kFlag, .flag = &G::italic, .associated = &A::italic};
    t["ul"] = {.action = Action::kFlag, .flag = &G::underline};
    for (const char* w :
         {"uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
          "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
      t[w] = {.action = Action::kFlag, .flag = &G::underline};
    t["ulnone"] = {.action = Action::kFlagOff, .flag = &G::underline};
    t["cf"] = {.action = Action::kNumber, .number = &G::color};
    t["plain"] = {.action = Action::kPlain};
    t["deff"] = {.action = Action::kDefaultFont};
    t["uc"] = {.action = Action::kUnicodeSkip};
    t["u"] = {.action = Action::kUnicode};
    t["fonttbl"] = {.action = Action::kFontTable};
    t["colortbl"] = {.action = Action::kColorTable};
    t["red"] = {.action = Action::kColorPart, .value = 16};
    t["green"] = {.action = Action::kColorPart, .value = 8};
    t["blue"] = {.action = Action::kColorPart, .value = 0};
    t["upr"] = {.action = Action::kAlternateUnicode};
    t["ud"] = {.action = Action::kUnicodeText};
    t["par"] = {.action = Action::kParagraph};
    // A table's cells and rows are read as tabs and paragraphs; its layout is lost.
    for (const char* w : {"row", "nestrow"}) t[w] = {.action = Action::kParagraph, .lost = kTables};
    for (const char* w : {"page", "column", "sect"}) t[w] = {.action = Action::kBreak};
    t["af"] = {.action = Action::kAssociated, .associated = &A::font};
    t["afs"] = {.action = Action::kAssociated, .value = kRtfDefaultHalfPoints, .associated = &A::halfPoints};
    t["ab"] = {.action = Action::kAssociatedFlag, .associated = &A::bold};
    t["ai"] = {.action = Action::kAssociatedFlag, .associated = &A::italic};
    t["rtlch"] = {.action = Action::kRunKind, .value = 1, .flag = &G::rtlRun};
    t["ltrch"] = {.action = Action::kRunKind, .value = 0, .flag = &G::rtlRun};
    t["dbch"] = {.action = Action::kRunKind, .value = 1, .flag = &G::doubleByteRun};
    t["loch"] = {.action = Action::kRunKind, .value = 0, .flag = &G::doubleByteRun};
    t["hich"] = {.action = Action::kRunKind, .value = 0, .flag = &G::doubleByteRun};
    t["ansicpg"] = {.action = Action::kDocumentCodePage};
    t["mac"] = {.action = Action::kDocumentCodePage, .value = 10000};
    t["pc"] = {.action = Action::kDocumentCodePage, .value = 437};
    t["pca"] = {.action = Action::kDocumentCodePage, .value = 850};
    t["fcharset"] = {.action = Action::kFontCharset};
    t["cpg"] = {.action = Action::kFontCodePage};
    t["tab"] = {.action = Action::kChar, .value = u'\t'};
    t["cell"] = {.action = Action::kChar, .value = u'\t', .lost = kTables};
    t["nestcell"] = {.action = Action::kChar, .value = u'\t', .lost = kTables};
    for (const char* w : {"trowd", "intbl", "nesttableprops"}) t[w] = {.action = Action::kNone, .lost = kTables};
    // A field's last result is read as text; what makes it a field (a link's address, a page
    // number that updates) is not.
    t["field"] = {.action = Action::kNone, .lost = kFields};
    t["line"] = {.action = Action::kChar, .value = 0x2028};
    t["lbr"] = {.action = Action::kChar, .value = 0x2028};
    t["emdash"] = {.action = Action::kChar, .value = 0x2014};
    t["endash"] = {.action = Action::kChar, .value = 0x2013};
    t["emspace"] = {.action = Action::kChar, .value = 0x2003};
    t["enspace"] = {.action = Action::kChar, .value = 0x2002};
    t["qmspace"] = {.action = Action::kChar, .value = 0x2005};
    t["bullet"] = {.action = Action::kChar, .value = 0x2022};
    t["lquote"] = {.action = Action::kChar, .value = 0x2018};
    t["rquote"] = {.action = Action::kChar, .value = 0x2019};
    t["ldblquote"] = {.action = Action::kChar, .value = 0x201C};
    t["rdblquote"] = {.action = Action::kChar, .value = 0x201D};
    t["zwj"] = {.action = Action::kChar, .value = 0x200D};
    t["zwnj"] = {.action = Action::kChar, .value = 0x200C};
    t["zwbo"] = {.action = Action::kChar, .value = 0x200B};
    t["ltrmark"] = {.action = Action::kChar, .value = 0x200E};
    t["rtlmark"] = {.action = Action::kChar, .value = 0x200F};
    // Groups whose content is not body text of this model.
    for (const char* w : {"stylesheet",
                          "info",
                          "objdata",
                          "fldinst",
                          "listtable",
                          "listoverridetable",
                          "revtbl",
                          "rsidtbl",
                          "filetbl",
                          "author",
                          "title",
                          "subject",
                          "operator",
                          "keywords",
                          "comment",
                          "doccomm",
                          "company",
                          "manager",
                          "category",
                          "creatim",
                          "revtim",
                          "printim",
                          "buptim",
                          "pgdsctbl",
                          "template",
                          "xe",
                          "tc",
                          "txe",
                          "shpinst",
                          "macpict",
                          "wmetafile",
                          "pmmetafile",
                          "dibitmap",
                          "wbitmap",
                          "pn",
                          "pntxta",
                          "pntxtb",
                          "atnid",
                          "atnauthor",
                          "falt",
                          "panose",
                          "fchars",
                          "lchars",
                          "private",
                          "userprops",
                          "xmlnstbl",
                          "themedata",
                          "colorschememapping",
                          "latentstyles",
                          "datastore",
                          "generator",
                          "ftnsep",
                          "ftnsepc",
                          "ftncn",
                          "aftnsep",
                          "aftnsepc",
                          "aftncn",
                          "bkmkstart",
                          "bkmkend"})
      t[w] = {.action = Action::kSkip};
    const std::pair<const char*, Lost> lost[] = {
        {"footnote", kFootnotes}, {"pict", kPictures}, {"shppict", kPictures}, {"nonshppict", kPictures},
        {"object", kObjects},     {"shp", kDrawings},  {"annotation", kComments},
        {"NeXTGraphic", kPictures},  // an attached picture as some editors write it: its group holds a file name
    };
    for (const auto& [w, what] : lost) t[w] = {.action = Action::kSkip, .lost = what};
    // Word processors write empty headers and footers too: only text in one is lost.
    for (const char* w : {"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"})
      t[w] = {.action = Action::kSkipContent, .lost = kHeaders};
    // Groups of drawings, and drawings of old files: their text boxes' text is read.
    for (const char* w : {"shpgrp", "do"}) t[w] = {.action = Action::kNone, .lost = kDrawings};
    return t;
  }();
  const auto it = table.find(word);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace fw::rtf
