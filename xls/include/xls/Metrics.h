#pragma once

namespace orvek::xls {

// Column and row sizes in pixels depend on the resolution of the screen a workbook is laid out
// for. Each workbook carries its own, so workbooks made side by side never share a setting.
class TScreenMetrics {
public:
    explicit TScreenMetrics(int pixelsPerInch = 96) : m_pixelsPerInch(pixelsPerInch) {}

    int PixelsPerInch() const { return m_pixelsPerInch; }
    int DefaultColumnPixels() const { return standard() ? 64 : 80; }
    int PixelsPerCharacter() const { return standard() ? 7 : 9; }
    int DefaultRowPixels() const { return standard() ? 17 : 22; }
    double PointsPerPixel() const { return standard() ? 0.75 : 0.6; }

private:
    bool standard() const { return m_pixelsPerInch == 96; }
    int m_pixelsPerInch;
};

} // namespace orvek::xls
