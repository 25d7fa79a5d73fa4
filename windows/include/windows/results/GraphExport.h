#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QWidget;

namespace orvek::ui {

class GraphChart;

enum class GraphImageFormat { Png, Svg, Pdf };

// How a graph image is drawn: for PNG the size in pixels and the resolution (a higher DPI
// draws the same chart larger, so text stays readable in print); for SVG and PDF the size in
// points.
struct GraphImageRequest {
    QSize size{1200, 800};
    int dpi = 96;
};

inline constexpr int kMinimumImageDpi = 96;
inline constexpr int kMaximumImageDpi = 600;
inline constexpr int kMaximumImageSide = 20000;

// The format named by the file's extension (".png", ".svg", ".pdf", in any case); raises
// OrvekError for any other.
GraphImageFormat graphImageFormat(const QString& path);

// The chart as it stands, drawn into a file's bytes. Raises OrvekError for a size or DPI out of
// range.
QByteArray graphImageBytes(GraphChart& chart, GraphImageFormat format,
                           const GraphImageRequest& request);

// Writes the chart to path in the format of its extension, replacing an existing file only with
// a complete one and never a read-only one. Raises OrvekError.
void saveGraphImage(GraphChart& chart, const QString& path, const GraphImageRequest& request);

// "Save graph as...": asks for a file (PNG, SVG or PDF) in folder and, for PNG, the pixel size
// and DPI; then saves. Nothing is written when either dialog is cancelled. Raises OrvekError.
void saveGraphAs(QWidget* parent, GraphChart& chart, const QString& folder);

// Reads "WxH" ("1200x800"); false when the text is not two positive whole numbers.
bool parseImageSize(const QString& text, QSize& size);

} // namespace orvek::ui
