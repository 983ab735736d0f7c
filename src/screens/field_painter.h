// Drawing the play field: the one place that turns a Form1 into pixels, shared by the game
// window and by anything that renders the field offscreen.
#pragma once

#include "field/form1.h"

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QRegion>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace zelto {

/// The pixel box of an object: each of Left, Top, Width and Height in twips divided by 15 and
/// rounded to the nearest pixel, so an object keeps its size in pixels wherever it moves.
QRect pixelBox(float left, float top, float width, float height);

/// Everything of the field that can be seen, kept compact so that two moments compare cheaply:
/// for every drawable object its pixel box, whether it is drawn, and what it looks like.
/// Picture stores and guide lines are never drawn and so are not part of it.
class FieldSnapshot {
public:
    FieldSnapshot() = default;
    /// The snapshot of a play field now; an empty snapshot stands for "nothing drawn yet".
    static FieldSnapshot of(const Form1& form);

    /// The area to repaint to go from `before` to `after`: the old and the new box of every
    /// object that moved, appeared, disappeared or changed its look. Against an empty
    /// snapshot every drawn object counts.
    friend QRegion changedRegion(const FieldSnapshot& before, const FieldSnapshot& after);
    friend bool operator==(const FieldSnapshot&, const FieldSnapshot&) = default;

private:
    struct Item {
        QRect box;
        bool drawn = false;
        std::uint64_t look = 0; // the picture, or the packed colours and alignment
        std::string caption;
        friend bool operator==(const Item&, const Item&) = default;
    };
    std::vector<Item> items_;
};

/// Paints a play field. Pictures are drawn opaque at their natural size (never stretched),
/// shapes as a one-pixel outline in their border colour over their fill, labels in white bold
/// text on their background, clipped to their box; hidden objects and images without a picture
/// draw nothing. The painter's coordinates are the field's pixels; painting only reads the
/// field.
class FieldPainter {
public:
    /// Takes the pictures from the resources (":/pictures/<file>"), decoded once per program.
    /// Needs a QGuiApplication.
    FieldPainter();

    /// Paints the part `exposed` of the field (in field pixels) over a black background.
    void paint(QPainter& painter, const Form1& form, const QRect& exposed) const;

private:
    void paintImage(QPainter& painter, const Form1& form, const Image& image) const;

    std::array<QPixmap, kArtwork.size()> pictures_;
    QFont font_;
};

/// The field's client area in pixels.
inline constexpr QSize kFieldPixelSize{kFieldWidth / kTwipsPerPixel, kFieldHeight / kTwipsPerPixel};

} // namespace zelto
