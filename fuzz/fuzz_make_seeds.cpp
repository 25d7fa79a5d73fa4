// Writes small workbooks that exercise most record kinds, as seeds for the fuzz targets, and
// (with a second folder) their bare record streams.
//   fuzz_make_seeds FOLDER [STREAM_FOLDER]

#include "xls/CompoundFile.h"
#include "xls/Workbook.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace orvek::xls;

namespace {

std::string g_streams;

void write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

void save(TXLSFile& file, const std::string& path) {
    const std::vector<uint8_t> bytes = file.SaveToBuffer();
    write(path, bytes);
    if (!g_streams.empty()) {
        TCFile doc(bytes.data(), bytes.size());
        const std::string name = path.substr(path.find_last_of('/') + 1);
        write(g_streams + "/" + name + ".biff", doc.Root().FindStream("Workbook")->Data());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER [STREAM_FOLDER]\n");
        return 2;
    }
    const std::string folder = argv[1];
    g_streams = argc == 3 ? argv[2] : "";
    {
        TXLSFile empty;
        save(empty, folder + "/empty.xls");
    }
    {
        TXLSFile file;
        TWorkbook& wb = file.Workbook();
        TSheet& s = wb.Sheets().Items(0);
        TCells& c = s.Cells();
        c.Cell(0, 0).SetValue("title");
        c.Cell(0, 1).SetValue(std::u16string(u"\u0416\u0417 wide"));
        c.Cell(1, 0).SetValue(Variant::Date(38353));
        c.Cell(1, 1).SetValue(int32_t{42});
        c.Cell(1, 2).SetValue(2.5);
        c.Cell(1, 3).SetValue(true);
        c.Cell(2, 0).SetNumberFormatIndex(wb.Formats().AddFormat("yyyy-mm-dd"));
        FontEntry font;
        font.Bold = 1;
        c.Cell(2, 1).SetFontIndex(wb.FontTable().Add(font));
        c.Cell(3, 0).SetValue("merged");
        c.Cell(3, 0).SetMerged(true);
        s.Ranges().AddMerged({3, 3, 0, 2});
        TRange& named = s.Ranges().Add();
        named.SetName("Block");
        named.Add({0, 3, 0, 3});
        named.Add({5, 6, 1, 1});
        s.PageSetup().PrintArea.Add({0, 9, 0, 4});
        s.Columns().Items(0).SetWidth(10);
        s.Rows().Items(1).SetHeight(20);
        wb.Sheets().Add("Second").Cells().Cell(0, 0).SetValue(1.0);
        save(file, folder + "/features.xls");
    }
    {
        TXLSFile file;
        TCells& c = file.Workbook().Sheets().Items(0).Cells();
        for (int i = 0; i < 120; ++i) {
            c.Cell(i, 0).SetValue("row " + std::to_string(i) + " with some longer text");
            c.Cell(i, 1).SetValue(std::u16string(60, static_cast<char16_t>(0x400 + i)));
        }
        save(file, folder + "/continue.xls");
    }
    return 0;
}
