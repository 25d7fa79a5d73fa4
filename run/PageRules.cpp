#include "run/PageRules.h"

#include "basics/Errors.h"
#include "basics/Text.h"

namespace orvek {

DateSerial defaultRowDate(DateSerial rowAbove, DateSerial endDate) {
    const CalendarDate above = decodeDate(rowAbove);
    const int doy = dayOfYear(rowAbove);
    DateSerial next = 0;
    if (!tryDateFromYearDay(above.year + 1, doy, next) &&
        !tryEncodeDate(above.year + 1, 12, 31, next)) {
        return endDate;
    }
    return next > endDate ? endDate : next;
}

std::string soilStockText(const std::string& soilC, const std::string& bulkDensity,
                          const std::string& depth, char decimalSeparator) {
    double values[3] = {0, 0, 0};
    const std::string* texts[3] = {&soilC, &bulkDensity, &depth};
    for (int k = 0; k < 3; ++k) {
        if (!parseDouble(*texts[k], decimalSeparator, values[k])) {
            throw OrvekError(invalidFloatMessage(*texts[k]));
        }
    }
    return formatGeneral(values[0] * values[1] * values[2] / 10, decimalSeparator);
}

void PageModel::setRowChecked(int row, bool checked) {
    EventRowState& r = m_page.rows[static_cast<size_t>(row)];
    if (r.checked == checked) {
        return;
    }
    r.checked = checked;
    applyEventRowRule(row);
}

void PageModel::applyEventRowRule(int row) {
    EventRowState& r = m_page.rows[static_cast<size_t>(row)];
    if (!r.checked) {
        return; // the fields are disabled; texts, type and date stay
    }
    r.typeIndex = m_entries > 0 ? 0 : -1;
    if (row == 0) {
        r.date = m_page.startDate;
    } else {
        r.date = defaultRowDate(m_page.rows[static_cast<size_t>(row) - 1].date, m_page.endDate);
    }
}

void PageModel::setCarbonOnly(bool carbonOnly) {
    m_page.carbonOnly = carbonOnly;
}

void PageModel::setEventsOnPanel(bool onPanel) {
    if (m_page.eventsOnPanel == onPanel) {
        return;
    }
    m_page.eventsOnPanel = onPanel;
    if (!onPanel) {
        for (int i = 0; i < kEventRows; ++i) {
            setRowChecked(i, false);
        }
    }
}

void PageModel::setSoilText(SoilField field, const std::string& text) {
    std::string* target = field == SoilField::Content       ? &m_page.soilCText
                          : field == SoilField::BulkDensity ? &m_page.bulkDensityText
                                                            : &m_page.depthText;
    *target = text;
    static const std::string zero = "0";
    for (std::string* f : {&m_page.soilCText, &m_page.bulkDensityText, &m_page.depthText}) {
        if (f->empty()) {
            f->assign(zero);
        }
    }
    m_page.stockText =
        soilStockText(m_page.soilCText, m_page.bulkDensityText, m_page.depthText, m_separator);
}

void PageModel::setRowType(int row, int index) {
    m_page.rows[static_cast<size_t>(row)].typeIndex = index >= 0 && index < m_entries ? index : -1;
}

} // namespace orvek
