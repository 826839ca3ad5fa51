#pragma once
// The journal's shared state and the procedures that keep it in the data folder. The program
// keeps no model of its own: these procedures fill and read the main window's controls by name.

#include <QString>
#include <cstdint>

#include "platform/controls/color.h"
#include "platform/system/folderitem.h"

namespace fw {
class Listbox;
class Window;
}

namespace Module1 {

// Section state.
extern QString MySection;    // shown and selected, "" when none
extern QString ThisSection;  // the name the next save writes under
extern QString LastSection;  // the name whose text the editor holds, "" when nothing is to be saved

// Typing style.
extern QString MyFont;
extern int32_t MySize;
extern fw::Color MyColor;

// Default style as last read from the default style file.
extern QString DefaultFont;
extern int32_t DefaultSize;
extern QString DefaultBold;
extern QString DefaultItalic;
extern QString DefaultUnderline;
extern fw::Color DefaultColor;

// The colour of the swatch or pot being clicked.
extern fw::Color C;

// Find state.
extern QString S1;
extern QString W;
extern int32_t P;
extern int32_t Q;
extern int32_t A;

// Set when the stored list of Sections exists but could not be read.
extern bool SectionListUnreadable;
// Set at start-up when nothing can be saved in the data folder (it cannot be used, or it can only
// be read); this has been told once, and saves then fail without a message each.
extern bool DataFolderUnusable;
// Then: which folder, and why ("the data folder "..." cannot be used: it is not a folder").
extern QString DataFolderProblem;
// Set when this run made the data folder (start-up makes it to lock it): it is a first run.
extern bool DataFolderMadeThisRun;

// The data folder, created when it is missing (the first step of every journal-file procedure).
fw::FolderItemPtr dataFolder();

void getSections();
// False when the list file was not written (the failure has been shown), and always while the
// stored list could not be read at start-up: it is never replaced by this run's few names.
bool saveSections();
// True when the Section's files were written, or when there was nothing to write.
bool saveSectionText();
// The same, telling which of the two files failed (the failure has been shown).
enum class SectionSave { Saved, TextNotSaved, StyleNotSaved };
SectionSave saveSectionFiles();
// saveSectionText for a road that stops when it fails: false when not saved, and the failure has
// been shown (also when the save failed silently because the data folder is unusable).
bool saveSectionTextOrSay();
// Whether putting another text into the editor loses none of the shown one: the editor is empty,
// or a file holds its text as shown (a failed save then failed only at the tool row's record).
bool shownTextIsKept();
// Whether the editor holds text typed while no Section was shown: no file holds it, and the next
// road that puts another text into the editor would drop it.
bool textBelongsToNoSection();
// Whether a Section of this name has a text or style file in the data folder.
bool sectionFilesExist(const QString& name);
// The refusal message for a new name whose files are in the data folder although no row names
// them (the list lost them): saving under it would write their text away. "" when there are none.
QString sectionFilesProblem(const QString& name);
// Saves the shown text as `section`'s (which becomes ThisSection) before a road puts another
// text into the editor; false, with the failure shown, when the text could not be saved and is
// not kept otherwise (shownTextIsKept): the road must stop so that the text stays shown.
bool keepShownText(const QString& section);
void getSectionText();
bool saveSectionStyle();
void getSectionStyle();
void saveDefaultStyle();
void getDefaultStyle();
void saveInkpotColors();
void getInkpotColors();

// The refusal message for a name typed for a new or renamed Section: one the data folder cannot
// hold (a "/" or NUL or line break, a leading "###", a name too long for its file names), or one
// holding characters that a person cannot see or tell apart (tabs, direction marks, zero-width
// spaces); "" when the name can be used.
QString sectionNameProblem(const QString& name);
// Whether a row of `list` bears this name as names are told apart (fw::SameName): without regard
// to case or to how accented letters are encoded.
bool sectionListed(const fw::Listbox& list, const QString& name);
// Whether a file of the data folder is one the program writes (the list, the preferences, and
// every "Tavrin-...txt" file).
bool isOwnFileName(const QString& fileName);
// Whether a Section's name can name its files: by the data folder's rules of New and Save As, so
// that a name from a hand-edited list never reaches a file of the program's own or of another
// Section. The rules on characters are not among them: such a name's files stay readable.
bool sectionNameStorable(const QString& name);
// The Section's two files.
fw::FolderItemPtr sectionTextFile(const QString& name);
fw::FolderItemPtr sectionStyleFile(const QString& name);

// The main window, reached by its class; the program makes it before any of these run.
fw::Window& mainWindow();

// Writes `lines` as `file`, replacing it atomically. A failure is shown to the user with the
// file's name and the reason; returns whether the file was written.
bool writeJournalFile(const fw::FolderItemPtr& file, const QStringList& lines);
void reportWriteFailure(const fw::FolderItemPtr& file, const QString& reason);

// Program-start values, for tests that play several runs in one process.
void ResetState();

}  // namespace Module1
