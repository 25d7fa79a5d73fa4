// Loads arbitrary bytes as a workbook; what loads is saved and loaded again, so the writer
// meets whatever state a hostile file can leave behind.

#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

using namespace orvek::xls;

namespace {

// Every failure must be one of the library's exceptions with its fixed messages.
bool expected(const std::exception& e) {
    if (dynamic_cast<const EXLSError*>(&e) || dynamic_cast<const ECFileError*>(&e) ||
        dynamic_cast<const std::out_of_range*>(&e)) {
        return true;
    }
    return std::strcmp(e.what(), "Error: BIFF record can not be processed") == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TXLSFile file;
    try {
        file.LoadFromBuffer(data, size);
    } catch (const std::exception& e) {
        if (!expected(e)) {
            std::abort();
        }
        return 0;
    }
    try {
        const std::vector<uint8_t> saved = file.SaveToBuffer();
        TXLSFile again;
        again.LoadFromBuffer(saved.data(), saved.size());
    } catch (const std::exception& e) {
        if (!expected(e)) {
            std::abort();
        }
    }
    return 0;
}
