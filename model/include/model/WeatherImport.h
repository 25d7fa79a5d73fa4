#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Daily weather as common sources export it, turned into this program's daily layout. The
// layout of a file is recognised by its header rows, never guessed from the numbers.
enum class WeatherLayout { NasaPower, Daymet, Meteostat, Noaa, ApsimMet, PlainCsv };

// "NASA POWER daily CSV", "Daymet single-pixel CSV", ...
const char* weatherLayoutName(WeatherLayout layout);

// The layouts understood, for the message that refuses an unknown file.
std::string weatherLayoutsUnderstood();

enum class GapFill { None, Linear };

// NOAA's data access service writes no units into its files: the export is either "metric"
// (C, mm) or "standard" (F, inches), as chosen when it was ordered.
enum class NoaaUnits { Metric, Standard };

struct WeatherImportOptions {
    GapFill fill = GapFill::None;
    NoaaUnits noaaUnits = NoaaUnits::Metric;
    int maxFilledGap = 3; // days; longer gaps are never filled
};

struct ImportedDay {
    int year = 0;
    int dayOfYear = 0;
    double tmax = 0;   // C
    double tmin = 0;   // C
    double precip = 0; // mm
};

struct WeatherImport {
    bool ok = false;
    WeatherLayout layout = WeatherLayout::PlainCsv;
    std::string site;
    std::vector<std::string> columns;  // "T2M_MAX: Tmax (C)", in the output's order
    std::vector<std::string> notes;    // conversions, assumptions and fills, said in the header
    std::vector<std::string> problems; // each names its date (and line where there is one)
    std::vector<std::string> filled;   // the fills made, with their dates
    std::vector<ImportedDay> days;     // the whole period, in date order
    std::string output;                // the daily weather file when ok
};

// Reads the text of an exported file; sourceName names it in the output's header. A file whose
// layout is not recognised raises OrvekError naming the layouts understood; faults of the data
// are returned as problems (ok false, no output).
WeatherImport importWeather(std::string_view content, const std::string& sourceName,
                            const WeatherImportOptions& options = {});

// The file's path is read with the same limits as every input; raises OrvekError.
WeatherImport importWeatherFile(const std::string& path, const WeatherImportOptions& options = {});

} // namespace orvek
