// libFuzzer target for the readers of the program's text files: weather files, setting files,
// options files, parameter lines, the events working file and result files. The first byte
// chooses the reader; the rest is the file.

#include "basics/Errors.h"
#include "basics/Text.h"
#include "formats/OptionsFile.h"
#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"
#include "formats/SettingFile.h"
#include "model/Events.h"
#include "model/Parameters.h"
#include "model/RunState.h"
#include "model/Weather.h"
#include "run/PageRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace orvek;

// A session with the six bundled substrate types, whose page the files are applied to through
// the page's own rules.
Session fuzzSession() {
    Session session;
    session.startFolder = "/start/";
    session.substrates.resize(6);
    return session;
}

void readWeather(const std::string& text) {
    const WeatherFile w = WeatherFile::parse("fuzz.wth", text);
    scanWeatherFile(w);
    std::string daily;
    if (detectWeatherKind(w) == WeatherKind::Monthly && expandMonthlyWeather(w, daily)) {
        scanWeatherFile(WeatherFile::parse("fuzz.~", daily));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 6) {
        case 0:
            readWeather(text);
            break;
        case 1: {
            Session session = fuzzSession();
            PageModel model(session);
            applySettingFile(text, model, "/base/");
            break;
        }
        case 2: {
            Session session = fuzzSession();
            PageModel model(session);
            applyOptionsFile(text, model);
            break;
        }
        case 3: {
            for (const std::string& line : splitLines(text)) {
                ParameterLine p;
                parseParameterLine(line, p);
            }
            break;
        }
        case 4: {
            RunState run;
            run.carbonOnly = (size & 1) != 0;
            run.startDate = 38353;
            run.endDate = 40000;
            readInputEvents(text, run);
            break;
        }
        case 5: {
            monthlyFromDaily(text, 38353, 1000, false);
            memoFromResult(text, 40000);
            resultWorkbookCells(text, text, (size & 1) != 0, WorkbookStop::AtEndDate, 40000, 100);
            break;
        }
        }
    } catch (const OrvekError&) {
        // A clear message is the expected answer to a bad file.
    }
    return 0;
}
