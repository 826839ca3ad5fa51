#include "store/module1.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "platform/controls/bevelbutton.h"
#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/system/files.h"
#include "platform/controls/listbox.h"
#include "platform/controls/rectangle.h"
#include "platform/system/strings.h"
#include "platform/system/textinputstream.h"
#include "platform/system/textoutputstream.h"
#include "platform/dialogs/uiservice.h"
#include "platform/controls/window.h"
#include "store/module1style.h"

using namespace fw;

namespace Module1 {

QString MySection, ThisSection, LastSection;
QString MyFont;
int32_t MySize = 0;
Color MyColor = kBlack;
QString DefaultFont;
int32_t DefaultSize = 0;
QString DefaultBold, DefaultItalic, DefaultUnderline;
Color DefaultColor = kBlack;
Color C = kBlack;
QString S1, W;
int32_t P = 0, Q = 0, A = 0;
bool SectionListUnreadable = false;
bool DataFolderUnusable = false;
QString DataFolderProblem;
bool DataFolderMadeThisRun = false;

void ResetState() {
  MySection.clear();
  ThisSection.clear();
  LastSection.clear();
  MyFont.clear();
  MySize = 0;
  MyColor = kBlack;
  DefaultFont.clear();
  DefaultSize = 0;
  DefaultBold.clear();
  DefaultItalic.clear();
  DefaultUnderline.clear();
  DefaultColor = kBlack;
  C = kBlack;
  S1.clear();
  W.clear();
  P = Q = A = 0;
  SectionListUnreadable = false;
  DataFolderUnusable = false;
  DataFolderProblem.clear();
  DataFolderMadeThisRun = false;
}

Window& mainWindow() { return *NilCheck(GetImplicitWindow(QStringLiteral("Window1")), "the main window is not open"); }

namespace {
Listbox& LB1() { return mainWindow().Control<Listbox>(QStringLiteral("LB1")); }
BevelButton& Bevel(const char* name) { return mainWindow().Control<BevelButton>(QString::fromLatin1(name)); }
Rectangle& ColorRect() { return mainWindow().Control<Rectangle>(QStringLiteral("ColorRect")); }
Rectangle& InkPot(int n) { return mainWindow().Control<Rectangle>(QStringLiteral("InkPot") + Str(n)); }

QString TrueFalse(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }
QString Components(Color c) {
  return Str(Red(c)) + u'\t' + Str(Green(c)) + u'\t' + Str(Blue(c));
}
Color ColorFromLine(const QString& line) {
  const int32_t r = ToInt32(Val(NthField(line, QStringLiteral("\t"), 2)));
  const int32_t g = ToInt32(Val(NthField(line, QStringLiteral("\t"), 3)));
  const int32_t b = ToInt32(Val(NthField(line, QStringLiteral("\t"), 4)));
  return RGB(r, g, b);
}
QString Field2(const QString& line) { return NthField(line, QStringLiteral("\t"), 2); }

// The six lines of a style file from the tool row, each control read just before its line.
QStringList StyleLines(const QStringList& keys) {
  QStringList lines;
  lines << keys[0] + u'\t' + Bevel("FontMenu").Caption();
  lines << keys[1] + u'\t' + Bevel("SizeMenu").Caption();
  lines << keys[2] + u'\t' + TrueFalse(Bevel("BoldButton").Value());
  lines << keys[3] + u'\t' + TrueFalse(Bevel("ItalicButton").Value());
  lines << keys[4] + u'\t' + TrueFalse(Bevel("UnderlineButton").Value());
  lines << keys[5] + u'\t' + Components(ColorRect().FillColor());
  return lines;
}

// The stream of a journal file; nil when it is missing (the current values stay), and said when it
// is there but cannot be read (a pipe, a folder, no permission).
std::shared_ptr<TextInputStream> OpenJournalFile(const FolderItemPtr& file) {
  if (!file || !file->Exists()) return nullptr;
  std::shared_ptr<TextInputStream> in = file->OpenAsTextFile();
  if (!in)
    MsgBox(QStringLiteral("The file \"") + file->DisplayPath() + QStringLiteral("\" could not be read: ") + file->LastError() +
           u'.');
  return in;
}

FolderItemPtr DataChild(const QString& name) {
  FolderItemPtr folder = dataFolder();
  return folder ? folder->Child(name) : nullptr;
}
}  // namespace

FolderItemPtr dataFolder() {
  FolderItemPtr prefs = SpecialFolder::Preferences();
  if (!prefs) return nullptr;
  FolderItemPtr folder = prefs->Child(QStringLiteral("Tavrin"));
  if (folder && !folder->Exists() && folder->CreateAsFolder()) DataFolderMadeThisRun = true;
  return folder;
}

void reportWriteFailure(const FolderItemPtr& file, const QString& reason) {
  if (DataFolderUnusable) return;  // said once at start-up; every save would say it again
  const QString name = file ? file->DisplayPath() : QStringLiteral("(no file)");
  MsgBox(QStringLiteral("The file \"") + name + QStringLiteral("\" could not be saved: ") + reason);
}

bool writeJournalFile(const FolderItemPtr& file, const QStringList& lines) {
  if (!file) {
    reportWriteFailure(file, QStringLiteral("the data folder cannot be had"));
    return false;
  }
  std::shared_ptr<TextOutputStream> out = file->CreateTextFile();
  if (!out) {
    reportWriteFailure(file, file->LastError());
    return false;
  }
  for (const QString& line : lines) out->WriteLine(line);
  if (!out->Close()) {
    reportWriteFailure(file, out->ErrorString());
    return false;
  }
  return true;
}

void getSections() {
  FolderItemPtr file = DataChild(QStringLiteral("Sections.txt"));
  if (!file || !file->Exists()) return;
  std::shared_ptr<TextInputStream> in = file->OpenAsTextFile();
  if (!in) {
    // Writing the list now would replace every stored name with the few of this run.
    SectionListUnreadable = true;
    MsgBox(QStringLiteral("The list of Sections \"") + file->DisplayPath() + QStringLiteral("\" could not be read: ") +
           file->LastError() + QStringLiteral(".  It is left as it is, and Sections created now are not added to it."));
    return;
  }
  Listbox& lb = LB1();
  while (!in->EOF_()) {
    const QString line = in->ReadLine();
    // An empty line (the program never writes one) must not hide the names after it: they would
    // be dropped from the list at the next save.
    if (line.isEmpty()) continue;
    if (Left(line, 3) == QLatin1String("###")) {
      lb.AddRow(Right(line, Len(line) - 3));
      lb.SetCellTag(lb.LastIndex(), 0, QStringLiteral("Red"));
    } else {
      lb.AddRow(line);
      lb.SetCellTag(lb.LastIndex(), 0, QStringLiteral("White"));
    }
  }
  in->Close();
}

bool saveSections() {
  if (SectionListUnreadable) return false;
  FolderItemPtr file = DataChild(QStringLiteral("Sections.txt"));
  Listbox& lb = LB1();
  QStringList lines;
  for (int i = 0; i < lb.ListCount(); ++i) {
    const QString text = lb.Cell(i, 0);
    const QString tag = lb.CellTag(i, 0).toString();
    lines << (StrEq(tag, QStringLiteral("Red")) ? QStringLiteral("###") + text : text);
  }
  return writeJournalFile(file, lines);
}

bool saveSectionStyle() {
  FolderItemPtr file = sectionStyleFile(ThisSection);
  const QStringList lines = StyleLines({QStringLiteral("Font: "), QStringLiteral("Font Size: "), QStringLiteral("Bold: "),
                                        QStringLiteral("Italics: "), QStringLiteral("Underline: "), QStringLiteral("Color: ")});
  // Leaving a Section whose tool row did not change writes nothing.
  if (file && file->Exists()) {
    if (std::shared_ptr<TextInputStream> in = file->OpenAsTextFile()) {
      QStringList held;
      while (!in->EOF_()) held << in->ReadLine();
      if (held == lines) return true;
    }
  }
  return writeJournalFile(file, lines);
}

void getSectionStyle() {
  FolderItemPtr file = sectionStyleFile(MySection);
  std::shared_ptr<TextInputStream> in = OpenJournalFile(file);
  if (!in) return;
  Bevel("FontMenu").SetCaption(Field2(in->ReadLine()));
  Bevel("SizeMenu").SetCaption(Field2(in->ReadLine()));
  Bevel("BoldButton").SetValue(StrEq(Field2(in->ReadLine()), QStringLiteral("True")));
  Bevel("ItalicButton").SetValue(StrEq(Field2(in->ReadLine()), QStringLiteral("True")));
  Bevel("UnderlineButton").SetValue(StrEq(Field2(in->ReadLine()), QStringLiteral("True")));
  MyColor = ColorFromLine(in->ReadLine());
  ColorRect().SetFillColor(MyColor);
  ColorRect().Refresh(true);
}

void saveDefaultStyle() {
  FolderItemPtr file = DataChild(QStringLiteral("Tavrin-DefaultStyle.txt"));
  writeJournalFile(file, StyleLines({QStringLiteral("DefaultFont: "), QStringLiteral("DefaultSize: "),
                                     QStringLiteral("DefaultBold: "), QStringLiteral("DefaultItalic: "),
                                     QStringLiteral("DefaultUnderline: "), QStringLiteral("DefaultColor: ")}));
}

void getDefaultStyle() {
  FolderItemPtr file = DataChild(QStringLiteral("Tavrin-DefaultStyle.txt"));
  std::shared_ptr<TextInputStream> in = OpenJournalFile(file);
  if (!in) return;
  auto flag = [](const QString& v) { return StrEq(v, QStringLiteral("True")) ? QStringLiteral("True") : QStringLiteral("False"); };
  DefaultFont = Field2(in->ReadLine());
  DefaultSize = ToInt32(Val(Field2(in->ReadLine())));
  DefaultBold = flag(Field2(in->ReadLine()));
  DefaultItalic = flag(Field2(in->ReadLine()));
  DefaultUnderline = flag(Field2(in->ReadLine()));
  DefaultColor = ColorFromLine(in->ReadLine());
}

void saveInkpotColors() {
  FolderItemPtr file = DataChild(QStringLiteral("Tavrin-Inkpots.txt"));
  std::shared_ptr<TextOutputStream> out = file ? file->CreateTextFile() : nullptr;
  if (!out) {
    if (!DataFolderUnusable) MsgBox(QStringLiteral("File could not be created!"));  // else told at start-up
    return;
  }
  for (int n = 1; n <= 5; ++n)
    out->WriteLine(QStringLiteral("InkPot") + Str(n) + QStringLiteral("Color: ") + u'\t' + Components(InkPot(n).FillColor()));
  if (!out->Close()) reportWriteFailure(file, out->ErrorString());
}

void getInkpotColors() {
  FolderItemPtr file = DataChild(QStringLiteral("Tavrin-Inkpots.txt"));
  std::shared_ptr<TextInputStream> in = OpenJournalFile(file);
  if (!in) return;
  QString line = in->ReadLine();
  if (line.isEmpty()) return;
  for (int n = 1; n <= 5; ++n) {
    if (n > 1) line = in->ReadLine();
    InkPot(n).SetFillColor(ColorFromLine(line));
  }
}

bool isOwnFileName(const QString& fileName) {
  return fileName == QLatin1String("Sections.txt") || fileName == QLatin1String("tavrin.txt") ||
         (fileName.startsWith(QLatin1String("Tavrin-")) && fileName.endsWith(QLatin1String(".txt")));
}

bool sectionFilesExist(const QString& name) {
  for (const FolderItemPtr& file : {sectionTextFile(name), sectionStyleFile(name)})
    if (file && file->Exists()) return true;
  return false;
}

QString sectionFilesProblem(const QString& name) {
  if (!sectionFilesExist(name)) return QString();
  return QStringLiteral("The data folder already holds files of a Section named ") + name +
         QStringLiteral(".  Choose another name.");
}

FolderItemPtr sectionTextFile(const QString& name) { return DataChild(QStringLiteral("Tavrin-") + name + QStringLiteral(".txt")); }
FolderItemPtr sectionStyleFile(const QString& name) {
  return DataChild(QStringLiteral("Tavrin-") + name + QStringLiteral("-Style.txt"));
}

namespace {
// What the data folder cannot hold under a name: every name must pass this, those of a hand-edited
// list too, or its files would be another Section's or the program's own.
QString StorageProblem(const QString& name) {
  const QString again = QStringLiteral("  Choose another name.");
  if (name.contains(u'/')) return QStringLiteral("A Section name cannot contain \"/\".") + again;
  if (name.contains(QChar(u'\0')) || name.contains(u'\n') || name.contains(u'\r'))
    return QStringLiteral("A Section name cannot contain control characters.") + again;
  if (name.startsWith(QLatin1String("###"))) return QStringLiteral("A Section name cannot begin with \"###\".") + again;
  // Each of these would give the Section a file of the program's own or of another Section:
  // "Tavrin-Inkpots.txt", "Tavrin-DefaultStyle.txt", and "Tavrin-X-Style.txt" is Section X's
  // style file. Compared as names are, so that a file system blind to case or to how accents
  // are encoded is safe as well.
  for (const char* own : {"Inkpots", "DefaultStyle"})
    if (SameName(name, QLatin1String(own)))
      return QStringLiteral("The name ") + name + QStringLiteral(" is used by Tavrin for its own files.") + again;
  if (name.normalized(QString::NormalizationForm_C).endsWith(QLatin1String("-Style"), Qt::CaseInsensitive))
    return QStringLiteral("A Section name cannot end in \"-Style\".") + again;
  // The longest file made from a name is its style file, written through a temporary file with a
  // few more characters; file names here hold 255 bytes.
  if (name.toUtf8().size() > 200) return QStringLiteral("This Section name is too long.") + again;
  return QString();
}

// What a typed name may not hold although a file name could: characters that show as nothing,
// as a blank or as something else, so that two names that look the same are two Sections, or a
// name reads differently in the list than in its file names. A text half of whose surrogate pair
// is missing cannot be written as a file name at all.
QString CharacterProblem(const QString& name) {
  const QString again = QStringLiteral("  Choose another name.");
  for (qsizetype i = 0; i < name.size(); ++i) {
    char32_t c = name[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(name[i], name[i + 1]);
      ++i;
    }
    switch (QChar::category(c)) {
      case QChar::Other_Control:
      case QChar::Separator_Line:
      case QChar::Separator_Paragraph:
        return QStringLiteral("A Section name cannot contain control characters.") + again;
      case QChar::Other_Format:
        return QStringLiteral("A Section name cannot contain invisible formatting characters such as direction marks or "
                              "zero-width spaces.") + again;
      case QChar::Other_Surrogate:
        return QStringLiteral("A Section name cannot contain an incomplete character.") + again;
      default:
        break;
    }
  }
  return QString();
}
}  // namespace

QString sectionNameProblem(const QString& name) {
  const QString stored = StorageProblem(name);
  return stored.isEmpty() ? CharacterProblem(name) : stored;
}

bool sectionListed(const Listbox& list, const QString& name) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (SameName(name, list.Cell(i, 0))) return true;
  return false;
}

namespace {
EditField& EF1() { return mainWindow().Control<EditField>(QStringLiteral("EF1")); }

// Keeps a section text file that could not be read beside it, under a name no Section's file can
// have, so that the next save of the Section cannot destroy it.
QString KeepUnreadable(const FolderItemPtr& file) {
  QByteArray bytes;
  if (!file->ReadAll(&bytes)) return QString();  // never a pipe or a device: it could block for good
  const QString base = file->NativePath() + QStringLiteral(".unreadable");
  QString target = base;
  for (int n = 2; QFile::exists(target); ++n) target = base + u'-' + Str(n);
  FolderItem copy(target);
  return copy.WriteAll(bytes) ? target : QString();
}
// Whether the next save can replace the file: only a regular file is ever written over, and the
// replace needs a folder that takes a new file: the folder of the file a link names, since the
// replace is written beside it.
bool Replaceable(const FolderItemPtr& file) {
  const QFileInfo info(file->NativePath());
  const QString canonical = info.canonicalFilePath();
  // A canonical path that is not there is another folder's name: the real one is not valid UTF-8.
  const QFileInfo target(canonical.isEmpty() || !QFileInfo::exists(canonical) ? info.absoluteFilePath() : canonical);
  return (!target.exists() || target.isFile()) && QFileInfo(target.absolutePath()).isWritable();
}
}  // namespace

bool sectionNameStorable(const QString& name) { return StorageProblem(name).isEmpty(); }

bool saveSectionText() { return saveSectionFiles() == SectionSave::Saved; }

SectionSave saveSectionFiles() {
  if (ThisSection.isEmpty()) return SectionSave::Saved;
  if (!sectionNameStorable(ThisSection)) {
    // Such a name comes only from a hand-edited list; nothing was loaded under it, so an empty
    // editor loses nothing.
    if (EF1().Text().isEmpty()) return SectionSave::Saved;
    MsgBox(QStringLiteral("The text of the Section ") + ThisSection +
           QStringLiteral(" cannot be saved under its name.  Save As under another name keeps it."));
    return SectionSave::TextNotSaved;
  }
  FolderItemPtr file = sectionTextFile(ThisSection);
  if (!file) {
    reportWriteFailure(file, QStringLiteral("the data folder cannot be had"));
    return SectionSave::TextNotSaved;
  }
  if (!file->SaveStyledEditField(EF1())) {
    reportWriteFailure(file, file->LastError());
    return SectionSave::TextNotSaved;
  }
  return saveSectionStyle() ? SectionSave::Saved : SectionSave::StyleNotSaved;
}

namespace {
// For a road that stops because the shown text could not be saved: its save failed silently when
// the data folder is unusable (told once at start-up), so the road says why it stops.
void reportTextNotSaved() {
  if (!DataFolderUnusable) return;  // the failed save has told its own reason
  MsgBox(QStringLiteral("The shown text cannot be saved: ") + DataFolderProblem + u'.');
}
}  // namespace

bool saveSectionTextOrSay() {
  if (saveSectionText()) return true;
  reportTextNotSaved();
  return false;
}

bool shownTextIsKept() {
  const EditField& ef = EF1();
  // The cheap test first: the whole text of a long Section is a copy of megabytes.
  return FolderItem::StyledTextSaved(ef) || ef.Text().isEmpty();
}

bool textBelongsToNoSection() { return MySection.isEmpty() && LastSection.isEmpty() && !shownTextIsKept(); }

bool keepShownText(const QString& section) {
  ThisSection = section;
  if (saveSectionText() || shownTextIsKept()) return true;
  reportTextNotSaved();
  return false;
}

namespace {
// Shows `message` with where the file has been kept aside; `shown` says what the Section shows then.
void tellKeptAside(QString message, const FolderItemPtr& file, const QString& shown) {
  const QString kept = KeepUnreadable(file);
  if (!kept.isEmpty())
    message += QStringLiteral("  The file has been kept as \"") + DisplayPath(kept) + QStringLiteral("\"; ") + shown;
  else if (Replaceable(file))
    message += QStringLiteral("  The file could not be copied aside: it will be replaced when this Section is next saved.");
  else
    message += QStringLiteral("  The file could not be copied aside, and it cannot be replaced: this Section's text "
                              "cannot be saved while it is there.");
  MsgBox(message);
}

void tellUnreadable(const QString& section, const FolderItemPtr& file, const QString& reason, bool partly) {
  tellKeptAside(QStringLiteral("The text of the Section ") + section + QStringLiteral(" could not be read from \"") +
                    file->DisplayPath() + QStringLiteral("\": ") + reason + u'.',
                file,
                partly ? QStringLiteral("the Section shows the text read before the damage.")
                       : QStringLiteral("the Section is shown empty."));
}

// A file another program wrote (a word processor's) may hold what the editor cannot: the first
// save would drop it, so the file is kept aside as an unreadable one is.
void tellNotKept(const QString& section, const FolderItemPtr& file, const QStringList& kinds) {
  QString list = kinds.value(0);
  for (qsizetype i = 1; i < kinds.size(); ++i)
    list += (i + 1 == kinds.size() ? QStringLiteral(" and ") : QStringLiteral(", ")) + kinds[i];
  tellKeptAside(QStringLiteral("The text of the Section ") + section + QStringLiteral(" in \"") + file->DisplayPath() +
                    QStringLiteral("\" holds ") + list + QStringLiteral(", which Tavrin does not keep."),
                file, QStringLiteral("the Section shows only the text, and saving it replaces the file."));
}
}  // namespace

void getSectionText() {
  if (!MySection.isEmpty() && !sectionNameStorable(MySection)) {
    MsgBox(QStringLiteral("The name of the Section ") + MySection +
           QStringLiteral(" cannot be stored as a file name.  Save As under another name keeps its text."));
    EF1().SetText(QString());
    resetStyle();
    return;
  }
  FolderItemPtr file = sectionTextFile(MySection);
  if (file && file->Exists()) {
    // Damage far into a long file is found while the editor already shows its start.
    const auto damagedLater = [section = MySection, file](const QString& reason, bool partly) {
      tellUnreadable(section, file, reason, partly);
    };
    const auto notKeptLater = [section = MySection, file](const QStringList& kinds) { tellNotKept(section, file, kinds); };
    if (file->OpenStyledEditField(EF1(), damagedLater, notKeptLater)) {
      if (!file->NotKept().isEmpty()) tellNotKept(MySection, file, file->NotKept());
      getSectionStyle();
      return;
    }
    const bool partly = file->PartlyRead();
    tellUnreadable(MySection, file, file->LastError(), partly);
    if (partly) {
      getSectionStyle();
      return;
    }
  } else if (MySection.isEmpty()) {
    return;  // no Section: the editor keeps what it holds
  }
  // A Section without readable text is shown empty in the default style, so that the previous
  // Section's text never stays on screen under this Section's name (the next save would write it
  // into this Section's files).
  EF1().SetText(QString());
  resetStyle();
}

}  // namespace Module1
