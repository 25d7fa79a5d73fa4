#include "formats/SettingRecord.h"

#include "basics/Text.h"
#include "formats/PageState.h"
#include "model/RunState.h"

namespace orvek {

std::string settingRecord(const PageState& page, const RunState& run, const RecordFormats& f) {
    std::string s;
    const auto line = [&s](const std::string& text) {
        s += text;
        s += "\r\n";
    };
    line("Settings for the simulation:");
    line(run.carbonOnly ? "  Carbon only" : "  Carbon and nitrogen");
    line("  Weather file: " + page.weatherFileName);
    line("  Simulation starts on: " + f.shortDate(page.startDate));
    line("  Simulation ends on: " + f.shortDate(page.endDate));
    if (page.eventsOnPanel) {
        line("  Substrate input events are set directly on the front page");
    } else {
        line("  Substrate input events are set in file '" + page.eventsFileName + "'");
    }
    line(run.carbonOnly
             ? "  Input events: #, date, substrate type (code), C amount (Mg/ha)"
             : "  Input events (#, date, substrate type (code), C quantity (Mg/ha), C:N ratio");
    for (size_t j = 0; j < run.events.size(); ++j) {
        const SubstrateEvent& e = run.events[j];
        std::string text = "    " + std::to_string(j + 1) + ", " + f.shortDate(e.date) + ", " +
                           kSubstrateTypeNames[e.type - 1] + ", " +
                           formatGeneral(e.cAmount / 1000, f.decimalSeparator);
        if (!run.carbonOnly) {
            text += ", " + formatGeneral(e.cn, f.decimalSeparator);
        }
        line(text);
    }
    line("  Soil properties:");
    line("    Soil C content (g/kg): " + page.soilCText);
    line("    Soil bulk density (g/cm^3): " + page.bulkDensityText);
    line("    Soil depth to simulate (cm): " + page.depthText);
    if (!run.carbonOnly) {
        line("    Initial Soil Nmin (kg/ha): " + page.nminText);
    }
    const int t = page.textureIndex;
    line(std::string("    Soil texture: ") + (t >= 0 && t < 3 ? kTextureNames[t] : ""));
    line("Run on " + f.runDate + ", " + f.runTime);
    return s;
}

} // namespace orvek
