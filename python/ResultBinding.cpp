// Result: a finished run as DataFrames. The columns are filled in C++ from the values the
// result files were written from, one numpy array per column, so that a century of days
// converts without a Python step per row.

#include "Binding.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "model/Weather.h"
#include "model/WeatherImport.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <optional>

namespace orvek::python {

namespace {

// Day numbers count from 30 December 1899, numpy's datetime64 from 1 January 1970. The index is
// built in nanoseconds, pandas' own unit, so that it needs no conversion.
constexpr long long kUnixEpochDay = 25569;
constexpr long long kNanosecondsPerDay = 86'400'000'000'000LL;

py::object dateIndex(const py::array_t<long long>& nanoseconds) {
    return py::module_::import("pandas").attr("DatetimeIndex")(
        nanoseconds.attr("view")("datetime64[ns]"), py::arg("name") = "Date");
}

const char* const kValueColumns[kDailyValues] = {"SOM_C_Mg_ha",  "res_C_Mg_ha",  "ttl_C_Mg_ha",
                                                 "net_Nm_kg_ha", "ttl_Nm_kg_ha", "ttl_N_kg_ha",
                                                 "res_CN",       "SOM_CN"};

// The rows of the series to show: every day, or the monthly file's rows in its order.
template <typename Pick>
py::object frame(const DailySeries& series, size_t rows, Pick pick, bool carbonOnly,
                 const char* countName, bool monthly) {
    py::array_t<long long> days(static_cast<py::ssize_t>(rows));
    py::array_t<int> counts(static_cast<py::ssize_t>(rows));
    auto d = days.mutable_unchecked<1>();
    auto n = counts.mutable_unchecked<1>();
    for (size_t i = 0; i < rows; ++i) {
        const size_t k = pick(i);
        d(static_cast<py::ssize_t>(i)) = (series.dates[k] - kUnixEpochDay) * kNanosecondsPerDay;
        n(static_cast<py::ssize_t>(i)) = monthly ? static_cast<int>(i) : series.das[k];
    }
    py::dict columns;
    columns[countName] = counts;
    const int valueCount = carbonOnly ? kDailyCarbonValues : kDailyValues;
    for (int c = 0; c < valueCount; ++c) {
        const std::vector<double>& source = series.values[static_cast<size_t>(c)];
        py::array_t<double> values(static_cast<py::ssize_t>(rows));
        auto v = values.mutable_unchecked<1>();
        for (size_t i = 0; i < rows; ++i) {
            v(static_cast<py::ssize_t>(i)) = source[pick(i)];
        }
        columns[kValueColumns[c]] = values;
    }
    return py::module_::import("pandas").attr("DataFrame")(
        columns, py::arg("index") = dateIndex(days), py::arg("copy") = false);
}

py::object dailyFrame(Result& r) {
    if (!r.daily) {
        r.daily = frame(
            r.series, r.series.dates.size(), [](size_t i) { return i; }, r.last.carbonOnly, "DAS",
            false);
    }
    return r.daily;
}

py::object monthlyFrame(Result& r) {
    if (!r.monthly) {
        const std::vector<size_t>& entries = r.series.monthlyEntries;
        r.monthly = frame(
            r.series, entries.size(), [&entries](size_t i) { return entries[i]; },
            r.last.carbonOnly, "MAS", true);
    }
    return r.monthly;
}

py::object weatherFrame(const std::string& path) {
    WeatherFile w = WeatherFile::load(resolveFileName(path));
    const WeatherInfo info = scanWeatherFile(w);
    const bool daily = info.kind == WeatherKind::Daily;
    const size_t rows = w.size();
    py::array_t<long long> days(static_cast<py::ssize_t>(rows));
    py::array_t<int> years(static_cast<py::ssize_t>(rows));
    py::array_t<int> steps(static_cast<py::ssize_t>(rows));
    py::array_t<double> tmax(static_cast<py::ssize_t>(rows));
    py::array_t<double> tmin(static_cast<py::ssize_t>(rows));
    auto dd = days.mutable_unchecked<1>();
    auto yy = years.mutable_unchecked<1>();
    auto ss = steps.mutable_unchecked<1>();
    auto hi = tmax.mutable_unchecked<1>();
    auto lo = tmin.mutable_unchecked<1>();
    for (size_t i = 0; i < rows; ++i) {
        const auto k = static_cast<py::ssize_t>(i);
        DateSerial date = 0;
        if (daily) {
            date = w.dailyDate(i);
        } else {
            tryEncodeDate(w.year(i), w.dayOrMonth(i), 1, date);
        }
        dd(k) = (date - kUnixEpochDay) * kNanosecondsPerDay;
        yy(k) = w.year(i);
        ss(k) = w.dayOrMonth(i);
        w.temperatures(i, hi(k), lo(k));
    }
    py::dict columns;
    columns["year"] = years;
    columns[daily ? "day" : "month"] = steps;
    columns["tmax"] = tmax;
    columns["tmin"] = tmin;
    py::object df = py::module_::import("pandas").attr("DataFrame")(
        columns, py::arg("index") = dateIndex(days), py::arg("copy") = false);
    df.attr("attrs")["kind"] = daily ? kDailyWeatherKindText : kMonthlyWeatherKindText;
    return df;
}

// Faults of the data, each naming its date, as orvek-batch --import-weather lists them; the whole
// list also travels on the exception as .problems.
[[noreturn]] void raiseImportFaults(const WeatherImport& w, bool filling) {
    std::string message = "Not imported; the file has these faults:";
    const size_t shown = std::min<size_t>(w.problems.size(), 20);
    for (size_t i = 0; i < shown; ++i) {
        message += "\n  " + w.problems[i];
    }
    if (w.problems.size() > shown) {
        message += "\n  ... and " + std::to_string(w.problems.size() - shown) + " more";
    }
    if (!filling) {
        message += "\n(fill_gaps=\"linear\" fills gaps of at most 3 days.)";
    }
    py::object type = py::module_::import("orvek._core").attr("CheckFailed");
    py::object error = type(message);
    error.attr("problems") = py::cast(w.problems);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

py::object importedFrame(const std::string& path, const std::optional<std::string>& saveTo,
                         const std::optional<std::string>& fillGaps, const std::string& noaaUnits) {
    WeatherImportOptions options;
    if (fillGaps) {
        if (*fillGaps != "linear") {
            throw py::value_error("fill_gaps takes None or \"linear\".");
        }
        options.fill = GapFill::Linear;
    }
    if (noaaUnits != "metric" && noaaUnits != "standard") {
        throw py::value_error("noaa_units takes \"metric\" or \"standard\".");
    }
    options.noaaUnits = noaaUnits == "standard" ? NoaaUnits::Standard : NoaaUnits::Metric;
    WeatherImport w;
    {
        py::gil_scoped_release release;
        w = importWeatherFile(path, options);
        if (w.ok && saveTo) {
            writeFileAtomically(*saveTo, w.output);
        }
    }
    if (!w.ok) {
        raiseImportFaults(w, options.fill == GapFill::Linear);
    }
    const size_t rows = w.days.size();
    py::array_t<long long> days(static_cast<py::ssize_t>(rows));
    py::array_t<int> years(static_cast<py::ssize_t>(rows));
    py::array_t<int> steps(static_cast<py::ssize_t>(rows));
    py::array_t<double> tmax(static_cast<py::ssize_t>(rows));
    py::array_t<double> tmin(static_cast<py::ssize_t>(rows));
    py::array_t<double> precip(static_cast<py::ssize_t>(rows));
    auto dd = days.mutable_unchecked<1>();
    auto yy = years.mutable_unchecked<1>();
    auto ss = steps.mutable_unchecked<1>();
    auto hi = tmax.mutable_unchecked<1>();
    auto lo = tmin.mutable_unchecked<1>();
    auto pp = precip.mutable_unchecked<1>();
    for (size_t i = 0; i < rows; ++i) {
        const auto k = static_cast<py::ssize_t>(i);
        const ImportedDay& day = w.days[i];
        DateSerial date = 0;
        tryEncodeDate(day.year, 1, 1, date);
        dd(k) = (date + day.dayOfYear - 1 - kUnixEpochDay) * kNanosecondsPerDay;
        yy(k) = day.year;
        ss(k) = day.dayOfYear;
        hi(k) = day.tmax;
        lo(k) = day.tmin;
        pp(k) = day.precip;
    }
    py::dict columns;
    columns["year"] = years;
    columns["day"] = steps;
    columns["tmax"] = tmax;
    columns["tmin"] = tmin;
    columns["precip"] = precip;
    py::object df = py::module_::import("pandas").attr("DataFrame")(
        columns, py::arg("index") = dateIndex(days), py::arg("copy") = false);
    py::object attrs = df.attr("attrs");
    attrs["kind"] = kDailyWeatherKindText;
    attrs["layout"] = weatherLayoutName(w.layout);
    attrs["site"] = w.site;
    attrs["columns"] = py::cast(w.columns);
    attrs["notes"] = py::cast(w.notes);
    attrs["filled"] = py::cast(w.filled);
    return df;
}

} // namespace

void bindResult(py::module_& m) {
    py::class_<Result> c(m, "Result", R"(A finished run.

daily and monthly are pandas DataFrames indexed by date with the columns DAS (MAS),
SOM_C_Mg_ha, res_C_Mg_ha, ttl_C_Mg_ha and, in C & N mode, net_Nm_kg_ha, ttl_Nm_kg_ha,
ttl_N_kg_ha, res_CN, SOM_CN: the unrounded values the result files are written from.)");
    c.def_property_readonly("daily", &dailyFrame, "One row per simulated day.");
    c.def_property_readonly("monthly", &monthlyFrame,
                            "The rows of the monthly result: the start date's day of each month.");
    c.def_property_readonly(
        "setting_record", [](const Result& r) { return toUtf8(r.texts.settingRecord); },
        "The plain-language record of the run's inputs (\"SettingRecord.~\").");
    c.def_property_readonly("carbon_only", [](const Result& r) { return r.last.carbonOnly; });
    c.def_property_readonly(
        "last_das", [](const Result& r) { return r.last.lastDAS; },
        "The DAS of the last simulated day.");
    c.def_property_readonly(
        "simulation_seconds", [](const Result& r) { return r.simulationSeconds; },
        "The time the daily simulation took, as orvek-batch's benchmark measures it.");
    c.def(
        "result_file",
        [](const Result& r, const std::string& name) {
            const ResultTexts& t = r.texts;
            for (const auto& [fileName, text] :
                 {std::pair{kResultDailyFileName, &t.daily},
                  std::pair{kResultMonthlyFileName, &t.monthly},
                  std::pair{kResultDailyMemoFileName, &t.dailyMemo},
                  std::pair{kResultMonthlyMemoFileName, &t.monthlyMemo},
                  std::pair{kSettingRecordFileName, &t.settingRecord}}) {
                if (name == fileName) {
                    return py::bytes(*text);
                }
            }
            throw py::key_error(name);
        },
        py::arg("name"), "The bytes of one result file, by its name (\"ResultDaily.~\").");
    c.def(
        "save",
        [](const Result& r, const std::string& folder) {
            py::gil_scoped_release release;
            writeResultFiles(r.texts, withTrailingSeparator(folder));
        },
        py::arg("folder"),
        "Writes the five result files into folder, as the window and orvek-batch do.");

    m.def("read_weather", &weatherFrame, py::arg("path"),
          R"(Reads and checks a weather file (daily or monthly) into a DataFrame indexed by date,
with the columns year, day (or month), tmax and tmin; a monthly file's rows are dated on the
first of their month. Raises FileError naming the file and line of the first fault.)");

    m.def("import_weather", &importedFrame, py::arg("path"), py::arg("save_to") = py::none(),
          py::arg("fill_gaps") = py::none(), py::arg("noaa_units") = "metric",
          R"(Imports daily weather as a common source exports it (NASA POWER, Daymet, Meteostat,
NOAA, APSIM .met or a plain CSV with date, tmax, tmin and precip columns); the layout is
recognised by the file's header rows.

Returns a DataFrame indexed by date with the columns year, day (of the year), tmax, tmin (C) and
precip (mm), as converted (the saved file holds them to a tenth); attrs holds the layout, the site, the source columns used, the notes on
conversions and the days filled. save_to writes the daily weather file a run reads (replaced
whole or not at all). fill_gaps="linear" fills gaps of at most 3 days between measured values;
noaa_units says whether a NOAA export was ordered "metric" or "standard".

Raises FileError for a file that cannot be read or whose layout is not recognised, and
CheckFailed, with the list of faults (each naming its date) in .problems, when the data have
gaps or impossible values.)");
}

} // namespace orvek::python
