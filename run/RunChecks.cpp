#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/EventsWorkbook.h"
#include "formats/PageState.h"
#include "model/RunState.h"
#include "run/RunPipeline.h"

#include <cmath>

namespace orvek {

namespace {

constexpr const char* kAmountNotSpecified =
    "Amount of C input or substrate C:N ratio not specified";

bool rowDateEnabled(const PageState& page, int row) {
    return page.eventsOnPanel && page.rows[static_cast<size_t>(row)].checked;
}

// The three weather checks, the order of the period and the run of consecutive days from the day
// before StartDate through EndDate. Leaves the loaded file and StartDate's line in the run.
void checkWeather(RunState& run, const PageState& page) {
    // Weather read beforehand (by an ensemble, once for all its runs) is used as it is.
    if (page.weatherFileName.empty() ||
        (!run.weather && !fileExists(resolveFileName(run.weatherPath)))) {
        run.fail("Weather file not specified or not found!");
        return;
    }
    if (!run.weather) {
        WeatherFile daily = WeatherFile::load(resolveFileName(run.weatherPath));
        if (run.monthlyWeather) {
            daily.nameLinesAfter(*run.monthlyWeather);
        }
        run.weather = std::make_shared<const WeatherFile>(std::move(daily));
    }
    const WeatherFile& w = *run.weather;
    if (w.empty()) {
        throw OrvekError("File \"" + w.path() +
                         "\" holds no weather data after its four header lines.");
    }
    const DateSerial first = w.dailyDate(0);
    if (page.startDate < first) {
        run.fail("Simulation start date set before the first date in the weather file.");
        return;
    }
    if (page.endDate > w.dailyDate(w.size() - 1)) {
        run.fail("Simulation ending date set beyond the last date in the weather file.");
        return;
    }
    if (page.endDate < page.startDate) {
        run.fail("Simulation ending date set before the start date.");
        return;
    }
    // The daily loop takes every line as the next day, so the days it reads must not skip or
    // repeat a date.
    size_t from = 0;
    if (page.startDate > first) {
        while (from < w.size() && w.dailyDate(from) != page.startDate - 1) {
            ++from;
        }
    }
    bool consecutive = from < w.size();
    for (size_t i = from; consecutive; ++i) {
        const DateSerial d = w.dailyDate(i);
        if (d == page.endDate) {
            break;
        }
        consecutive = i + 1 < w.size() && w.dailyDate(i + 1) == d + 1;
    }
    if (!consecutive) {
        run.fail("Days missing or out of order in the weather file.");
        return;
    }
    run.firstWeatherLine = page.startDate > first ? from + 1 : 0;
}

void checkSoil(RunState& run, const PageState& page, const RunEnvironment& env) {
    std::vector<const std::string*> fields = {&page.soilCText, &page.bulkDensityText,
                                              &page.depthText};
    if (page.nminEnabled()) {
        fields.push_back(&page.nminText);
    }
    for (const std::string* f : fields) {
        if (trimBlanks(*f).empty()) {
            run.fail("Settings for soil properties not complete yet!");
            return;
        }
    }
    if (page.textureIndex < 0 || page.textureIndex > 2) {
        run.fail("Settings for soil properties not complete yet!");
        return;
    }
    double values[3] = {0, 0, 0};
    for (size_t k = 0; k < fields.size(); ++k) {
        double v = 0;
        if (!parseDouble(*fields[k], env.decimalSeparator, v)) {
            run.fail(invalidFloatMessage(*fields[k]));
            return;
        }
        if (k < 3) {
            values[k] = v;
        }
    }
    // The stock as the page shows it must itself be a number the run can use, in kg C/ha too.
    const double stock = values[0] * values[1] * values[2] / 10;
    if (!std::isfinite(stock * 1000)) {
        run.fail(invalidFloatMessage(formatGeneral(stock)));
    }
}

// Negative contents, densities, depths or mineral N would run and give negative SOM-C and N.
void checkSoilSigns(RunState& run, const PageState& page, const RunEnvironment& env) {
    std::vector<const std::string*> fields = {&page.soilCText, &page.bulkDensityText,
                                              &page.depthText};
    if (page.nminEnabled()) {
        fields.push_back(&page.nminText);
    }
    for (const std::string* f : fields) {
        double v = 0;
        if (parseDouble(*f, env.decimalSeparator, v) && v < 0) {
            run.fail("Soil properties must not be negative.");
            return;
        }
    }
}

void checkEventFields(RunState& run, const PageState& page, const RunEnvironment& env) {
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < kEventRows; ++i) {
            const bool enabled = pass == 0 ? page.eventsOnPanel && page.rowFieldsEnabled(i)
                                           : page.eventsOnPanel && page.rowCnEnabled(i);
            if (!enabled) {
                continue;
            }
            const EventRowState& row = page.rows[static_cast<size_t>(i)];
            const std::string& text = pass == 0 ? row.cText : row.cnText;
            double v = 0;
            if (trimBlanks(text).empty()) {
                run.fail(kAmountNotSpecified);
                return;
            }
            if (!parseDouble(text, env.decimalSeparator, v)) {
                run.fail(invalidFloatMessage(text));
                return;
            }
            if (v <= 0) {
                run.fail(kAmountNotSpecified);
                return;
            }
            // The amount in kg C/ha and the N it brings must be numbers as well.
            double c = v;
            if (pass == 1 && !parseDouble(row.cText, env.decimalSeparator, c)) {
                c = 0;
            }
            const double product = pass == 0 ? v * 1000 : c * 1000 / v;
            if (!std::isfinite(product)) {
                run.fail(invalidFloatMessage(text));
                return;
            }
        }
    }
    for (int i = 0; i < kEventRows; ++i) {
        const int type = page.rows[static_cast<size_t>(i)].typeIndex;
        if (rowDateEnabled(page, i) && (type < 0 || type >= kSubstrateTypes)) {
            run.fail("Substrate type of input event " + std::to_string(i + 1) + " not selected!");
            return;
        }
    }
}

} // namespace

void checkRunSettings(RunState& run, const PageState& page, const RunEnvironment& env) {
    checkWeather(run, page);
    if (run.error) {
        return;
    }
    checkSoil(run, page, env);
    if (run.error) {
        return;
    }
    checkSoilSigns(run, page, env);
    if (run.error) {
        return;
    }
    if (page.eventsFileEnabled() && !fileExists(resolveFileName(page.eventsFile))) {
        run.fail("Input events file not found!");
        return;
    }
    for (int i = 0; i < kEventRows; ++i) {
        const DateSerial d = page.rows[static_cast<size_t>(i)].date;
        if (rowDateEnabled(page, i) && (d < page.startDate || d > page.endDate)) {
            run.fail("Date of input event " + std::to_string(i + 1) + " set wrong!", 1);
            return;
        }
    }
    bool haveReference = false;
    DateSerial reference = 0;
    for (int i = 0; i < kEventRows; ++i) {
        if (!rowDateEnabled(page, i)) {
            continue;
        }
        const DateSerial d = page.rows[static_cast<size_t>(i)].date;
        if (haveReference && d < reference) {
            run.fail("Input event dates must be in chronological order from early to recent "
                     "dates!",
                     1);
            return;
        }
        reference = d;
        haveReference = true;
    }
    checkEventFields(run, page, env);
}

void gatherRunSettings(RunState& run, const PageState& page, const RunEnvironment& env) {
    run.addSoilMinusAir = true;
    run.carbonOnly = page.carbonOnly;
    run.startDate = page.startDate;
    run.endDate = page.endDate;
    run.textureIndex = page.textureIndex;
    const char sep = env.decimalSeparator;
    const auto number = [sep](const std::string& text) {
        double v = 0;
        if (!parseDouble(text, sep, v)) {
            throw OrvekError(invalidFloatMessage(text));
        }
        return v;
    };
    // The stock as the page shows it, recomputed from its three factors so that it is never
    // stale.
    const double stock =
        number(page.soilCText) * number(page.bulkDensityText) * number(page.depthText) / 10;
    run.somStock = number(formatGeneral(stock)) * 1000;
    if (!std::isfinite(run.somStock)) {
        throw OrvekError(invalidFloatMessage(formatGeneral(stock)));
    }
    if (!run.carbonOnly && run.somStock == 0) {
        run.somStock = 0.0001;
    }
    if (!run.carbonOnly) {
        run.initialMineralN = number(page.nminText);
    }
    run.events.clear();
    if (!page.eventsOnPanel) {
        convertEventsWorkbook(run, page.eventsFile, sep);
        if (run.error) {
            return;
        }
        readInputEvents(readTextFile(run.eventsPath), run);
        if (run.error) {
            return;
        }
    } else {
        for (const EventRowState& row : page.rows) {
            if (!row.checked) {
                continue;
            }
            SubstrateEvent e;
            e.type = row.typeIndex + 1;
            e.cAmount = number(row.cText) * 1000;
            e.cn = run.carbonOnly ? 0 : number(row.cnText);
            e.date = row.date;
            run.events.push_back(e);
        }
    }
}

} // namespace orvek
