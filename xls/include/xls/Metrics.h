#pragma once

namespace orvek::xls {

// Column and row sizes in pixels depend on the screen's resolution. The window sets it once at
// start-up from the primary screen; without a screen it stays 96.
void SetPixelsPerInch(int pixelsPerInch);
int PixelsPerInch();

int DefaultColumnPixels(); // 64 at 96 pixels per inch, else 80
int PixelsPerCharacter();  // 7 at 96 pixels per inch, else 9
int DefaultRowPixels();    // 17 at 96 pixels per inch, else 22
double PointsPerPixel();   // 0.75 at 96 pixels per inch, else 0.6

} // namespace orvek::xls
