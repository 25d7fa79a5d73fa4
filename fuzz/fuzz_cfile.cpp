// Opens arbitrary bytes as a compound document and reads every stream in it.

#include "xls/CompoundFile.h"
#include "xls/XLSErrors.h"

#include <cstddef>
#include <cstdint>
#include <exception>

using namespace orvek::xls;

namespace {

void readAll(TCFileStorage& storage) {
    for (int i = 0; i < storage.Count(); ++i) {
        TCFileItem& item = storage.Items(i);
        if (auto* stream = dynamic_cast<TCFileStream*>(&item)) {
            try {
                stream->Data();
            } catch (const ECFileError&) {
            }
        } else if (auto* child = dynamic_cast<TCFileStorage*>(&item)) {
            readAll(*child);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TCFile file(data, size);
        readAll(file.Root());
        file.Root().FindStream("Workbook");
    } catch (const ECFileError&) {
    }
    return 0;
}
