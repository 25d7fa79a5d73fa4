#pragma once

// Helpers shared by the workbook library's tests: building BIFF streams and compound files by
// hand, taking written workbooks apart into records, temporary folders.

#include "xls/Workbook.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace xlstest {

using Bytes = std::vector<uint8_t>;

// "C8 00 0A" -> {0xC8, 0x00, 0x0A}
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);

struct Record {
    uint16_t type = 0;
    Bytes body;
};

// A BIFF record sequence put together by hand.
class BiffBuilder {
public:
    BiffBuilder& Add(uint16_t type, const Bytes& body = {});
    BiffBuilder& Raw(const Bytes& bytes);
    const Bytes& Stream() const { return m_stream; }

private:
    Bytes m_stream;
};

// Little-endian pieces of record bodies.
Bytes U16(unsigned v);
Bytes U32(uint32_t v);
Bytes F64(double v);
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes Latin1Text(const std::string& text);  // count, flags 0, bytes
Bytes WideText(const std::u16string& text); // count, flags 1, UTF-16LE

// The globals of a minimal workbook with the given sheet names, without EOF: a BOF, the 21
// XFs a file normally has and BOUNDSHEETs.
BiffBuilder MinimalGlobals(const std::vector<std::string>& sheets);
Bytes BofBody(uint16_t substream);

// A compound document holding one stream.
Bytes CompoundFile(const Bytes& stream, const std::string& streamName = "Workbook");
// The "Workbook" stream of a compound document.
Bytes WorkbookStream(const Bytes& file);
std::vector<Record> Records(const Bytes& stream);
std::vector<Record> RecordsOfType(const std::vector<Record>& records, uint16_t type);

// Loads bytes into a fresh file object.
void Load(orvek::xls::TXLSFile& file, const Bytes& bytes);

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

} // namespace xlstest
