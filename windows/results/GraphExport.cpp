#include "windows/results/GraphExport.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "uibase/PlatformServices.h"
#include "windows/results/GraphChart.h"

#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSvgGenerator>

#include <cmath>

namespace orvek::ui {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kScreenDpi = 96;
constexpr int kPdfResolution = 1200;

void checkRequest(const GraphImageRequest& request) {
    const QSize s = request.size;
    if (s.width() < 1 || s.height() < 1 || s.width() > kMaximumImageSide ||
        s.height() > kMaximumImageSide) {
        throw OrvekError("The image size must be between 1 and " +
                         std::to_string(kMaximumImageSide) + " on each side.");
    }
    if (request.dpi < kMinimumImageDpi || request.dpi > kMaximumImageDpi) {
        throw OrvekError("The image resolution must be between " +
                         std::to_string(kMinimumImageDpi) + " and " +
                         std::to_string(kMaximumImageDpi) + " DPI.");
    }
}

QByteArray pngBytes(GraphChart& chart, const GraphImageRequest& request) {
    QImage image(request.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const double dotsPerMeter = request.dpi / 0.0254;
    image.setDotsPerMeterX(static_cast<int>(std::lround(dotsPerMeter)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dotsPerMeter)));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double scale = request.dpi / kScreenDpi;
        chart.renderAtSize(&painter, QRectF(QPointF(0, 0), QSizeF(request.size)),
                           QSizeF(request.size) / scale);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw OrvekError("The graph could not be encoded as PNG.");
    }
    return bytes;
}

QByteArray svgBytes(GraphChart& chart, const GraphImageRequest& request) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(static_cast<int>(kPointsPerInch)); // one unit is one point
    svg.setSize(request.size);
    svg.setViewBox(QRect(QPoint(0, 0), request.size));
    svg.setTitle(chart.title());
    {
        QPainter painter(&svg);
        const QRectF whole(QPointF(0, 0), QSizeF(request.size));
        painter.fillRect(whole, Qt::white);
        chart.renderAtSize(&painter, whole, QSizeF(request.size));
    }
    return bytes;
}

QByteArray pdfBytes(GraphChart& chart, const GraphImageRequest& request) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPdfResolution);
        pdf.setPageSize(
            QPageSize(QSizeF(request.size), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(chart.title());
        pdf.setCreator(QStringLiteral("Orvek C&N"));
        QPainter painter(&pdf);
        const QRectF whole(0, 0, pdf.width(), pdf.height());
        chart.renderAtSize(&painter, whole, QSizeF(request.size));
    }
    return bytes;
}

// Asks for the pixel size and resolution of a PNG; false when cancelled.
bool askPngRequest(QWidget* parent, GraphImageRequest& request) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("GraphImageSizeDialog"));
    dialog.setWindowTitle(QStringLiteral("Image size"));
    auto* form = new QFormLayout(&dialog);
    const auto spin = [&dialog](const char* name, int low, int high, int value) {
        auto* box = new QSpinBox(&dialog);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(low, high);
        box->setValue(value);
        return box;
    };
    QSpinBox* width = spin("imageWidth", 16, kMaximumImageSide, request.size.width());
    QSpinBox* height = spin("imageHeight", 16, kMaximumImageSide, request.size.height());
    QSpinBox* dpi = spin("imageDpi", kMinimumImageDpi, kMaximumImageDpi, request.dpi);
    form->addRow(QStringLiteral("Width (pixels):"), width);
    form->addRow(QStringLiteral("Height (pixels):"), height);
    form->addRow(QStringLiteral("Resolution (DPI):"), dpi);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    request.size = QSize(width->value(), height->value());
    request.dpi = dpi->value();
    return true;
}

} // namespace

bool parseImageSize(const QString& text, QSize& size) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,6})[xX]([0-9]{1,6})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        return false;
    }
    size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    return size.width() > 0 && size.height() > 0;
}

GraphImageFormat graphImageFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return GraphImageFormat::Png;
    }
    if (suffix == QLatin1String("svg")) {
        return GraphImageFormat::Svg;
    }
    if (suffix == QLatin1String("pdf")) {
        return GraphImageFormat::Pdf;
    }
    throw OrvekError("'" + path.toStdString() +
                     "': the graph is saved as .png, .svg or .pdf; name the file so.");
}

QByteArray graphImageBytes(GraphChart& chart, GraphImageFormat format,
                           const GraphImageRequest& request) {
    checkRequest(request);
    chart.rescale(); // the points changed since the last drawing are shown too
    switch (format) {
    case GraphImageFormat::Png:
        return pngBytes(chart, request);
    case GraphImageFormat::Svg:
        return svgBytes(chart, request);
    case GraphImageFormat::Pdf:
        break;
    }
    return pdfBytes(chart, request);
}

void saveGraphImage(GraphChart& chart, const QString& path, const GraphImageRequest& request) {
    const QByteArray bytes = graphImageBytes(chart, graphImageFormat(path), request);
    writeFileAtomically(path.toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

void saveGraphAs(QWidget* parent, GraphChart& chart, const QString& folder) {
    FileDialogRequest dialog;
    dialog.title = QStringLiteral("Save graph as");
    dialog.initialFolder = folder;
    dialog.filters = {QStringLiteral("PNG image (*.png)"), QStringLiteral("SVG drawing (*.svg)"),
                      QStringLiteral("PDF document (*.pdf)")};
    dialog.defaultSuffix = QStringLiteral("png");
    dialog.confirmOverwrite = true;
    const FileDialogResult chosen = services().saveFile(parent, dialog);
    if (chosen.path.isEmpty()) {
        return;
    }
    QString path = chosen.path;
    if (QFileInfo(path).suffix().isEmpty()) {
        static const char* const kSuffixes[] = {".png", ".svg", ".pdf"};
        path += QLatin1String(kSuffixes[std::clamp(chosen.filterIndex, 0, 2)]);
    }
    GraphImageRequest request;
    if (graphImageFormat(path) == GraphImageFormat::Png && !askPngRequest(parent, request)) {
        return;
    }
    if (graphImageFormat(path) != GraphImageFormat::Png) {
        request.size = QSize(720, 480); // points: a landscape half page
    }
    saveGraphImage(chart, path, request);
}

} // namespace orvek::ui
