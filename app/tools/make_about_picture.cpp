// Draws the picture of the About box, data/about.jpg: a cut through a soil with a young
// sprout above it and "C&N" in block letters. Run it once when the picture should change:
//   make_about_picture data/about.jpg
// The picture is computed, not drawn by hand, so the repository keeps its source and the
// result can be made again exactly (libjpeg's output is deterministic).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

constexpr int Width = 129;
constexpr int Height = 58;
constexpr int Samples = 4; // per axis: 16 samples per pixel smooth the edges of the shapes

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

Colour rgb(int hex) {
    return {static_cast<double>((hex >> 16) & 0xff), static_cast<double>((hex >> 8) & 0xff),
            static_cast<double>(hex & 0xff)};
}

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A fixed pseudo-random value in [0, 1) for an integer cell, so that crumbs and pebbles
// land at the same places on every run.
double hash01(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xffffu) / 65536.0;
}

bool insideEllipse(double x, double y, double cx, double cy, double rx, double ry, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double dx = x - cx;
    const double dy = y - cy;
    const double u = (dx * c + dy * s) / rx;
    const double v = (-dx * s + dy * c) / ry;
    return u * u + v * v <= 1.0;
}

// 5 x 7 block glyphs, one string per row, '#' for a filled block.
using Glyph = std::array<const char*, 7>;
constexpr Glyph GlyphC = {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."};
constexpr Glyph GlyphAmp = {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"};
constexpr Glyph GlyphN = {"#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"};

constexpr int Block = 2;        // pixels per glyph block
constexpr int TextLeft = 86;    // left edge of "C&N"
constexpr int TextTop = 6;      // top edge of "C&N"
constexpr int GlyphAdvance = 6; // blocks from one glyph to the next

bool insideText(double x, double y, double shift) {
    const std::array<const Glyph*, 3> glyphs = {&GlyphC, &GlyphAmp, &GlyphN};
    const int bx = static_cast<int>(std::floor((x - TextLeft - shift) / Block));
    const int by = static_cast<int>(std::floor((y - TextTop - shift) / Block));
    if (bx < 0 || by < 0 || by >= 7) {
        return false;
    }
    const int glyph = bx / GlyphAdvance;
    const int column = bx % GlyphAdvance;
    if (glyph >= 3 || column >= 5) {
        return false;
    }
    return (*glyphs[static_cast<std::size_t>(glyph)])[static_cast<std::size_t>(by)][column] == '#';
}

// The ground line and the two boundaries between soil layers, gently waved.
double surface(double x) {
    return 30.0 + 1.1 * std::sin(x / 9.0) + 0.5 * std::sin(x / 3.7);
}
double firstBoundary(double x) {
    return 40.0 + 1.4 * std::sin(x / 11.0 + 1.0);
}
double secondBoundary(double x) {
    return 49.0 + 1.2 * std::sin(x / 8.0 + 2.5);
}

// The stem leaves the ground at x = 38 and leans a little to the right as it rises.
double stemX(double y) {
    return 38.0 + 0.012 * (30.0 - y) * (30.0 - y);
}

Colour sky(double y) {
    return mix(rgb(0xcfe4f2), rgb(0xf6f1dc), std::min(1.0, std::max(0.0, y / 28.0)));
}

Colour soil(double x, double y) {
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    Colour base;
    if (y < firstBoundary(x)) {
        base = mix(rgb(0x4a2f1b), rgb(0x5c3b22), (y - surface(x)) / 10.0);
        if (hash01(cx, cy) > 0.86) {
            base = mix(base, rgb(0x7a5535), 0.6); // crumbs of the topsoil
        }
    } else if (y < secondBoundary(x)) {
        base = rgb(0x7a5233);
        if (hash01(cx, cy) > 0.9) {
            base = mix(base, rgb(0x5e3e26), 0.7);
        }
    } else {
        base = rgb(0xa4794c);
        if (hash01(cx, cy) > 0.93) {
            base = mix(base, rgb(0xc49a68), 0.7);
        }
    }
    // Pebbles in the subsoil.
    const std::array<std::array<double, 4>, 6> pebbles = {{{14, 53.5, 3.0, 1.8},
                                                           {57, 55, 2.4, 1.5},
                                                           {96, 53, 3.4, 2.0},
                                                           {120, 55.5, 2.2, 1.4},
                                                           {75, 44.5, 1.8, 1.2},
                                                           {28, 45, 1.6, 1.1}}};
    for (const auto& p : pebbles) {
        if (insideEllipse(x, y, p[0], p[1], p[2], p[3], 0.2)) {
            const bool lit = (y - p[1]) < -0.3 * p[3];
            return lit ? rgb(0xd9cbb3) : rgb(0xb8a98f);
        }
    }
    return base;
}

// Fine roots spread from the foot of the stem into the topsoil.
bool insideRoot(double x, double y) {
    const double top = surface(38.0);
    if (y < top || y > top + 9.0) {
        return false;
    }
    const double depth = y - top;
    const std::array<double, 3> spreads = {-0.75, 0.15, 0.9};
    for (double spread : spreads) {
        const double rx = 38.0 + spread * depth + 0.25 * std::sin(depth * 1.3 + spread * 4.0);
        const double halfWidth = 0.55 - 0.04 * depth;
        if (std::abs(x - rx) < halfWidth) {
            return true;
        }
    }
    return false;
}

Colour sprout(double x, double y, bool& hit) {
    hit = true;
    // Two leaves, each with a lighter upper half.
    if (insideEllipse(x, y, 33.6, 13.2, 6.6, 2.7, 0.45)) {
        return (y < 13.2 + (x - 33.6) * std::tan(0.45)) ? rgb(0x7cc443) : rgb(0x4e9a2e);
    }
    if (insideEllipse(x, y, 47.8, 9.4, 7.4, 2.9, -0.5)) {
        return (y < 9.4 + (x - 47.8) * std::tan(-0.5)) ? rgb(0x86cc4a) : rgb(0x55a232);
    }
    if (y >= 12.0 && y <= surface(x) + 0.5 && std::abs(x - stemX(y)) < 1.05) {
        return rgb(0x3f8a2a);
    }
    hit = false;
    return {};
}

Colour sceneAt(double x, double y) {
    if (insideText(x, y, 0.0)) {
        return rgb(0x2f5d1e);
    }
    if (insideText(x, y, 0.8)) {
        return rgb(0xb9c9a4); // soft shadow behind the letters
    }
    bool hit = false;
    const Colour plant = sprout(x, y, hit);
    if (hit) {
        return plant;
    }
    const double ground = surface(x);
    if (y < ground) {
        return sky(y);
    }
    if (insideRoot(x, y)) {
        return rgb(0xd8bd8e);
    }
    if (y < ground + 1.0) {
        return rgb(0x35220f); // dark line of the soil surface
    }
    return soil(x, y);
}

std::vector<unsigned char> render() {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(Width * Height * 3));
    for (int py = 0; py < Height; ++py) {
        for (int px = 0; px < Width; ++px) {
            Colour sum;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const Colour c = sceneAt(px + (sx + 0.5) / Samples, py + (sy + 0.5) / Samples);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            const double n = Samples * Samples;
            const std::size_t at = static_cast<std::size_t>((py * Width + px) * 3);
            pixels[at] = static_cast<unsigned char>(std::lround(sum.r / n));
            pixels[at + 1] = static_cast<unsigned char>(std::lround(sum.g / n));
            pixels[at + 2] = static_cast<unsigned char>(std::lround(sum.b / n));
        }
    }
    return pixels;
}

bool writeJpeg(const std::string& path, std::vector<unsigned char>& pixels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = Width;
    info.image_height = Height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    // Full colour resolution: the picture is small and has thin green and brown edges that
    // chroma subsampling would smear.
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &pixels[static_cast<std::size_t>(info.next_scanline) * Width * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool closed = std::fclose(file) == 0;
    if (!closed) {
        std::perror(path.c_str());
    }
    return closed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_about_picture OUTPUT.jpg\n");
        return 2;
    }
    std::vector<unsigned char> pixels = render();
    return writeJpeg(argv[1], pixels) ? 0 : 1;
}
