#include "XlsTestSupport.h"

#include "xls/CompoundFile.h"
#include "xls/Unicode.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace xlstest {

using namespace orvek::xls;

Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        out.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return out;
}

std::string ToHex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

BiffBuilder& BiffBuilder::Add(uint16_t type, const Bytes& body) {
    const Bytes header = Cat({U16(type), U16(static_cast<unsigned>(body.size()))});
    m_stream.insert(m_stream.end(), header.begin(), header.end());
    m_stream.insert(m_stream.end(), body.begin(), body.end());
    return *this;
}

BiffBuilder& BiffBuilder::Raw(const Bytes& bytes) {
    m_stream.insert(m_stream.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes U16(unsigned v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

Bytes U32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

Bytes F64(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    Bytes out;
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes Latin1Text(const std::string& text) {
    return Cat({U16(static_cast<unsigned>(text.size())), {0x00}, Bytes(text.begin(), text.end())});
}

Bytes WideText(const std::u16string& text) {
    const std::string bytes = Utf16ToBytes(text);
    return Cat(
        {U16(static_cast<unsigned>(text.size())), {0x01}, Bytes(bytes.begin(), bytes.end())});
}

Bytes BofBody(uint16_t substream) {
    return Cat({U16(0x0600), U16(substream), U16(0x1846), U16(0)});
}

BiffBuilder MinimalGlobals(const std::vector<std::string>& sheets) {
    BiffBuilder b;
    b.Add(0x0809, BofBody(0x0005));
    const Bytes xf = Hex("00 00 00 00 01 00 20 00 00 04 00 00 00 00 00 00 00 00 C0 20");
    for (int i = 0; i < 21; ++i) {
        b.Add(0x00E0, xf);
    }
    for (const auto& name : sheets) {
        b.Add(0x0085, Cat({U32(0),
                           U16(0),
                           {static_cast<uint8_t>(name.size()), 0x00},
                           Bytes(name.begin(), name.end())}));
    }
    return b;
}

Bytes CompoundFile(const Bytes& stream, const std::string& streamName) {
    TCFile file(TCFileMode::Memory);
    TCFileStream& s = file.Root().CreateStream(streamName);
    s.WriteBlock(stream.data(), stream.size());
    file.Commit();
    return file.MemoryBytes();
}

Bytes WorkbookStream(const Bytes& file) {
    TCFile doc(file.data(), file.size());
    TCFileStream* stream = doc.Root().FindStream("Workbook");
    if (!stream) {
        throw std::runtime_error("no Workbook stream");
    }
    return stream->Data();
}

std::vector<Record> Records(const Bytes& stream) {
    std::vector<Record> out;
    size_t p = 0;
    while (p + 4 <= stream.size()) {
        Record r;
        r.type = static_cast<uint16_t>(stream[p] | (stream[p + 1] << 8));
        const size_t length = stream[p + 2] | (stream[p + 3] << 8);
        if (p + 4 + length > stream.size()) {
            throw std::runtime_error("record cut short");
        }
        r.body.assign(stream.begin() + static_cast<long>(p) + 4,
                      stream.begin() + static_cast<long>(p + 4 + length));
        out.push_back(std::move(r));
        p += 4 + length;
    }
    return out;
}

std::vector<Record> RecordsOfType(const std::vector<Record>& records, uint16_t type) {
    std::vector<Record> out;
    for (const auto& r : records) {
        if (r.type == type) {
            out.push_back(r);
        }
    }
    return out;
}

void Load(TXLSFile& file, const Bytes& bytes) {
    file.LoadFromBuffer(bytes.data(), bytes.size());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace xlstest
