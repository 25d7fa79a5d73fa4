// Writes the events workbook template: headings in rows 1 to 14, data from row 15 on.
//   make_input_template "data/Input Template.Orvek"

#include "xls/Workbook.h"

#include <cstdio>
#include <exception>

using namespace orvek::xls;

namespace {

void build(TSheet& sheet) {
    TCells& cells = sheet.Cells();
    cells.Cell(0, 0).SetValue("Orvek C&N: substrate input events");
    cells.Cell(1, 0).SetValue(
        "Enter one event per row from row 15 on: event number (1, 2, 3, ...), "
        "month, day, year, substrate code, C added and C:N ratio.");
    cells.Cell(2, 0).SetValue("The list ends at the first row whose columns A to F are not all "
                              "filled in; rows below it are not read. At most 500 events.");
    cells.Cell(3, 0).SetValue("C:N is read in C & N mode only. C is given in Mg C/ha.");
    cells.Cell(5, 0).SetValue("subCode");
    cells.Cell(5, 1).SetValue("Substrate");
    static const char* const kSubstrates[6] = {"Cereal crop residues", "Cereal crop roots",
                                               "Legume residues",      "Legume roots",
                                               "Green manures",        "Animal manures"};
    for (int code = 1; code <= 6; ++code) {
        cells.Cell(5 + code, 0).SetValue(code);
        cells.Cell(5 + code, 1).SetValue(kSubstrates[code - 1]);
    }
    static const char* const kHeadings[7] = {"Event",   "Month",     "Day", "Year",
                                             "subCode", "C (Mg/ha)", "C:N"};
    for (int col = 0; col < 7; ++col) {
        cells.Cell(13, col).SetValue(kHeadings[col]);
        sheet.Columns().Items(col).SetWidth(col == 5 ? 11 : 9);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_input_template OUTPUT\n");
        return 2;
    }
    try {
        TXLSFile file;
        build(file.Workbook().Sheets().Items(0));
        file.SaveAs(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
