#include "xls/Sheets.h"

#include "xls/Unicode.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

namespace orvek::xls {

TSheet::TSheet(TWorkbook& workbook, int index, std::string name)
    : m_workbook(workbook), m_cells(workbook.XFTable(), workbook.FontTable(), workbook.Formats()),
      m_columns(workbook.Metrics()), m_rows(workbook.Metrics()), m_index(index),
      m_name(std::move(name)) {}

void TSheet::SetName(const std::string& name) {
    m_workbook.Sheets().Rename(*this, name);
}

void TSheets::Rename(TSheet& sheet, const std::string& name) {
    const int code = CheckName(name);
    if (code != 0) {
        throw EXLSError(code);
    }
    if (--m_names[sheet.m_name] == 0) {
        m_names.erase(sheet.m_name);
    }
    sheet.m_name = name;
    ++m_names[name];
}

void TSheets::Clear() {
    m_sheets.clear();
    m_names.clear();
}

TSheet& TSheets::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index, true);
    }
    return *m_sheets[static_cast<size_t>(index)];
}

TSheet& TSheets::Add(const std::string& name) {
    const int code = CheckName(name);
    if (code != 0) {
        throw EXLSError(code);
    }
    m_sheets.push_back(std::make_unique<TSheet>(m_workbook, Count(), name));
    ++m_names[name];
    return *m_sheets.back();
}

TSheet* TSheets::FindByName(const std::string& name) const {
    if (m_names.find(name) == m_names.end()) {
        return nullptr;
    }
    for (const auto& sheet : m_sheets) {
        if (sheet->Name() == name) {
            return sheet.get();
        }
    }
    return nullptr;
}

int TSheets::CheckName(const std::string& name) const {
    const size_t length = Utf8ToUtf16(name).size();
    if (length == 0 || length > 255) {
        return EXLSError::SheetNameLength;
    }
    // Blanks and control characters at either end do not make a name different.
    size_t begin = 0;
    size_t end = name.size();
    while (begin < end && static_cast<unsigned char>(name[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(name[end - 1]) <= ' ') {
        --end;
    }
    if (begin == end) {
        return EXLSError::InvalidSheetName;
    }
    return FindByName(name.substr(begin, end - begin)) ? EXLSError::InvalidSheetName : 0;
}

} // namespace orvek::xls
