#pragma once

#include <QColor>
#include <QPainter>
#include <functional>
#include <string_view>

// A small built-in bitmap font, so lettering never depends on the fonts a machine has.
// Glyphs sit on a 9-row grid: rows 0-6 hold capitals and the body of small letters
// (x-height rows 2-6), rows 7-8 hold descenders. It knows only the characters the artwork
// uses: Z E L T O, z e l t o x a m p r g, '.', and space.
namespace assetgen {

// Width of text in font pixels, one blank column between glyphs.
int pixelTextWidth(std::string_view text);

// Colour of a lit font pixel, by its row in the 9-row grid.
using RowColour = std::function<QColor(int row)>;

// Draws text with its top-left corner at origin, each font pixel a scale x scale square.
// A shadow in shadowColour is drawn offset by shadowOffset px first; a lit pixel whose
// upper neighbour is unlit gets a one-pixel highlight row when highlight is valid.
// Throws std::invalid_argument for a character the font does not know.
void drawPixelText(QPainter& painter, QPoint origin, std::string_view text, int scale,
                   const RowColour& colour, QColor shadowColour, int shadowOffset,
                   QColor highlight = QColor());

} // namespace assetgen
