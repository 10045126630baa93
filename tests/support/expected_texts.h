// What the user must see, letter for letter, written out here by hand and
// nowhere else, as UTF-8 (the letters as this source shows them). The tests
// hold the program to these texts, never to its own constants (app/texts.h,
// Windows-1250 bytes, which nothing under tests/ includes): a wrong byte there
// must fail a test, not pass it. What the program shows is read back as UTF-16
// and turned into UTF-8 (tests/support/utf8.h) before it is compared, so a
// test never compares the program's bytes with the same bytes, and the same
// letters are expected whatever code page the system runs in. Trailing spaces
// are part of the texts. Free of GoogleTest, so that the UI driver uses it too.
#pragma once
#include <windows.h>

#include <stdlib.h>

#include <string>

// A path that names no usable file.
inline const std::string kNoFileCaption = "Hiba ";
inline const std::string kNoFileText = "Adj meg egy fájlt";
inline const LONG kNoFileIcon = MB_ICONEXCLAMATION;
// Its sentence says which mistake it is, the one above being for an empty field.
inline std::string NoFileTooLong(long long length) {
  return "Az elérési út túl hosszú: " + std::to_string(length) + " karakter, de legfeljebb 259 lehet.";
}
inline std::string NoFileFolderTooLong(long long length, long long limit) {
  return "A mappa elérési útja túl hosszú a fájl helyettes nevéhez: " + std::to_string(length) +
         " karakter, de legfeljebb " + std::to_string(limit) + " lehet.";
}
inline const std::string kNoFileWildcard = "Az elérési útban nem lehet *, ?, <, > vagy \" jel.";
inline const std::string kNoFileFolder = "Ez egy mappa vagy meghajtó, nem fájl.";
inline const std::string kNoFileMissing = "Nincs ilyen nevű fájl.";
inline const std::string kNoFileEmpty = "A fájl üres (0 bájtos).";
// Whether text is one of the sentences above, the too-long ones with any
// numbers: for a text whose mistake a test does not work out itself.
inline bool IsNoFileSentence(const std::string& text) {
  for (const std::string* fixed : {&kNoFileText, &kNoFileWildcard, &kNoFileFolder, &kNoFileMissing, &kNoFileEmpty})
    if (text == *fixed) return true;
  size_t first = text.find(": "), second = text.find("legfeljebb ");
  if (first == std::string::npos || second == std::string::npos) return false;
  long long length = atoll(text.c_str() + first + 2), limit = atoll(text.c_str() + second + 11);
  return text == NoFileTooLong(length) || text == NoFileFolderTooLong(length, limit);
}

// The two warnings share their caption and icon.
inline const std::string kErrorCaption = "Hiba   ";
inline const LONG kErrorIcon = MB_ICONEXCLAMATION;
// No upx.exe beside the program.
inline const std::string kPackerMissing =
    "UPX hiba! Az UPX-nek ugyanabban a könyvtárban kell lennie, mint a Zimbrel!  ";
// The packer left the file's size as it was, and said nothing, or that the
// file is packed already.
inline const std::string kUnchanged =
    "Nem tömöríthető! Lehet, hogy már tömörítve van a fájl?  ";
// The packer left the size as it was and said why (its line on its error
// stream, "upx: <file>: <Kind>: <message>").
inline const std::string kWriteProtected =
    "A fájl írásvédett, ezért az UPX nem írhatja felül. Kapcsold ki a fájl tulajdonságai között a "
    "„Csak olvasható” jelölést, és próbáld újra.";
inline const std::string kInUse =
    "A fájlt egy másik program használja, ezért az UPX nem tudta megnyitni. Zárd be azt a programot, és "
    "próbáld újra.";
inline const std::string kDotNet = "Nem tömöríthető! Ez egy .NET program, ilyet az UPX nem tud tömöríteni.";
inline const std::string kTooSmall = "Nem tömöríthető! A fájl túl kicsi ahhoz, hogy az UPX tömöríthesse.";
inline const std::string kUnknownFormat =
    "Nem tömöríthető! A fájl nem olyan program, amelyet az UPX tömöríteni tud.";
inline const std::string kProtected =
    "Nem tömöríthető! A fájlt valószínűleg már egy másik tömörítő vagy védelem átalakította.";
inline const std::string kNotCompressible = "Nem tömöríthető! Az UPX nem tudta kisebbre tömöríteni a fájlt.";
// Any other reason: this, then the packer's own words.
inline std::string PackerSaid(const std::string& words) {
  return "Az UPX nem tömörítette a fájlt. Az UPX üzenete: " + words;
}
// The pack was cancelled (its console window closed).
inline const std::string kCancelled = "A tömörítés megszakadt, a fájl nem változott.";
// A cancel is no error: its own caption, and the information icon.
inline const std::string kCancelledCaption = "Megszakítva";
inline const LONG kCancelledIcon = MB_ICONINFORMATION;
// Why a file step of the run's end failed.
inline const std::string kDiskFull = "Nincs elég szabad hely a lemezen.";
inline const std::string kHeld = "A fájlt egy másik program használja.";
inline const std::string kFolderLocked = "A fájl mappájába nem lehet írni.";
// The packed stand-in could not take the original's place; then why.
inline std::string NotReplaced(const std::string& why) {
  return "A tömörített fájlt nem sikerült az eredeti helyére tenni, az eredeti megmaradt. " + why;
}
// A file named in the box by its bare name: where the original is, where the
// packed program is, and a file of the run that could not be removed (on a
// line of its own after the box's text).
inline std::string OriginalAt(const std::string& name) {
  return "Az eredeti fájl most ezen a néven van a mappájában: " + name;
}
inline std::string PackedAt(const std::string& name) {
  return "A tömörített program ezen a néven maradt a mappában: " + name;
}
inline std::string NotRemoved(const std::string& name) {
  return "\r\nNem sikerült törölni ezt a munkafájlt: " + name;
}
// Why a log-off waits while the packer works.
inline const std::string kPackingReason = "Az UPX még tömöríti a fájlt.";

// The sizes before and after packing (MB_ICONASTERISK is MB_ICONINFORMATION).
inline const std::string kReportCaption = "Kész";
inline const LONG kReportIcon = MB_ICONASTERISK;
inline std::string Report(const std::string& before, const std::string& after) {
  return "Eredeti : " + before + "\r\nÚj méret: " + after;
}
inline std::string Report(long long before, long long after) {
  return Report(std::to_string(before), std::to_string(after));
}

// The main window's title, and the level list's items by index.
inline const std::string kWindowTitle = "Zimbrel v1.0";
inline const std::string kLevelItems[] = {"Szint 1", "Szint 2", "Szint 3", "Szint 4", "Szint 5", "Szint 6",
                                          "Szint 7", "Szint 8", "Szint 9", "Jobb",    "Max   "};
// The packer switch each item of kLevelItems stands for, in the same order.
inline const std::string kLevelSwitches[] = {"-1 ", "-2 ", "-3 ", "-4 ", "-5 ", "-6 ",
                                             "-7 ", "-8 ", "-9 ", "--best ", "--brute "};
static_assert(sizeof kLevelSwitches / sizeof kLevelSwitches[0] == sizeof kLevelItems / sizeof kLevelItems[0],
              "a switch for every level");
// The labels and the buttons of the main window.
inline const std::string kExeLabel = "EXE:";
inline const std::string kBrowseButton = "Tallóz";
inline const std::string kLevelLabel = "Tömörítési szint :";
inline const std::string kCompressButton = "Tömörít ";
// The title of the file dialog that the browse button opens.
inline const std::string kBrowseTitle = "Exe kiválasztása :";
