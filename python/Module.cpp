// The module "orvek._core": the run layer of Orvek C&N for Python. It holds no model logic of
// its own; every check, setting and result comes from the same functions the window and
// orvek-batch call.

#include "Binding.h"

#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/ParameterSave.h"
#include "model/Events.h"
#include "run/StartFolder.h"

#include <pybind11/stl.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <thread>

namespace orvek::python {

namespace {

std::string g_dataFolder; // set once at import, before any run

// A start folder of one run, removed with everything in it afterwards.
class PrivateFolder {
public:
    PrivateFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "orvek-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw OrvekError(cannotOpenMessage(name, errno));
        }
        m_path = name + "/";
    }
    ~PrivateFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void copyInto(const std::string& from, const std::string& to) {
    writeFileAtomically(to, readWholeFile(resolveFileName(from)));
}

std::string shortestText(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace

const std::string& dataFolder() {
    return g_dataFolder;
}

void setDataFolder(const std::string& folder) {
    g_dataFolder = withTrailingSeparator(folder);
}

Parameters readParameters(const std::string& path) {
    Parameters p;
    p.values = readParameterFile(resolveFileName(path));
    p.lines = readParameterLines(resolveFileName(path));
    return p;
}

void runInPrivateFolder(const PageState& page, char decimalSeparator, const Parameters* parameters,
                        const std::string& startFolder, Result& result) {
    PrivateFolder folder;
    if (startFolder.empty()) {
        fillStartFolder(folder.path(), dataFolder(), FillRule::IfEmptyOnly);
    } else {
        copyInto(withTrailingSeparator(startFolder) + kParameterFileName,
                 folder.path() + kParameterFileName);
    }
    if (parameters != nullptr) {
        ParameterTexts texts;
        for (size_t i = 0; i < texts.size(); ++i) {
            texts[i] = parameters->lines[i].numberText;
        }
        saveParameterFile(folder.path(), texts);
    }
    RunEnvironment env;
    env.startFolder = folder.path();
    env.decimalSeparator = decimalSeparator;
    env.formats = plainRecordFormats();
    env.writeResults = false;
    env.texts = &result.texts;
    env.series = &result.series;
    const RunOutcome out = performRun(page, env);
    if (!out.ok) {
        throw CheckFailedError(out.message);
    }
    result.last = out.last;
    result.simulationSeconds = out.simulationSeconds;
}

py::object dateObject(DateSerial date) {
    const CalendarDate c = decodeDate(date);
    return py::module_::import("datetime").attr("date")(c.year, c.month, c.day);
}

DateSerial dateFrom(py::handle value) {
    py::object v = py::reinterpret_borrow<py::object>(value);
    if (py::isinstance<py::str>(v)) {
        v = py::module_::import("datetime").attr("date").attr("fromisoformat")(v);
    }
    if (!py::hasattr(v, "year") || !py::hasattr(v, "month") || !py::hasattr(v, "day")) {
        throw py::type_error("a date (datetime.date or \"YYYY-MM-DD\") is expected");
    }
    DateSerial d = 0;
    if (!tryEncodeDate(v.attr("year").cast<int>(), v.attr("month").cast<int>(),
                       v.attr("day").cast<int>(), d)) {
        throw py::value_error("The date lies outside the dates the program can hold.");
    }
    return d;
}

namespace {

const char* const kRunDoc = R"(run(settings, parameters=None, start_folder=None) -> Result

Runs the model on the settings as "Run..." in the window and orvek-batch do: the same checks
in the same order, the same simulation and the same result files, kept in memory.

settings      a Settings (read_settings or Settings()).
parameters    a Parameters to run with; None takes Parameter.Orvek of the start folder.
start_folder  a folder holding Parameter.Orvek; None takes the bundled one. The run itself
              happens in a private temporary folder, so nothing is written to this folder
              and no result file is left behind; Result.save(folder) writes them.

Raises CheckFailed with the program's message when a check of the inputs fails, FileError
for a file, conversion or date error. The interpreter lock is released while the model runs.

    >>> s = orvek.read_settings(orvek.DATA_FOLDER + "/Example.stg")
    >>> r = orvek.run(s)
    >>> r.daily[["res_C_Mg_ha", "ttl_Nm_kg_ha"]].plot())";

const char* const kRunManyDoc =
    R"(run_many(settings_list, parameters=None, start_folder=None, jobs=2) -> list of Result

Runs every Settings of the list as run() does, on `jobs` threads with the interpreter lock
released, and returns the results in the order of the list. Each run is independent and gives
exactly what run() gives for it. The first failure (in list order) is raised after all runs
have ended.)";

// The inputs are copied while the interpreter lock is held, so that another Python thread that
// changes the same objects during the run cannot change what the run reads.
std::unique_ptr<Result> runSettings(const Settings& s, const Parameters* p,
                                    const std::string& startFolder) {
    auto r = std::make_unique<Result>();
    const PageState page = s.session.page;
    const std::optional<Parameters> parameters =
        p != nullptr ? std::optional<Parameters>(*p) : std::nullopt;
    py::gil_scoped_release release;
    runInPrivateFolder(page, s.session.decimalSeparator, parameters ? &*parameters : nullptr,
                       startFolder, *r);
    return r;
}

std::vector<std::unique_ptr<Result>> runMany(const std::vector<Settings>& list, const Parameters* p,
                                             const std::string& startFolder, int jobs) {
    if (jobs < 1) {
        throw py::value_error("jobs must be at least 1");
    }
    const size_t n = list.size();
    const std::optional<Parameters> parameters =
        p != nullptr ? std::optional<Parameters>(*p) : std::nullopt;
    std::vector<std::unique_ptr<Result>> results(n);
    std::vector<std::exception_ptr> errors(n);
    {
        py::gil_scoped_release release;
        std::atomic<size_t> next{0};
        auto work = [&] {
            for (size_t i = next++; i < n; i = next++) {
                try {
                    auto r = std::make_unique<Result>();
                    runInPrivateFolder(list[i].session.page, list[i].session.decimalSeparator,
                                       parameters ? &*parameters : nullptr, startFolder, *r);
                    results[i] = std::move(r);
                } catch (...) {
                    errors[i] = std::current_exception();
                }
            }
        };
        std::vector<std::thread> threads;
        const size_t count = std::min(static_cast<size_t>(jobs), std::max<size_t>(n, 1));
        for (size_t t = 1; t < count; ++t) {
            threads.emplace_back(work);
        }
        work();
        for (std::thread& t : threads) {
            t.join();
        }
    }
    for (const std::exception_ptr& e : errors) {
        if (e) {
            std::rethrow_exception(e);
        }
    }
    return results;
}

void bindParameters(py::module_& m) {
    py::class_<Parameters> c(m, "Parameters", R"(The 27 internal parameters of the model.

Read and change them by their short names (PARAMETER_NAMES) as attributes or items:
p.q10, p["som_r"] = 0.05. A change is checked as the parameter dialog checks it.)");
    c.def("__getitem__", [](const Parameters& p, const std::string& name) {
        const int i = parameterIndexOf(name);
        if (i < 0) {
            throw py::key_error(name);
        }
        return p.values[static_cast<size_t>(i)];
    });
    auto set = [](Parameters& p, int i, double value) {
        ParameterSet values = p.values;
        values[static_cast<size_t>(i)] = value;
        for (int j = 0; j < kParameterCount; ++j) {
            if (const auto problem = parameterProblem(values, j)) {
                throw CheckFailedError(parameterName(j) + ": " + *problem);
            }
        }
        p.values = values;
        p.lines[static_cast<size_t>(i)].numberText = shortestText(value);
        p.lines[static_cast<size_t>(i)].value = value;
    };
    c.def("__setitem__", [set](Parameters& p, const std::string& name, double value) {
        const int i = parameterIndexOf(name);
        if (i < 0) {
            throw py::key_error(name);
        }
        set(p, i, value);
    });
    for (int i = 0; i < kParameterCount; ++i) {
        c.def_property(
            kParameterShortNames[i],
            [i](const Parameters& p) { return p.values[static_cast<size_t>(i)]; },
            [i, set](Parameters& p, double v) { set(p, i, v); }, parameterName(i).c_str());
    }
    c.def("to_dict", [](const Parameters& p) {
        py::dict d;
        for (int i = 0; i < kParameterCount; ++i) {
            d[kParameterShortNames[i]] = p.values[static_cast<size_t>(i)];
        }
        return d;
    });
    c.def("copy", [](const Parameters& p) { return p; });
    c.def("__repr__", [](const Parameters& p) {
        return "Parameters(" + py::repr(py::cast(p).attr("to_dict")()).cast<std::string>() + ")";
    });
    m.def(
        "read_parameters",
        [](const std::optional<std::string>& path) {
            const std::string p = path ? *path : dataFolder() + kParameterFileName;
            py::gil_scoped_release release;
            return readParameters(p);
        },
        py::arg("path") = py::none(),
        "Reads a parameter file (the bundled Parameter.Orvek when path is None) with the "
        "run's checks; raises FileError naming the file and line.");
}

} // namespace

} // namespace orvek::python

PYBIND11_MODULE(_core, m) {
    namespace py = pybind11;
    using namespace orvek::python;
    m.doc() = "The engine of Orvek C&N; use the package orvek.";
    static py::exception<CheckFailedError> checkFailed(m, "CheckFailed", PyExc_ValueError);
    static py::exception<orvek::OrvekError> fileError(m, "FileError", PyExc_OSError);
    checkFailed.attr("__doc__") =
        "A check of the run's inputs failed; the message is the program's.";
    fileError.attr("__doc__") = "A file, conversion or date error; the message is the program's.";
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const CheckFailedError& e) {
            checkFailed(e.what());
        } catch (const orvek::OrvekError& e) {
            fileError(e.what());
        }
    });
    m.def("_set_data_folder", &setDataFolder);
    py::list substrates;
    for (const char* name : orvek::kSubstrateTypeNames) {
        substrates.append(name);
    }
    m.attr("SUBSTRATES") = substrates;
    py::list names;
    for (const char* name : orvek::kParameterShortNames) {
        names.append(name);
    }
    m.attr("PARAMETER_NAMES") = names;

    bindSettings(m);
    bindParameters(m);
    bindResult(m);
    m.def(
        "run",
        [](const Settings& s, const Parameters* p, const std::optional<std::string>& folder) {
            return runSettings(s, p, folder.value_or(std::string()));
        },
        py::arg("settings"), py::arg("parameters") = py::none(),
        py::arg("start_folder") = py::none(), kRunDoc);
    m.def(
        "run_many",
        [](const std::vector<Settings>& list, const Parameters* p,
           const std::optional<std::string>& folder,
           int jobs) { return runMany(list, p, folder.value_or(std::string()), jobs); },
        py::arg("settings_list"), py::arg("parameters") = py::none(),
        py::arg("start_folder") = py::none(), py::arg("jobs") = 2, kRunManyDoc);
}
