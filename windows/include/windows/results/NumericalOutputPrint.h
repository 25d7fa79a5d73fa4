#pragma once

#include <QFont>
#include <QStringList>

#include <functional>

class QPrinter;

namespace orvek::ui {

// What the text device needs to know of the font and the printable area, in device units.
struct TextDeviceMetrics {
    double pageWidth = 0;
    double pageHeight = 0;
    double lineHeight = 0;
    double averageCharWidth = 0;
    std::function<double(const QString&)> advance; // width of a text without TABs
};

// Receives each piece of text at its place: page (from 0), left and top of its line.
using PlaceText = std::function<void(int page, double x, double y, const QString& text)>;

// Lays text out as a printer's text device does: lines start at the left edge of the printable
// area; a TAB moves to the next multiple of eight average character widths from that edge; a
// line wider than the page continues on the next line from the left edge; a new page begins
// when the next line would start less than two line heights above the bottom. Returns the
// number of pages.
int layoutTextDevice(const QStringList& lines, const TextDeviceMetrics& metrics,
                     const PlaceText& place);

// The lines the printout writes for the memo: five empty lines at the top of the first page,
// then every memo line after 15 blanks.
QStringList printoutLines(const QStringList& memoLines);

// The lines with more TABs where the text device's stops are too close for a column: each
// column then starts at the same stop in every line, at least a blank's width beyond the widest
// text of the column before it. Lines without TABs stay as they are.
QStringList alignColumns(const QStringList& lines, const TextDeviceMetrics& metrics);

// Prints the memo on the printer in the given font, its table columns aligned as alignColumns
// does; returns the number of pages.
int printMemo(QPrinter& printer, const QFont& font, const QStringList& memoLines);

} // namespace orvek::ui
