// Settings and Event: the input page of a setting file with readable names. Every change goes
// through the page's own rules (the stock follows the soil fields, checked rows get their
// defaults), so that a run and a saved file see what the window would hold.

#include "Binding.h"

#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/OptionsFile.h"
#include "model/Events.h"
#include "run/PageRules.h"

#include <pybind11/stl.h>

namespace orvek::python {

namespace {

// A page field as Python sees it: its number when the field holds one, else the text as typed,
// which the run's checks will judge.
py::object fieldValue(const std::string& text, char separator) {
    double value = 0;
    if (parseDouble(text, separator, value)) {
        return py::float_(value);
    }
    return py::str(toUtf8(text));
}

std::string fieldText(py::handle value, char separator) {
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (py::isinstance<py::bool_>(value) ||
        !(py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value))) {
        throw py::type_error("a number or a text is expected");
    }
    return formatGeneral(value.cast<double>(), separator);
}

struct Event {
    py::object date;
    int substrate = 1;
    py::object c;
    py::object cn;
};

const char* const kModes[2] = {"C & N", "C only"};

std::vector<Event> eventsOf(const Settings& s) {
    std::vector<Event> out;
    const PageState& page = s.session.page;
    if (!page.eventsOnPanel) {
        return out;
    }
    for (const EventRowState& row : page.rows) {
        if (row.checked) {
            out.push_back(Event{dateObject(row.date), row.typeIndex + 1,
                                fieldValue(row.cText, s.session.decimalSeparator),
                                fieldValue(row.cnText, s.session.decimalSeparator)});
        }
    }
    return out;
}

void setEvents(Settings& s, const std::vector<Event>& events) {
    if (events.size() > static_cast<size_t>(kEventRows)) {
        throw py::value_error("The input page holds " + std::to_string(kEventRows) +
                              " events; give more in an events workbook (events_file).");
    }
    const char sep = s.session.decimalSeparator;
    // Everything is converted before the page changes, so that a bad event leaves it as it was.
    std::vector<std::array<std::string, 2>> texts;
    std::vector<DateSerial> dates;
    for (const Event& e : events) {
        if (e.substrate < 1 || e.substrate > static_cast<int>(s.session.substrates.size())) {
            throw py::value_error("The substrate is a type code from 1 to " +
                                  std::to_string(s.session.substrates.size()) + ".");
        }
        texts.push_back(
            {fieldText(e.c, sep), e.cn.is_none() ? std::string() : fieldText(e.cn, sep)});
        dates.push_back(dateFrom(e.date));
    }
    PageModel model(s.session);
    model.setEventsOnPanel(true);
    for (int row = 0; row < kEventRows; ++row) {
        model.setRowChecked(row, false);
    }
    for (size_t i = 0; i < events.size(); ++i) {
        const int row = static_cast<int>(i);
        model.setRowChecked(row, true);
        model.setRowType(row, events[i].substrate - 1);
        EventRowState& r = s.session.page.rows[i];
        r.cText = texts[i][0];
        r.cnText = texts[i][1];
        r.date = dates[i];
    }
}

template <typename F> void withModel(Settings& s, F f) {
    PageModel model(s.session);
    f(model);
}

void soilProperty(py::class_<Settings>& c, const char* name, std::string PageState::*field,
                  SoilField soil, const char* doc) {
    c.def_property(
        name,
        [field](const Settings& s) {
            return fieldValue(s.session.page.*field, s.session.decimalSeparator);
        },
        [soil](Settings& s, py::handle v) {
            // The stock is recomputed from the new text; a text it cannot read changes nothing.
            Settings changed = s;
            const std::string text = fieldText(v, s.session.decimalSeparator);
            withModel(changed, [&](PageModel& m) { m.setSoilText(soil, text); });
            s = std::move(changed);
        },
        doc);
}

} // namespace

Settings defaultSettings(char decimalSeparator) {
    Settings s;
    s.session.decimalSeparator = decimalSeparator;
    s.session.startFolder = dataFolder();
    s.session.workingFolder = dataFolder();
    s.session.page.weatherFolder = dataFolder();
    s.session.substrates = readSubstrateList(dataFolder() + kSubstratesFileName);
    loadDefaults(s.session);
    return s;
}

void bindSettings(py::module_& m) {
    py::class_<Event>(m, "Event", "One substrate input event of the input page.")
        .def(py::init([](py::object date, int substrate, py::object c, py::object cn) {
                 return Event{std::move(date), substrate, std::move(c), std::move(cn)};
             }),
             py::arg("date"), py::arg("substrate"), py::arg("c"), py::arg("cn") = py::none(),
             "Event(date, substrate, c, cn=None): the date, the substrate type code (1 to 6, "
             "see SUBSTRATES), C in Mg/ha and the C:N ratio (C & N mode).")
        .def_readwrite("date", &Event::date)
        .def_readwrite("substrate", &Event::substrate)
        .def_readwrite("c", &Event::c)
        .def_readwrite("cn", &Event::cn)
        .def("__repr__", [](const Event& e) {
            return "Event(" + py::repr(e.date).cast<std::string>() + ", " +
                   std::to_string(e.substrate) + ", " + py::repr(e.c).cast<std::string>() + ", " +
                   py::repr(e.cn).cast<std::string>() + ")";
        });

    py::class_<Settings> c(m, "Settings", R"(The settings of a run, as the input page holds them.

Settings() starts from the bundled options; read_settings(path) reads a setting file. Numbers
read back as floats, or as the text in the file when it is no number (the run's checks say
what is wrong with it). Changes follow the input page's rules.)");
    c.def(py::init([](char sep) { return defaultSettings(sep); }),
          py::arg("decimal_separator") = '.');
    c.def(
        "save",
        [](const Settings& s, const std::string& path) {
            py::gil_scoped_release release;
            saveSettings(s.session, path);
        },
        py::arg("path"),
        "Writes the 67-line setting file as the window's \"Save input settings\" does.");
    c.def(
        "copy", [](const Settings& s) { return s; }, "An independent copy.");
    c.def("__copy__", [](const Settings& s) { return s; });
    c.def("__deepcopy__", [](const Settings& s, py::handle) { return s; });
    c.def_property(
        "mode", [](const Settings& s) { return kModes[s.session.page.carbonOnly ? 1 : 0]; },
        [](Settings& s, const std::string& mode) {
            if (mode != kModes[0] && mode != kModes[1]) {
                throw py::value_error("The mode is \"C only\" or \"C & N\".");
            }
            withModel(s, [&](PageModel& pm) { pm.setCarbonOnly(mode == kModes[1]); });
        },
        "\"C only\" or \"C & N\".");
    c.def_property(
        "start", [](const Settings& s) { return dateObject(s.session.page.startDate); },
        [](Settings& s, py::handle d) { s.session.page.startDate = dateFrom(d); },
        "The first simulated day (datetime.date).");
    c.def_property(
        "end", [](const Settings& s) { return dateObject(s.session.page.endDate); },
        [](Settings& s, py::handle d) { s.session.page.endDate = dateFrom(d); },
        "The last simulated day (datetime.date).");
    c.def_property(
        "weather",
        [](const Settings& s) {
            const PageState& p = s.session.page;
            return p.weatherFileName.empty() ? std::string()
                                             : toUtf8(p.weatherFolder + p.weatherFileName);
        },
        [](Settings& s, const std::string& path) {
            py::gil_scoped_release release;
            selectWeatherFile(s.session.page, path, plainRecordFormats().shortDate);
        },
        "The weather file; setting it reads and checks the whole file first.");
    c.def_property_readonly("weather_kind",
                            [](const Settings& s) { return s.session.page.weatherKindText; });
    c.def_property_readonly("weather_period",
                            [](const Settings& s) { return s.session.page.weatherPeriodText; });
    c.def_property("events", &eventsOf, &setEvents,
                   "The events of the input page, a list of Event (at most 10); setting them "
                   "selects \"Set on this panel\". Empty when the events come from a workbook. "
                   "Each read gives a new list: change it and assign it back.");
    c.def_property(
        "events_file",
        [](const Settings& s) {
            return s.session.page.eventsOnPanel ? py::object(py::none())
                                                : py::object(py::str(s.session.page.eventsFile));
        },
        [](Settings& s, const std::optional<std::string>& path) {
            if (!path) {
                withModel(s, [](PageModel& pm) { pm.setEventsOnPanel(true); });
                return;
            }
            const std::string& p = *path;
            withModel(s, [](PageModel& pm) { pm.setEventsOnPanel(false); });
            s.session.page.eventsFile = p;
            s.session.page.eventsFileName = fileNamePart(p);
        },
        "The events workbook (.xls) when the events are \"Set in Excel file\", else None.");
    soilProperty(c, "soil_c_content", &PageState::soilCText, SoilField::Content,
                 "Soil C content, g/kg.");
    soilProperty(c, "bulk_density", &PageState::bulkDensityText, SoilField::BulkDensity,
                 "Bulk density, g/cm3.");
    soilProperty(c, "depth", &PageState::depthText, SoilField::Depth, "Depth, cm.");
    c.def_property_readonly(
        "soil_c_stock",
        [](const Settings& s) {
            return fieldValue(s.session.page.stockText, s.session.decimalSeparator);
        },
        "The soil C stock the page shows, Mg/ha.");
    c.def_property(
        "nmin",
        [](const Settings& s) {
            return fieldValue(s.session.page.nminText, s.session.decimalSeparator);
        },
        [](Settings& s, py::handle v) {
            s.session.page.nminText = fieldText(v, s.session.decimalSeparator);
        },
        "Initial mineral N, kg/ha (C & N mode).");
    c.def_property(
        "texture",
        [](const Settings& s) -> py::object {
            const int i = s.session.page.textureIndex;
            return i >= 0 && i < 3 ? py::object(py::str(kTextureNames[i])) : py::object(py::none());
        },
        [](Settings& s, const std::string& name) {
            for (int i = 0; i < 3; ++i) {
                if (name == kTextureNames[i]) {
                    s.session.page.textureIndex = i;
                    return;
                }
            }
            throw py::value_error("The texture is \"Sand\", \"Loam\" or \"Clay\".");
        },
        "\"Sand\", \"Loam\" or \"Clay\".");
    c.def_property(
        "output_step",
        [](const Settings& s) { return s.session.page.dailyOutput ? "daily" : "monthly"; },
        [](Settings& s, const std::string& step) {
            if (step != "daily" && step != "monthly") {
                throw py::value_error("The output step is \"daily\" or \"monthly\".");
            }
            s.session.page.dailyOutput = step == "daily";
        },
        "\"daily\" or \"monthly\", the time step of the setting file's output.");

    m.def(
        "read_settings",
        [](const std::string& path, char sep) {
            Settings s = defaultSettings(sep);
            py::gil_scoped_release release;
            retrieveSettings(s.session, path);
            return s;
        },
        py::arg("path"), py::arg("decimal_separator") = '.',
        R"(Reads a setting file (.stg) as "Retrieve input settings" does.

A relative weather or events file is taken from the setting file's folder. Numbers typed with
a decimal comma read with decimal_separator=",". Raises FileError for a missing file or a line
that is not what it should hold.)");
}

} // namespace orvek::python
