// Loads arbitrary bytes as the BIFF record stream of a workbook. Wrapping them in a sound
// compound document here lets every mutation reach the record reader instead of breaking the
// container around it.

#include "xls/CompoundFile.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

using namespace orvek::xls;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TCFile container(TCFileMode::Memory);
    container.Root().CreateStream("Workbook").WriteBlock(data, size);
    container.Commit();
    const std::vector<uint8_t>& bytes = container.MemoryBytes();
    TXLSFile file;
    try {
        file.LoadFromBuffer(bytes.data(), bytes.size());
        const std::vector<uint8_t> saved = file.SaveToBuffer();
        TXLSFile again;
        again.LoadFromBuffer(saved.data(), saved.size());
    } catch (const EXLSError&) {
    } catch (const ECFileError&) {
    } catch (const std::out_of_range&) {
    } catch (const std::runtime_error& e) {
        if (std::strcmp(e.what(), "Error: BIFF record can not be processed") != 0) {
            std::abort();
        }
    }
    return 0;
}
