// What the user must see, byte for byte (Windows-1250), written out here by
// hand and nowhere else. The tests hold the program to these texts, never to
// its own constants (app/texts.h, which nothing under tests/ includes): a wrong
// byte there must fail a test, not pass it. Trailing spaces are part of the texts.
// Free of GoogleTest, so that the UI driver uses it too.
#pragma once
#include <windows.h>

#include <string>

// A path that names no usable file.
inline const std::string kNoFileCaption = "Hiba ";
inline const std::string kNoFileText = "Adj meg egy f\xE1jlt";
inline const LONG kNoFileIcon = MB_ICONEXCLAMATION;

// The two warnings share their caption and icon.
inline const std::string kErrorCaption = "Hiba   ";
inline const LONG kErrorIcon = MB_ICONEXCLAMATION;
// No upx.exe beside the program.
inline const std::string kPackerMissing =
    "UPX hiba! Az UPX-nek ugyanabban a k\xF6nyvt\xE1rban kell lennie, mint a Zimbrel!  ";
// The packer left the file's size as it was.
inline const std::string kUnchanged =
    "Nem t\xF6m\xF6r\xEDthet\xF5! Lehet, hogy m\xE1r t\xF6m\xF6r\xEDtve van a f\xE1jl?  ";

// The sizes before and after packing (MB_ICONASTERISK is MB_ICONINFORMATION).
inline const std::string kReportCaption = "K\xE9sz";
inline const LONG kReportIcon = MB_ICONASTERISK;
inline std::string Report(const std::string& before, const std::string& after) {
  return "Eredeti : " + before + "\r\n\xDAj m\xE9ret: " + after;
}
inline std::string Report(long long before, long long after) {
  return Report(std::to_string(before), std::to_string(after));
}

// The main window's title, and the level list's items by index.
inline const std::string kWindowTitle = "Zimbrel v1.0";
inline const std::string kLevelItems[] = {"Szint 1", "Szint 2", "Szint 3", "Szint 4", "Szint 5", "Szint 6",
                                          "Szint 7", "Szint 8", "Szint 9", "Jobb",    "Max   "};
// The title of the file dialog that the browse button opens.
inline const std::string kBrowseTitle = "Exe kiv\xE1laszt\xE1sa :";
