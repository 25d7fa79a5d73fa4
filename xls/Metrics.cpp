#include "xls/Metrics.h"

namespace orvek::xls {

namespace {

int g_pixelsPerInch = 96;

bool standard() {
    return g_pixelsPerInch == 96;
}

} // namespace

void SetPixelsPerInch(int pixelsPerInch) {
    g_pixelsPerInch = pixelsPerInch;
}

int PixelsPerInch() {
    return g_pixelsPerInch;
}

int DefaultColumnPixels() {
    return standard() ? 64 : 80;
}

int PixelsPerCharacter() {
    return standard() ? 7 : 9;
}

int DefaultRowPixels() {
    return standard() ? 17 : 22;
}

double PointsPerPixel() {
    return standard() ? 0.75 : 0.6;
}

} // namespace orvek::xls
