// Result: a finished run as DataFrames. The columns are filled in C++ from the values the
// result files were written from, one numpy array per column, so that a century of days
// converts without a Python step per row.

#include "Binding.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "model/Weather.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

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
}

} // namespace orvek::python
