// The program's own texts, as Windows-1250 bytes.
#pragma once
#include "app/version.h"

#define TEXT_NO_FILE_CAPTION     "Hiba "
#define TEXT_NO_FILE             "Adj meg egy f\xE1jlt"
#define TEXT_ERROR_CAPTION       "Hiba   "
#define TEXT_PACKER_MISSING      "UPX hiba! Az UPX-nek ugyanabban a k\xF6nyvt\xE1rban kell lennie, mint a Zimbrel!  "
#define TEXT_NOT_COMPRESSIBLE    "Nem t\xF6m\xF6r\xEDthet\xF5! Lehet, hogy m\xE1r t\xF6m\xF6r\xEDtve van a f\xE1jl?  "
#define TEXT_REPORT_CAPTION      "K\xE9sz"
#define TEXT_REPORT_BEFORE       "Eredeti : "
#define TEXT_REPORT_AFTER        "\r\n\xDAj m\xE9ret: "

#define TEXT_WINDOW_TITLE        "Zimbrel v" ZIMBREL_VERSION
#define TEXT_EXE_LABEL           "EXE:"
#define TEXT_BROWSE              "Tall\xF3z"
#define TEXT_LEVEL_LABEL         "T\xF6m\xF6r\xEDt\xE9si szint :"
#define TEXT_COMPRESS            "T\xF6m\xF6r\xEDt "
#define TEXT_LEVEL_PREFIX        "Szint "
#define TEXT_LEVEL_BETTER        "Jobb"
#define TEXT_LEVEL_MAX           "Max   "
#define TEXT_BROWSE_TITLE        "Exe kiv\xE1laszt\xE1sa :"
#define TEXT_EXE_PATTERN         "Exe f\xE1jl   (*.exe)|*.exe"
#define TEXT_FONT_FACE           "Arial"
