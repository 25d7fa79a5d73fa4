#pragma once

#include "formats/PageState.h"

#include <string>

namespace orvek {

// The default date of a newly checked row below the first: the same day number of the year one
// year after the row above, or the end date when that is earlier. Day 366 of a leap year has no
// counterpart in the next year and becomes its 31 December.
DateSerial defaultRowDate(DateSerial rowAbove, DateSerial endDate);

// The soil carbon stock shown on the page, C x BD x D / 10 in Mg/ha, in the shortest general
// form. Raises OrvekError with the conversion message for a text that is not a number.
std::string soilStockText(const std::string& soilC, const std::string& bulkDensity,
                          const std::string& depth, char decimalSeparator);

enum class SoilField { Content, BulkDensity, Depth };

// The input page's rules applied to a PageState, for the command-line runner and for tests; the
// window runs the same rules in its widget handlers.
class PageModel {
public:
    PageModel(PageState& page, int substrateEntries, char decimalSeparator)
        : m_page(page), m_entries(substrateEntries), m_separator(decimalSeparator) {}

    PageState& page() { return m_page; }

    // Each runs its rule only when the state changes.
    void setRowChecked(int row, bool checked);
    void setCarbonOnly(bool carbonOnly);
    void setEventsOnPanel(bool onPanel);
    // Puts the text into the field and recomputes the stock; an empty field becomes "0".
    void setSoilText(SoilField field, const std::string& text);
    void setRowType(int row, int index);

private:
    void applyEventRowRule(int row);

    PageState& m_page;
    int m_entries;
    char m_separator;
};

} // namespace orvek
