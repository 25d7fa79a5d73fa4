// Many runs in one process: a run table, its overrides and samples, runs on worker threads
// sharing the weather and parameter files they read once, and the summary, bands and timings.

#include "batch/Ensemble.h"

#include "basics/FolderLock.h"

#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "batch/Commands.h"
#include "batch/Csv.h"
#include "batch/RunFolders.h"
#include "formats/PageState.h"
#include "model/Dynamics.h"
#include "model/Parameters.h"
#include "model/RunState.h"
#include "model/Weather.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <signal.h>
#include <thread>
#include <unistd.h>

namespace orvek::batch {

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
}

// --- The run table ----------------------------------------------------------------------------

// Numbers of the page a row or a sample may set, besides the 27 parameters.
enum SoilField { kSoilC, kBulkDensity, kDepth, kNmin, kSoilFieldCount };
constexpr const char* kSoilFieldNames[kSoilFieldCount] = {"soil_c", "bulk_density", "depth",
                                                          "nmin"};

int soilFieldOf(std::string_view name) {
    for (int i = 0; i < kSoilFieldCount; ++i) {
        if (name == kSoilFieldNames[i]) {
            return i;
        }
    }
    return -1;
}

struct RunRow {
    int position = 0; // 0-based, in the table
    int line = 0;
    std::string id;
    std::string settings;   // full path
    std::string parameters; // full path or empty
    std::string weather;    // full path or empty
    std::optional<DateSerial> start, end;
    std::optional<double> soil[kSoilFieldCount];
    std::string soilText[kSoilFieldCount];
    int texture = -1;
    std::optional<double> parameter[kParameterCount];
};

std::string lowerCase(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

bool parseIsoDate(std::string_view text, DateSerial& out) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    int y = 0, m = 0, d = 0;
    return parseInt32(text.substr(0, 4), y) && parseInt32(text.substr(5, 2), m) &&
           parseInt32(text.substr(8, 2), d) && tryEncodeDate(y, m, d, out);
}

std::string isoDate(DateSerial d) {
    const CalendarDate c = decodeDate(d);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
    return buf;
}

// An id names a folder with --keep-files and a row in every output file.
std::string idProblem(const std::string& id) {
    if (id.empty()) {
        return "the id is empty";
    }
    if (id == "." || id == ".." || id[0] == '.') {
        return "the id '" + id + "' starts with '.'";
    }
    for (const char c : id) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == '"' || c == ',') {
            return "the id '" + id +
                   "' holds a character ids cannot have ('/', '\\', '\"', ',' "
                   "or a control character)";
        }
    }
    return {};
}

std::string columnsUnderstood() {
    std::string s = "id, settings, parameters, weather, start, end, soil_c, bulk_density, depth, "
                    "nmin, texture";
    for (const char* name : kParameterShortNames) {
        s += std::string(", ") + name;
    }
    return s;
}

// Reads and checks the whole table; every fault is listed before anything runs.
std::vector<RunRow> readRunTable(const std::string& path, std::vector<std::string>& faults) {
    std::vector<RunRow> rows;
    if (!fileExists(path)) {
        faults.push_back("File \"" + path + "\" not found.");
        return rows;
    }
    std::string content = readWholeFile(path, size_t{64} << 20);
    if (content.rfind("\xEF\xBB\xBF", 0) == 0) {
        content.erase(0, 3);
    }
    const std::string folder = folderPart(path);
    const auto relative = [&](const std::string& name) {
        return name.empty() || name[0] == '/' ? name : folder + name;
    };
    LineCursor cursor(content);
    std::string_view line;
    std::vector<std::string> header;
    while (header.empty() && cursor.next(line)) {
        if (!trimBlanks(line).empty()) {
            header = csvFields(line);
        }
    }
    const auto fault = [&](int lineNo, const std::string& text) {
        faults.push_back(path + ", line " + std::to_string(lineNo) + ": " + text);
    };
    std::set<std::string> seen;
    for (std::string& h : header) {
        h = lowerCase(std::string(trimBlanks(h)));
        const bool known = h == "id" || h == "settings" || h == "parameters" || h == "weather" ||
                           h == "start" || h == "end" || h == "texture" || soilFieldOf(h) >= 0 ||
                           parameterIndexOf(h) >= 0;
        if (!known) {
            fault(cursor.lineNumber(),
                  "unknown column '" + h + "'; columns understood: " + columnsUnderstood());
        } else if (!seen.insert(h).second) {
            fault(cursor.lineNumber(), "column '" + h + "' given twice");
        }
    }
    if (seen.count("id") == 0 || seen.count("settings") == 0) {
        fault(cursor.lineNumber(), "the columns 'id' and 'settings' are needed");
        return rows;
    }
    std::set<std::string> ids;
    while (cursor.next(line)) {
        if (trimBlanks(line).empty()) {
            continue;
        }
        const int lineNo = cursor.lineNumber();
        const std::vector<std::string> fields = csvFields(line);
        if (fields.size() != header.size()) {
            fault(lineNo, std::to_string(fields.size()) + " fields where the header has " +
                              std::to_string(header.size()));
            continue;
        }
        RunRow row;
        row.position = static_cast<int>(rows.size());
        row.line = lineNo;
        for (size_t c = 0; c < header.size(); ++c) {
            const std::string& h = header[c];
            const std::string value(trimBlanks(fields[c]));
            if (h == "id") {
                row.id = value;
                if (const std::string p = idProblem(value); !p.empty()) {
                    fault(lineNo, p);
                } else if (!ids.insert(value).second) {
                    fault(lineNo, "the id '" + value + "' is used twice");
                }
                continue;
            }
            if (value.empty()) {
                if (h == "settings") {
                    fault(lineNo, "no setting file");
                }
                continue;
            }
            if (h == "settings" || h == "parameters" || h == "weather") {
                const std::string full = resolveFileName(relative(value));
                if (!fileExists(full)) {
                    fault(lineNo, h + " file \"" + full + "\" not found");
                }
                (h == "settings"     ? row.settings
                 : h == "parameters" ? row.parameters
                                     : row.weather) = full;
            } else if (h == "start" || h == "end") {
                DateSerial d = 0;
                if (!parseIsoDate(value, d)) {
                    fault(lineNo, h + " '" + value + "' is not a date (YYYY-MM-DD)");
                }
                (h == "start" ? row.start : row.end) = d;
            } else if (h == "texture") {
                const std::string t = lowerCase(value);
                row.texture = t == "sand" ? 0 : t == "loam" ? 1 : t == "clay" ? 2 : -1;
                if (row.texture < 0) {
                    fault(lineNo, "texture '" + value + "' is not sand, loam or clay");
                }
            } else {
                double v = 0;
                if (!parseDouble(value, '.', v)) {
                    fault(lineNo, h + " " + invalidFloatMessage(value));
                    continue;
                }
                if (const int s = soilFieldOf(h); s >= 0) {
                    row.soil[s] = v;
                    row.soilText[s] = value;
                } else {
                    row.parameter[parameterIndexOf(h)] = v;
                }
            }
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty() && faults.empty()) {
        faults.push_back(path + ": no rows after the header");
    }
    return rows;
}

// --- Files read once for all runs ----------------------------------------------------------

struct LoadedWeather {
    std::shared_ptr<const WeatherFile> daily;
    bool isDaily = true;
    std::string error;
};

struct LoadedParameters {
    std::optional<ParameterSet> set;
    std::string error;
};

struct LoadedSettings {
    std::optional<PageState> page;
    std::string error;
};

LoadedWeather loadWeather(const std::string& path, std::optional<bool> daily) {
    LoadedWeather w;
    try {
        WeatherFile file = WeatherFile::load(path);
        w.isDaily = daily ? *daily : detectWeatherKind(file) == WeatherKind::Daily;
        // Dates and temperatures decoded once here rather than in every run.
        if (w.isDaily) {
            file.decodeDailyValues();
            w.daily = std::make_shared<const WeatherFile>(std::move(file));
        } else {
            std::string expanded;
            if (!expandMonthlyWeather(file, expanded)) {
                w.error = "Weather data incorrect. Check the weather file and try again";
            } else {
                WeatherFile expandedFile = WeatherFile::parse(path, expanded);
                expandedFile.decodeDailyValues();
                w.daily = std::make_shared<const WeatherFile>(std::move(expandedFile));
            }
        }
    } catch (const std::exception& e) {
        w.error = e.what();
    }
    return w;
}

// --- One run --------------------------------------------------------------------------------

// Keeps what the summary and the bands need from the days the daily result file would hold.
class SummaryObserver : public DailyRowWriter {
public:
    explicit SummaryObserver(bool series) : m_series(series) {}
    void writeDailyRow(int, DateSerial date, const RunState& run) override {
        const SoilTotals& s = run.soil;
        if (m_days == 0) {
            firstDate = date;
            minN = maxN = s.mineralN;
        }
        ++m_days;
        somC = s.somC / 1000;
        resC = s.residueC / 1000;
        ttlC = (s.somC + s.residueC) / 1000;
        netN = s.cumulativeNetN;
        minN = std::min(minN, s.mineralN);
        maxN = std::max(maxN, s.mineralN);
        finite = finite && std::isfinite(somC) && std::isfinite(resC) && std::isfinite(ttlC) &&
                 std::isfinite(netN) && std::isfinite(s.mineralN);
        if (m_series) {
            seriesSom.push_back(somC);
            seriesTtl.push_back(ttlC);
            seriesN.push_back(s.mineralN);
        }
    }
    int days() const { return m_days; }

    DateSerial firstDate = 0;
    double somC = 0, resC = 0, ttlC = 0, netN = 0, minN = 0, maxN = 0;
    bool finite = true;
    std::vector<double> seriesSom, seriesTtl, seriesN;

private:
    bool m_series;
    int m_days = 0;
};

struct RunSpec {
    size_t row = 0; // index into the rows of this process
    int sample = 0; // 1..K, 0 without sampling
    std::string id;
};

struct RunResult {
    bool done = false;
    bool ok = false;
    bool carbonOnly = true;
    std::string message;
    std::string fields; // the six values of the summary, comma-separated
    double seconds = 0;
};

// What every run reads and nothing changes while they run.
struct Inputs {
    const EnsembleOptions* options = nullptr;
    std::vector<RunRow> rows;
    std::map<std::string, LoadedSettings> settings;
    std::map<std::string, LoadedParameters> parameters;
    std::map<std::pair<std::string, int>, LoadedWeather> weather; // path, kind asked (-1: detect)
    std::string startFolder;
    std::string defaultParameters;
    std::vector<int> varyParameter; // index of each --vary's parameter, or -1
    std::vector<int> varySoil;      // index of each --vary's soil field, or -1
};

struct SeriesOut {
    DateSerial firstDate = 0;
    std::vector<double> som, ttl, n;
};

RunResult executeRun(const Inputs& in, const RunSpec& spec, const std::string& outFolder,
                     const std::string& scratch, bool wantSeries, SeriesOut& series) {
    const EnsembleOptions& o = *in.options;
    const RunRow& row = in.rows[spec.row];
    RunResult r;
    r.done = true;
    const auto fail = [&r](std::string message) {
        r.ok = false;
        r.message = std::move(message);
        return r;
    };
    const LoadedSettings& settings = in.settings.at(row.settings);
    if (!settings.page) {
        return fail(settings.error);
    }
    PageState page = *settings.page;
    r.carbonOnly = page.carbonOnly;

    // Overrides of the row, then the sampled values.
    std::optional<double> soil[kSoilFieldCount];
    std::string soilText[kSoilFieldCount];
    for (int s = 0; s < kSoilFieldCount; ++s) {
        soil[s] = row.soil[s];
        soilText[s] = row.soilText[s];
    }
    const std::string& parameterPath =
        row.parameters.empty() ? in.defaultParameters : row.parameters;
    const LoadedParameters& loaded = in.parameters.at(parameterPath);
    if (!loaded.set) {
        return fail(loaded.error);
    }
    ParameterSet parameters = *loaded.set;
    for (int i = 0; i < kParameterCount; ++i) {
        if (row.parameter[i]) {
            parameters[static_cast<size_t>(i)] = *row.parameter[i];
        }
    }
    if (spec.sample > 0) {
        SampleGenerator g(o.seed, static_cast<std::uint64_t>(row.position),
                          static_cast<std::uint64_t>(spec.sample));
        for (size_t v = 0; v < o.vary.size(); ++v) {
            const double x = drawSample(o.vary[v], g);
            if (in.varyParameter[v] >= 0) {
                parameters[static_cast<size_t>(in.varyParameter[v])] = x;
            } else {
                soil[in.varySoil[v]] = x;
                soilText[in.varySoil[v]] = formatGeneral(x);
            }
        }
    }
    std::string* texts[kSoilFieldCount] = {&page.soilCText, &page.bulkDensityText, &page.depthText,
                                           &page.nminText};
    for (int s = 0; s < kSoilFieldCount; ++s) {
        if (soil[s]) {
            if (*soil[s] < 0) {
                return fail("Soil properties must not be negative.");
            }
            *texts[s] = soilText[s];
        }
    }
    if (row.texture >= 0) {
        page.textureIndex = row.texture;
    }
    if (row.start) {
        page.startDate = *row.start;
    }
    if (row.end) {
        page.endDate = *row.end;
    }
    for (int i = 0; i < kParameterCount; ++i) {
        if (const auto problem = parameterProblem(parameters, i)) {
            return fail(std::string("Parameter ") + kParameterShortNames[i] + " = " +
                        formatGeneral(parameters[static_cast<size_t>(i)]) + ": " + *problem);
        }
    }

    RunEnvironment env;
    env.startFolder = in.startFolder;
    env.decimalSeparator = '.';
    env.parameters = parameters;
    std::string weatherPath;
    int kind = page.dailyWeather ? 1 : 0;
    if (!row.weather.empty()) {
        weatherPath = row.weather;
        kind = -1;
    } else if (!page.weatherFileName.empty()) {
        weatherPath = resolveFileName(page.weatherFolder + page.weatherFileName);
    }
    if (!weatherPath.empty()) {
        const auto found = in.weather.find({weatherPath, kind});
        if (found != in.weather.end()) {
            const LoadedWeather& w = found->second;
            if (!w.error.empty()) {
                return fail(w.error);
            }
            env.weather = w.daily;
            if (kind < 0) {
                page.weatherFolder = folderPart(weatherPath);
                page.weatherFileName = fileNamePart(weatherPath);
                page.dailyWeather = w.isDaily;
            }
        }
    }
    SummaryObserver observer(wantSeries);
    env.observer = &observer;
    env.writeResults = o.keepFiles;
    if (o.keepFiles) {
        env.outputFolder = makeFolder(outFolder + spec.id);
        env.formats = plainRecordFormats();
    } else {
        env.outputFolder = scratch; // only an events workbook's working file is written there
    }
    try {
        const RunOutcome outcome = performRun(page, env);
        if (!outcome.ok) {
            return fail(outcome.message);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (observer.days() == 0) {
        return fail("The run simulated no day.");
    }
    if (!observer.finite) {
        return fail("The simulation gave a value that is not a finite number; check the model "
                    "parameters and the inputs of the run.");
    }
    r.ok = true;
    std::string& f = r.fields;
    f = formatFixed(observer.somC, 2) + "," + formatFixed(observer.resC, 2) + "," +
        formatFixed(observer.ttlC, 2) + ",";
    if (!page.carbonOnly) {
        f += formatFixed(observer.netN, 1) + "," + formatFixed(observer.minN, 1) + "," +
             formatFixed(observer.maxN, 1);
    } else {
        f += ",,";
    }
    if (wantSeries) {
        series.firstDate = observer.firstDate;
        series.som = std::move(observer.seriesSom);
        series.ttl = std::move(observer.seriesTtl);
        series.n = std::move(observer.seriesN);
    }
    return r;
}

std::string summaryLine(const std::string& id, const RunResult& r) {
    if (r.ok) {
        return csvField(id) + ",ok,," + r.fields;
    }
    return csvField(id) + ",failed," + csvField(r.message) + ",,,,,,";
}

// The 5th, 50th and 95th percentile of each day over the row's usable runs.
std::string bandsOfRow(const std::string& id, const std::vector<SeriesOut>& runs, bool carbonOnly) {
    std::vector<const SeriesOut*> used;
    for (const SeriesOut& s : runs) {
        if (!s.som.empty()) {
            used.push_back(&s);
        }
    }
    if (used.empty()) {
        return {};
    }
    size_t days = used[0]->som.size();
    for (const SeriesOut* s : used) {
        days = std::min(days, s->som.size());
    }
    std::string out;
    std::vector<double> values(used.size());
    const auto three = [&](const std::vector<double> SeriesOut::*member, size_t day, int decimals) {
        for (size_t k = 0; k < used.size(); ++k) {
            values[k] = (used[k]->*member)[day];
        }
        std::sort(values.begin(), values.end());
        std::string t;
        for (const double p : {0.05, 0.5, 0.95}) {
            t += "," + formatFixed(percentileOfSorted(values, p), decimals);
        }
        return t;
    };
    for (size_t d = 0; d < days; ++d) {
        out += csvField(id) + "," + isoDate(used[0]->firstDate + static_cast<int>(d)) + "," +
               std::to_string(d) + "," + std::to_string(used.size());
        out += three(&SeriesOut::som, d, 2);
        out += three(&SeriesOut::ttl, d, 2);
        out += carbonOnly ? ",,," : three(&SeriesOut::n, d, 1);
        out += "\r\n";
    }
    return out;
}

// --- Output files -------------------------------------------------------------------------

// Lines of an earlier summary, bands or timings file by id, for --resume.
std::map<std::string, std::string> linesById(const std::string& path, const char* header) {
    std::map<std::string, std::string> lines;
    if (!fileExists(path)) {
        return lines;
    }
    const std::string content = readWholeFile(path);
    LineCursor cursor(content);
    std::string_view line;
    if (!cursor.next(line) || line != header) {
        throw OrvekError("File \"" + path + "\" is not an ensemble's file of this program.");
    }
    while (cursor.next(line)) {
        if (line.empty()) {
            continue;
        }
        const std::string id = csvFields(line)[0];
        lines[id] += std::string(line) + "\r\n";
    }
    return lines;
}

std::string formatSeconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", s);
    return buf;
}

void parseShard(const std::string& text, int& k, int& n) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos || !parseInt32(text.substr(0, slash), k) ||
        !parseInt32(text.substr(slash + 1), n) || n < 1 || k < 1 || k > n) {
        throw OrvekError("--shard takes K/N with 1 <= K <= N, not '" + text + "'.");
    }
}

} // namespace

int runEnsemble(const EnsembleOptions& o) {
    // Ctrl-C from the start: while the table and files are read it ends the ensemble with an
    // empty summary, later it lets the running runs finish first.
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    std::vector<std::string> faults;
    std::vector<RunRow> table = readRunTable(o.runsFile, faults);
    Inputs in;
    in.options = &o;
    for (const VarySpec& v : o.vary) {
        const int p = parameterIndexOf(v.name);
        const int s = soilFieldOf(v.name);
        if (p < 0 && s < 0) {
            faults.push_back("--vary: '" + v.name +
                             "' is not a parameter's short name or one of "
                             "soil_c, bulk_density, depth, nmin");
        }
        in.varyParameter.push_back(p);
        in.varySoil.push_back(s);
    }
    if (!faults.empty()) {
        std::cerr << "The run table cannot be used:\n";
        for (size_t i = 0; i < faults.size() && i < 100; ++i) {
            std::cerr << "  " << faults[i] << "\n";
        }
        if (faults.size() > 100) {
            std::cerr << "  ... and " << faults.size() - 100 << " more\n";
        }
        return kExitError;
    }
    const int totalRows = static_cast<int>(table.size());
    for (RunRow& row : table) {
        if (row.position % o.shards == o.shard - 1) {
            in.rows.push_back(std::move(row));
        }
    }

    const std::string out = makeFolder(o.outFolder);
    const auto lock = claimFolder(out);
    Session session;
    const std::string startError = startReadOnlySession(
        session, o.startFolder.empty() ? std::filesystem::current_path().string() : o.startFolder);
    if (!startError.empty()) {
        std::cerr << "orvek-batch: " << startError << "\n";
    }
    in.startFolder = session.startFolder;
    in.defaultParameters = resolveFileName(session.startFolder + kParameterFileName);

    // Every distinct file once, before the first run.
    for (const RunRow& row : in.rows) {
        if (in.settings.count(row.settings) == 0) {
            LoadedSettings& s = in.settings[row.settings];
            try {
                Session copy = session;
                retrieveSettings(copy, row.settings);
                s.page = copy.page;
            } catch (const std::exception& e) {
                s.error = e.what();
            }
        }
        const std::string& p = row.parameters.empty() ? in.defaultParameters : row.parameters;
        if (in.parameters.count(p) == 0) {
            LoadedParameters& lp = in.parameters[p];
            try {
                lp.set = readParameterFile(p);
            } catch (const std::exception& e) {
                lp.error = e.what();
            }
        }
    }
    for (const RunRow& row : in.rows) {
        std::pair<std::string, int> key;
        if (!row.weather.empty()) {
            key = {row.weather, -1};
        } else if (const LoadedSettings& s = in.settings[row.settings];
                   s.page && !s.page->weatherFileName.empty()) {
            key = {resolveFileName(s.page->weatherFolder + s.page->weatherFileName),
                   s.page->dailyWeather ? 1 : 0};
            if (!fileExists(key.first)) {
                continue; // the run's own check says so
            }
        } else {
            continue;
        }
        if (in.weather.count(key) == 0) {
            in.weather[key] = loadWeather(
                key.first, key.second < 0 ? std::nullopt : std::optional<bool>(key.second == 1));
        }
    }

    // The runs, samples of a row together.
    const bool sampling = o.samples > 0;
    std::vector<RunSpec> runs;
    std::vector<size_t> firstRunOfRow(in.rows.size());
    for (size_t r = 0; r < in.rows.size(); ++r) {
        firstRunOfRow[r] = runs.size();
        if (sampling) {
            for (int k = 1; k <= o.samples; ++k) {
                runs.push_back({r, k, in.rows[r].id + "#" + std::to_string(k)});
            }
        } else {
            runs.push_back({r, 0, in.rows[r].id});
        }
    }
    const size_t perRow = sampling ? static_cast<size_t>(o.samples) : 1;

    // --resume: rows whose runs (and bands) are all in the folder already are kept as they are.
    std::map<std::string, std::string> oldSummary, oldBands, oldTimings;
    std::vector<bool> rowSkipped(in.rows.size(), false);
    if (o.resume) {
        oldSummary = linesById(out + kSummaryFileName, kSummaryHeader);
        oldTimings = linesById(out + kTimingsFileName, kTimingsHeader);
        if (sampling) {
            oldBands = linesById(out + kBandsFileName, kBandsHeader);
        }
        for (size_t r = 0; r < in.rows.size(); ++r) {
            bool all = true;
            bool anyOk = false;
            for (size_t k = 0; k < perRow; ++k) {
                const auto it = oldSummary.find(runs[firstRunOfRow[r] + k].id);
                all = all && it != oldSummary.end();
                anyOk = anyOk ||
                        (it != oldSummary.end() && it->second.find(",ok,") != std::string::npos);
            }
            rowSkipped[r] = all && (!sampling || !anyOk || oldBands.count(in.rows[r].id) > 0);
        }
    }

    std::vector<RunResult> results(runs.size());
    std::vector<std::string> bands(in.rows.size());
    std::vector<std::vector<SeriesOut>> series(in.rows.size());
    std::vector<size_t> rowDone(in.rows.size(), 0);
    std::vector<bool> rowComplete(in.rows.size(), false);
    std::vector<size_t> todo;
    for (size_t r = 0; r < in.rows.size(); ++r) {
        if (rowSkipped[r]) {
            rowComplete[r] = true;
            continue;
        }
        if (sampling) {
            series[r].resize(perRow);
        }
        for (size_t k = 0; k < perRow; ++k) {
            todo.push_back(firstRunOfRow[r] + k);
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<size_t> next{0};
    size_t finished = 0;
    size_t failures = 0;
    const int jobs = std::max(1, std::min<int>(o.jobs, static_cast<int>(todo.size())));
    bool needScratch = false;
    for (const auto& [path, s] : in.settings) {
        needScratch = needScratch || (s.page && !s.page->eventsOnPanel);
    }
    const auto worker = [&](int index) {
        const std::string scratch = needScratch && !o.keepFiles
                                        ? makeFolder(out + ".work-" + std::to_string(::getpid()) +
                                                     "-" + std::to_string(index))
                                        : out;
        for (;;) {
            if (g_interrupted != 0) {
                break;
            }
            const size_t t = next.fetch_add(1);
            if (t >= todo.size()) {
                break;
            }
            const RunSpec& spec = runs[todo[t]];
            const auto t0 = Clock::now();
            SeriesOut s;
            RunResult r;
            try {
                r = executeRun(in, spec, out, scratch, sampling, s);
            } catch (const std::exception& e) {
                r.done = true;
                r.ok = false;
                r.message = e.what();
            }
            r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            std::string rowBands;
            bool rowNowComplete = false;
            {
                std::lock_guard<std::mutex> guard(mutex);
                if (sampling && r.ok) {
                    series[spec.row][static_cast<size_t>(spec.sample - 1)] = std::move(s);
                }
                results[todo[t]] = std::move(r);
                ++finished;
                failures += results[todo[t]].ok ? 0 : 1;
                rowNowComplete = ++rowDone[spec.row] == perRow;
            }
            if (rowNowComplete && sampling) {
                // The row's samples are all done: its bands, and its series are let go.
                std::vector<SeriesOut> all;
                {
                    std::lock_guard<std::mutex> guard(mutex);
                    all = std::move(series[spec.row]);
                }
                rowBands = bandsOfRow(in.rows[spec.row].id, all, results[todo[t]].carbonOnly);
            }
            if (rowNowComplete) {
                std::lock_guard<std::mutex> guard(mutex);
                bands[spec.row] = std::move(rowBands);
                rowComplete[spec.row] = true;
            }
            wake.notify_one();
        }
        if (scratch != out) {
            std::error_code ec;
            std::filesystem::remove_all(scratch, ec);
        }
    };

    const auto started = Clock::now();
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs; ++j) {
        threads.emplace_back(worker, j);
    }
    // Progress: continuously on a terminal, else a line every 10 s.
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    auto lastReport = Clock::now();
    {
        std::unique_lock<std::mutex> guard(mutex);
        while (finished < todo.size()) {
            wake.wait_for(guard, std::chrono::milliseconds(200));
            const auto now = Clock::now();
            const double elapsed = std::chrono::duration<double>(now - started).count();
            if ((terminal && now - lastReport >= std::chrono::milliseconds(500)) ||
                now - lastReport >= std::chrono::seconds(10)) {
                lastReport = now;
                const double left = finished > 0 ? elapsed / static_cast<double>(finished) *
                                                       static_cast<double>(todo.size() - finished)
                                                 : 0;
                std::cerr << (terminal ? "\r" : "") << finished << "/" << todo.size()
                          << " runs done, " << failures << " failed, about "
                          << static_cast<long>(left + 0.5) << " s left" << (terminal ? "   " : "\n")
                          << std::flush;
            }
            if (g_interrupted != 0) {
                // Workers stop after their running runs; wait until they have.
                guard.unlock();
                for (std::thread& th : threads) {
                    th.join();
                }
                threads.clear();
                guard.lock();
                break;
            }
        }
    }
    for (std::thread& th : threads) {
        th.join();
    }
    if (terminal) {
        std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    }
    const bool interrupted = g_interrupted != 0;

    // The files, in the table's order; runs that did not finish are left out.
    std::string summary = std::string(kSummaryHeader) + "\r\n";
    std::string timings = std::string(kTimingsHeader) + "\r\n";
    std::string bandsText = std::string(kBandsHeader) + "\r\n";
    std::string rowsText = std::string(kRowsHeader) + "\r\n";
    size_t failed = 0;
    size_t written = 0;
    for (size_t r = 0; r < in.rows.size(); ++r) {
        for (size_t k = 0; k < perRow; ++k) {
            const size_t i = firstRunOfRow[r] + k;
            if (rowSkipped[r]) {
                const std::string& line = oldSummary[runs[i].id];
                summary += line;
                timings += oldTimings[runs[i].id];
                failed += line.find(",failed,") != std::string::npos ? 1 : 0;
                ++written;
            } else if (results[i].done) {
                summary += summaryLine(runs[i].id, results[i]) + "\r\n";
                timings += csvField(runs[i].id) + "," + formatSeconds(results[i].seconds) + "\r\n";
                failed += results[i].ok ? 0 : 1;
                ++written;
            }
        }
        if (rowComplete[r]) {
            bandsText += rowSkipped[r] ? oldBands[in.rows[r].id] : bands[r];
            rowsText += std::to_string(in.rows[r].position) + "," + csvField(in.rows[r].id) + "," +
                        std::to_string(perRow) + "," + std::to_string(totalRows) + "\r\n";
        }
    }
    writeFileAtomically(out + kSummaryFileName, summary);
    writeFileAtomically(out + kTimingsFileName, timings);
    writeFileAtomically(out + kRowsFileName, rowsText);
    if (sampling) {
        writeFileAtomically(out + kBandsFileName, bandsText);
    }
    const double total = std::chrono::duration<double>(Clock::now() - started).count();
    std::cout << written << " runs in " << out << kSummaryFileName << " (" << failed << " failed, "
              << todo.size() << " run now on " << jobs << " thread" << (jobs == 1 ? "" : "s")
              << " in " << formatSeconds(total) << " s)\n";
    if (interrupted) {
        std::cerr << "Stopped: the summary holds the runs that finished; --resume goes on.\n";
        return kExitError;
    }
    return failed > 0 ? kExitCheck : kExitRun;
}

int mergeShards(const std::vector<std::string>& folders, const std::string& outFolder) {
    struct RowBlock {
        std::string id;
        size_t runs = 0;
        size_t folder = 0;
    };
    std::map<int, RowBlock> rows;
    int total = -1;
    std::vector<std::vector<std::string>> summaries(folders.size()), timingLines(folders.size());
    std::vector<std::map<std::string, std::string>> bandsById(folders.size());
    bool anyBands = false;
    for (size_t f = 0; f < folders.size(); ++f) {
        const std::string dir = withTrailingSeparator(folders[f]);
        const std::string rowsPath = dir + kRowsFileName;
        if (!fileExists(rowsPath) || !fileExists(dir + kSummaryFileName)) {
            throw OrvekError("Folder '" + folders[f] + "' holds no ensemble output.");
        }
        const std::string rowsText = readWholeFile(rowsPath);
        LineCursor cursor(rowsText);
        std::string_view line;
        if (!cursor.next(line) || line != kRowsHeader) {
            throw OrvekError("File \"" + rowsPath + "\" is not an ensemble's list of rows.");
        }
        while (cursor.next(line)) {
            const std::vector<std::string> v = csvFields(line);
            int position = 0, runs = 0, of = 0;
            if (v.size() != 4 || !parseInt32(v[0], position) || !parseInt32(v[2], runs) ||
                !parseInt32(v[3], of) || position < 0 || runs < 1) {
                throw OrvekError(atLine(rowsPath, cursor.lineNumber(), "not a row of the list"));
            }
            if (total >= 0 && of != total) {
                throw OrvekError("The folders come from run tables of different lengths.");
            }
            total = of;
            if (!rows.emplace(position, RowBlock{v[1], static_cast<size_t>(runs), f}).second) {
                throw OrvekError("Row " + std::to_string(position + 1) +
                                 " of the run table is in two folders.");
            }
        }
        const auto lines = [](const std::string& path, const char* header) {
            std::vector<std::string> out;
            if (!fileExists(path)) {
                return out;
            }
            const std::string text = readWholeFile(path);
            LineCursor c(text);
            std::string_view l;
            if (!c.next(l) || l != header) {
                throw OrvekError("File \"" + path + "\" is not an ensemble's file.");
            }
            while (c.next(l)) {
                if (!l.empty()) {
                    out.emplace_back(l);
                }
            }
            return out;
        };
        summaries[f] = lines(dir + kSummaryFileName, kSummaryHeader);
        timingLines[f] = lines(dir + kTimingsFileName, kTimingsHeader);
        if (fileExists(dir + kBandsFileName)) {
            anyBands = true;
            for (const std::string& l : lines(dir + kBandsFileName, kBandsHeader)) {
                bandsById[f][csvFields(l)[0]] += l + "\r\n";
            }
        }
    }
    if (total < 0 || static_cast<int>(rows.size()) != total) {
        std::string missing;
        int count = 0;
        for (int p = 0; p < std::max(total, 0) && count < 10; ++p) {
            if (rows.count(p) == 0) {
                missing += (missing.empty() ? "" : ", ") + std::to_string(p + 1);
                ++count;
            }
        }
        throw OrvekError("The folders do not hold every row of the run table (missing rows: " +
                         missing + "); a shard has not finished.");
    }
    // Each folder's summary lines come row after row in its table order.
    std::vector<size_t> cursor(folders.size(), 0);
    std::vector<std::map<std::string, std::string>> summaryById(folders.size()),
        timingById(folders.size());
    for (size_t f = 0; f < folders.size(); ++f) {
        for (const std::string& l : summaries[f]) {
            summaryById[f][csvFields(l)[0]] += l + "\r\n";
        }
        for (const std::string& l : timingLines[f]) {
            timingById[f][csvFields(l)[0]] += l + "\r\n";
        }
    }
    std::string summary = std::string(kSummaryHeader) + "\r\n";
    std::string timings = std::string(kTimingsHeader) + "\r\n";
    std::string bands = std::string(kBandsHeader) + "\r\n";
    std::string rowsText = std::string(kRowsHeader) + "\r\n";
    for (const auto& [position, block] : rows) {
        const size_t f = block.folder;
        for (size_t k = 1; k <= block.runs; ++k) {
            const std::string id = block.runs == 1 && summaryById[f].count(block.id) > 0
                                       ? block.id
                                       : block.id + "#" + std::to_string(k);
            const auto it = summaryById[f].find(id);
            if (it == summaryById[f].end()) {
                throw OrvekError("The summary of folder '" + folders[f] + "' has no run '" + id +
                                 "'.");
            }
            summary += it->second;
            timings += timingById[f][id];
        }
        bands += bandsById[f][block.id];
        rowsText += std::to_string(position) + "," + csvField(block.id) + "," +
                    std::to_string(block.runs) + "," + std::to_string(total) + "\r\n";
    }
    const std::string out = makeFolder(outFolder);
    const auto lock = claimFolder(out);
    writeFileAtomically(out + kSummaryFileName, summary);
    writeFileAtomically(out + kTimingsFileName, timings);
    writeFileAtomically(out + kRowsFileName, rowsText);
    if (anyBands) {
        writeFileAtomically(out + kBandsFileName, bands);
    }
    std::cout << rows.size() << " rows of " << folders.size() << " folders merged into " << out
              << kSummaryFileName << "\n";
    return kExitRun;
}

int ensembleCommand(const std::vector<std::string>& args) {
    EnsembleOptions o;
    std::vector<std::string> merge;
    bool merging = false;
    try {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            const bool hasValue = i + 1 < args.size();
            const auto number = [&](const char* what) {
                int v = 0;
                if (!hasValue || !parseInt32(args[i + 1], v) || v < 1) {
                    throw OrvekError(std::string(what) + " takes a whole number of 1 or more.");
                }
                ++i;
                return v;
            };
            if (a == "--runs" && hasValue) {
                o.runsFile = args[++i];
            } else if (a == "--out" && hasValue) {
                o.outFolder = args[++i];
            } else if (a == "--start-folder" && hasValue) {
                o.startFolder = args[++i];
            } else if (a == "--jobs") {
                o.jobs = number("--jobs");
            } else if (a == "--samples") {
                o.samples = number("--samples");
            } else if (a == "--seed" && hasValue) {
                const std::string& s = args[++i];
                char* end = nullptr;
                errno = 0;
                const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
                if (s.empty() || s[0] == '-' || *end != '\0' || errno != 0) {
                    throw OrvekError("--seed takes a whole number from 0 to 2^64-1.");
                }
                o.seed = v;
            } else if (a == "--vary" && hasValue) {
                VarySpec spec;
                const std::string problem = parseVarySpec(args[++i], spec);
                if (!problem.empty()) {
                    throw OrvekError("--vary: " + problem + ".");
                }
                o.vary.push_back(spec);
            } else if (a == "--shard" && hasValue) {
                parseShard(args[++i], o.shard, o.shards);
            } else if (a == "--keep-files") {
                o.keepFiles = true;
            } else if (a == "--resume") {
                o.resume = true;
            } else if (a == "--merge") {
                merging = true;
            } else if (merging && !a.empty() && a[0] != '-') {
                merge.push_back(a);
            } else {
                throw OrvekError("Unknown or incomplete option '" + a +
                                 "'; see orvek-batch "
                                 "--help.");
            }
        }
        if (o.outFolder.empty()) {
            throw OrvekError("--out DIR is needed.");
        }
        if (merging) {
            if (merge.empty()) {
                throw OrvekError("--merge takes the folders to join.");
            }
            return mergeShards(merge, o.outFolder);
        }
        if (o.runsFile.empty()) {
            throw OrvekError("--runs RUNS.csv is needed.");
        }
        if (!o.vary.empty() && o.samples == 0) {
            throw OrvekError("--vary needs --samples K.");
        }
        if (o.samples > 0 && o.vary.empty()) {
            throw OrvekError("--samples needs at least one --vary.");
        }
        if (!o.startFolder.empty() && !folderExists(o.startFolder)) {
            throw OrvekError("Folder '" + o.startFolder + "' not found.");
        }
        return runEnsemble(o);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitError;
    }
}

} // namespace orvek::batch
