#include "pixel_font.h"

#include <array>
#include <stdexcept>
#include <string>

namespace assetgen {

namespace {

constexpr int kRows = 9;

struct Glyph {
    char character;
    std::array<const char*, kRows> rows; // '#' lit, '.' unlit; all rows one width
};

// clang-format off
constexpr std::array kGlyphs{
    Glyph{'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####", ".....", "....."}},
    Glyph{'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####", ".....", "....."}},
    Glyph{'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####", ".....", "....."}},
    Glyph{'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".....", "....."}},
    Glyph{'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    Glyph{'z', {"....", "....", "####", "...#", "..#.", ".#..", "####", "....", "...."}},
    Glyph{'e', {"....", "....", ".##.", "#..#", "####", "#...", ".###", "....", "...."}},
    Glyph{'l', {"##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###", "...", "..."}},
    Glyph{'t', {".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##", "....", "...."}},
    Glyph{'o', {"....", "....", ".##.", "#..#", "#..#", "#..#", ".##.", "....", "...."}},
    Glyph{'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", ".....", "....."}},
    Glyph{'a', {"....", "....", ".##.", "...#", ".###", "#..#", ".###", "....", "...."}},
    Glyph{'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#", ".....", "....."}},
    Glyph{'p', {"....", "....", "###.", "#..#", "#..#", "#..#", "###.", "#...", "#..."}},
    Glyph{'r', {"....", "....", "#.##", "##..", "#...", "#...", "#...", "....", "...."}},
    Glyph{'g', {"....", "....", ".###", "#..#", "#..#", "#..#", ".###", "...#", ".##."}},
    Glyph{'.', {".", ".", ".", ".", ".", ".", "#", ".", "."}},
    Glyph{' ', {"..", "..", "..", "..", "..", "..", "..", "..", ".."}},
};
// clang-format on

const Glyph& glyphFor(char c) {
    for (const auto& glyph : kGlyphs)
        if (glyph.character == c)
            return glyph;
    throw std::invalid_argument(std::string("pixel font has no glyph for '") + c + "'");
}

int glyphWidth(const Glyph& glyph) {
    return int(std::string_view(glyph.rows[0]).size());
}

bool lit(const Glyph& glyph, int column, int row) {
    return row >= 0 && row < kRows && column >= 0 && column < glyphWidth(glyph) &&
           glyph.rows[std::size_t(row)][column] == '#';
}

template <typename Visit>
void forEachPixel(std::string_view text, Visit visit) {
    int x = 0;
    for (const char c : text) {
        const Glyph& glyph = glyphFor(c);
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < glyphWidth(glyph); ++column)
                if (lit(glyph, column, row))
                    visit(x + column, row, lit(glyph, column, row - 1));
        x += glyphWidth(glyph) + 1;
    }
}

} // namespace

int pixelTextWidth(std::string_view text) {
    int width = 0;
    for (const char c : text)
        width += glyphWidth(glyphFor(c)) + 1;
    return text.empty() ? 0 : width - 1;
}

void drawPixelText(QPainter& painter, QPoint origin, std::string_view text, int scale,
                   const RowColour& colour, QColor shadowColour, int shadowOffset,
                   QColor highlight) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    forEachPixel(text, [&](int x, int y, bool) {
        painter.fillRect(origin.x() + x * scale + shadowOffset,
                         origin.y() + y * scale + shadowOffset, scale, scale, shadowColour);
    });
    forEachPixel(text, [&](int x, int y, bool litAbove) {
        const QRect square(origin.x() + x * scale, origin.y() + y * scale, scale, scale);
        painter.fillRect(square, colour(y));
        if (highlight.isValid() && !litAbove)
            painter.fillRect(square.x(), square.y(), scale, 1, highlight);
    });
    painter.restore();
}

} // namespace assetgen
