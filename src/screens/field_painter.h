// Drawing the play field: the one place that turns a Form1 into pixels, shared by the game
// window and by anything that renders the field offscreen.
#pragma once

#include "field/form1.h"

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QRegion>
#include <QTransform>
#include <array>
#include <cstdint>
#include <string>

class QImage;
class QPainter;

namespace zelto {

/// The pixel box of an object: each of Left, Top, Width and Height in twips divided by 15 and
/// rounded to the nearest pixel, so an object keeps its size in pixels wherever it moves.
QRect pixelBox(float left, float top, float width, float height);

/// Everything of the field that can be seen, kept compact so that two moments compare cheaply:
/// for every drawable object its pixel box, whether it is drawn, and what it looks like.
/// Picture stores and guide lines are never drawn and so are not part of it. Its size is
/// fixed, so that bringing it up to date after every tick allocates nothing.
class FieldSnapshot {
public:
    /// An empty snapshot, which stands for "nothing drawn yet".
    FieldSnapshot() = default;
    /// The snapshot of a play field now.
    static FieldSnapshot of(const Form1& form);

    /// Brings the snapshot up to the field now, in place, and returns what
    /// changedRegion(old, new) would. Allocates nothing while nothing changed, and otherwise
    /// only the region (and a caption grown beyond its storage).
    QRegion update(const Form1& form);

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
    /// Takes the field's look into the items; with `changed`, adds what changed to it.
    void take(const Form1& form, QRegion* changed);

    // The drawn objects, in the order they are drawn.
    std::array<Item, objectsWith<kDrawn>().size()> items_{};
};

/// What painting the field comes to, step by step, for a painter of any kind. Coordinates are
/// the field's pixels.
class FieldCanvas {
public:
    virtual ~FieldCanvas() = default;
    virtual void fill(const QRect& box, Rgb color) = 0;
    /// The picture `art` (an index of kArtwork) at `box.topLeft()`, its top-left `box.size()`.
    virtual void picture(std::size_t art, const QRect& box) = 0;
    /// A label whose box is `box`: its background, and its caption over it.
    virtual void label(const Label& label, const QRect& box) = 0;
};

/// Paints the part `exposed` of the field on `canvas`: black, then every drawn object that
/// meets it, in the order of kForm1Objects, as FieldPainter describes.
void walkField(FieldCanvas& canvas, const Form1& form, const QRect& exposed);

/// A picture of kArtwork as the field draws it (opaque, Format_RGB32); null when missing.
const QImage& fieldPicture(std::size_t art);

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
    friend class PainterCanvas;
    std::array<QPixmap, kArtwork.size()> pictures_;
    QFont font_;
};

/// The field's client area in pixels.
inline constexpr QSize kFieldPixelSize{kFieldWidth / kTwipsPerPixel, kFieldHeight / kTwipsPerPixel};

/// How the field lies in a paint device of `size` logical pixels at `devicePixelRatio` device
/// pixels to a logical one: from field pixels to the device's logical coordinates. A field
/// pixel becomes the largest whole number of device pixels that lets the field fit (at least
/// one), and the field is centred on whole device pixels, so that every picture keeps square,
/// sharp pixels: at a ratio of 2 each is 2 x 2 device pixels; at 1.25 or 1.5 each stays one,
/// with black around the field, rather than pixels of uneven widths that change shape as the
/// objects move. Texts are drawn at the device's own resolution either way. The identity at an
/// 800 x 600 device of ratio 1.
QTransform fieldTransform(QSize size, qreal devicePixelRatio);

} // namespace zelto
