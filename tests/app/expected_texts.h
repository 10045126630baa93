// What the user must see in the request's boxes, byte for byte (Windows-1250).
#pragma once
#include <string>

const std::string kNoFileCaption = "Hiba ";
const std::string kNoFileText = "Adj meg egy f\xE1jlt";
const std::string kErrorCaption = "Hiba   ";
const std::string kPackerMissing =
    "UPX hiba! Az UPX-nek ugyanabban a k\xF6nyvt\xE1rban kell lennie, mint a Zimbrel!  ";
const std::string kUnchanged = "Nem t\xF6m\xF6r\xEDthet\xF5! Lehet, hogy m\xE1r t\xF6m\xF6r\xEDtve van a f\xE1jl?  ";
const std::string kReportCaption = "K\xE9sz";

inline std::string Report(const std::string& before, const std::string& after) {
  return "Eredeti : " + before + "\r\n\xDAj m\xE9ret: " + after;
}
inline std::string Report(long long before, long long after) {
  return Report(std::to_string(before), std::to_string(after));
}
