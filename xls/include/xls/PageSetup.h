#pragma once

#include "xls/Ranges.h"

#include <cstdint>
#include <string>

namespace orvek::xls {

// How a sheet prints. Margins are kept in centimetres and written in inches.
struct TPageSetup {
    uint16_t PaperSize = 0;
    bool UseScaling = true;
    uint16_t Scale = 100;
    int FirstPageNumber = -1; // -1: automatic
    uint16_t FitWidth = 1;
    uint16_t FitHeight = 1;
    bool LeftToRight = false;
    bool Portrait = true;
    double HeaderMargin = 0;
    double FooterMargin = 0;
    double TopMargin = 0;
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    bool BlackAndWhite = false;
    bool Draft = false;
    bool PrintGridLines = false;
    bool PrintHeadings = false;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    std::string HeaderLeft, HeaderCenter, HeaderRight;
    std::string FooterLeft, FooterCenter, FooterRight;
    bool SummaryRowsBelow = false; // first outline-summary flag
    bool SummaryColsRight = false; // second outline-summary flag
    TRangeRects PrintArea;
    int PrintTitleFirstRow = -1; // -1: no print-title rows
    int PrintTitleLastRow = -1;
    int PrintTitleFirstCol = -1; // -1: no print-title columns
    int PrintTitleLastCol = -1;
};

} // namespace orvek::xls
