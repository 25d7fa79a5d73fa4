#include "batch/Commands.h"

namespace orvek::batch {

int dispatchCommand(const std::vector<std::string>& args) {
    if (isImportWeather(args)) {
        return importWeatherCommand(args);
    }
    for (const std::string& a : args) {
        if (a == "--runs" || a == "--merge") {
            return ensembleCommand(args);
        }
    }
    return -1;
}

} // namespace orvek::batch
