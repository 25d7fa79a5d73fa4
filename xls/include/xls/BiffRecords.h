#pragma once

#include <cstddef>
#include <cstdint>

// The BIFF8 record numbers the reader understands and the writer emits, in one table so the two
// sides cannot disagree on a number. Not part of the library's interface.
namespace orvek::xls::biff {

enum RecordType : uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kProtect = 0x0012,
    kHeader = 0x0014,
    kFooter = 0x0015,
    kExternSheet = 0x0017,
    kName = 0x0018,
    kWindowProtect = 0x0019,
    kVerticalPageBreaks = 0x001A,
    kHorizontalPageBreaks = 0x001B,
    kDateMode = 0x0022,
    kLeftMargin = 0x0026,
    kRightMargin = 0x0027,
    kTopMargin = 0x0028,
    kBottomMargin = 0x0029,
    kPrintHeaders = 0x002A,
    kPrintGridLines = 0x002B,
    kFont = 0x0031,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kColInfo = 0x007D,
    kGuts = 0x0080,
    kWsBool = 0x0081,
    kHCenter = 0x0083,
    kVCenter = 0x0084,
    kBoundSheet = 0x0085,
    kHideObj = 0x008D,
    kSetup = 0x00A1,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kMms = 0x00C1,
    kXF = 0x00E0,
    kInterfaceHdr = 0x00E1,
    kInterfaceEnd = 0x00E2,
    kMergedCells = 0x00E5,
    kSST = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kTabId = 0x013D,
    kDsf = 0x0161,
    kSupBook = 0x01AE,
    kExcel9File = 0x01C0,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRow = 0x0208,
    kIndex = 0x020B,
    kDefaultRowHeight = 0x0225,
    kWindow2 = 0x023E,
    kRk = 0x027E,
    kStyle = 0x0293,
    kFormat = 0x041E,
    kBof = 0x0809,
};

// The largest record body; longer data continues in CONTINUE records.
inline constexpr size_t kMaxRecordBody = 8224;

} // namespace orvek::xls::biff
