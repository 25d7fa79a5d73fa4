#include "model/Events.h"

#include "basics/Text.h"
#include "model/RunState.h"

#include <charconv>
#include <cmath>

namespace orvek {

std::string inputEventsHeading() {
    return "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n";
}

void appendInputEventLine(std::string& out, int event, int month, int day, int year, int code,
                          double cMg, double cn, bool withCn) {
    for (int v : {event, month, day, year, code}) {
        out += std::to_string(v);
        out += '\t';
    }
    appendFixed(out, cMg, 3);
    if (withCn) {
        out += '\t';
        appendFixed(out, cn, 1);
    }
    out += "\r\n";
}

namespace {

struct LineReader {
    std::string_view line;
    size_t pos = 0;

    std::string_view next() {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        const size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
            ++pos;
        }
        return line.substr(start, pos - start);
    }
    bool nextInt(int& v) { return parseInt32(next(), v); }
    bool nextDouble(double& v) { return parseDouble(next(), '.', v); }
};

} // namespace

void readInputEvents(std::string_view content, RunState& run) {
    const std::vector<std::string> lines = splitLines(withoutTextMarks(content));
    run.events.clear();
    DateSerial previous = run.startDate;
    for (size_t k = 1; k < lines.size(); ++k) {
        if (trimBlanks(lines[k]).empty()) {
            continue;
        }
        LineReader r{lines[k]};
        int j = 0;
        int month = 0;
        int day = 0;
        int year = 0;
        int code = 0;
        double c = 0;
        double cn = 0;
        DateSerial date = 0;
        const bool read = r.nextInt(j) && r.nextInt(month) && r.nextInt(day) && r.nextInt(year) &&
                          r.nextInt(code) && r.nextDouble(c) &&
                          (run.carbonOnly || r.nextDouble(cn));
        // The events must be numbered 1, 2, 3, ... and hold amounts the model can use; anything
        // else would index outside the table or divide by zero.
        const bool usable = read && j == static_cast<int>(run.events.size()) + 1 &&
                            j <= kMaxEvents && code >= 1 && code <= kSubstrateTypes && c > 0 &&
                            std::isfinite(c * 1000) && (run.carbonOnly || cn > 0) &&
                            std::isfinite(c * 1000 / (run.carbonOnly ? 1 : cn)) &&
                            tryEncodeDate(year, month, day, date);
        if (!usable) {
            run.events.clear();
            run.fail(kInputIncorrectMessage, 1);
            return;
        }
        run.events.push_back(SubstrateEvent{code, c * 1000, run.carbonOnly ? 0 : cn, date});
        if (run.events.front().date < run.startDate) {
            run.fail("First input must not set before starting date!", 1);
            return;
        }
        if (date < previous) {
            run.fail("Input events must be in the chronological order from early to recent events!",
                     1);
            return;
        }
        if (date > run.endDate) {
            run.fail("Dates of input events set beyond the ending date of the simulation!", 1);
            return;
        }
        previous = date;
    }
    if (run.events.empty()) {
        run.fail(kInputIncorrectMessage, 1);
    }
}

} // namespace orvek
