#pragma once

#include "TestFolder.h"

#include "formats/PageState.h"
#include "run/RunPipeline.h"

#include <string>

namespace orvek::test {

// A run in a fresh start folder holding the bundled parameter, option and substrate files, with
// a page in C & N mode on sandy soil (10 g/kg, 1.3 g/cm^3, 20 cm: 26 Mg C/ha; 50 kg N/ha) and
// fixed formats for the setting record.
struct RunFixture {
    TestFolder folder;
    PageState page;
    RunEnvironment env;

    RunFixture();

    // A daily weather file in the start folder, selected on the page.
    void useDailyWeather(const std::string& name, const std::string& content);
    // The bundled 30-year Milwaukee daily file, selected on the page.
    void useMilwaukeeWeather();
    // Checks row (1..10) with a substrate type code (1..6), C in Mg/ha, C:N and date.
    void setRow(int row, int code, const std::string& c, const std::string& cn, DateSerial date);

    RunOutcome run() const { return performRun(page, env); }
    std::string result(const std::string& name) const { return folder.read(name); }
};

DateSerial date(int year, int month, int day);

} // namespace orvek::test
