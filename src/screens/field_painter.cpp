#include "screens/field_painter.h"

#include "kit/fonts.h"
#include "platform/logging.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace zelto {

namespace {

/// What the field paints, in the order it paints it: images, then shots, then labels on top.
constexpr auto kDrawnObjects = objectsWith<kDrawn>();

int toPixels(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QColor toColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

std::uint64_t pack(Rgb rgb) {
    return (std::uint64_t{rgb.r} << 16) | (std::uint64_t{rgb.g} << 8) | rgb.b;
}

template <typename Object>
QRect boxOf(const Object& object) {
    return pixelBox(object.left, object.top, object.width, object.height);
}

/// How an object looks now: its box, whether it is drawn, and its picture or its packed
/// colours and alignment.
struct Look {
    QRect box;
    bool drawn = false;
    std::uint64_t look = 0;
    std::string_view caption;
};

Look lookOf(const Image& image) {
    return {boxOf(image),
            image.visible && image.picture,
            image.picture ? static_cast<std::uint64_t>(image.picture->art) + 1U : 0U,
            {}};
}
Look lookOf(const Shape& shape) {
    const std::uint64_t fill = shape.fill ? (pack(*shape.fill) | (1U << 24)) << 32 : 0;
    return {boxOf(shape), shape.visible, pack(shape.border) | fill, {}};
}
Look lookOf(const Label& label) {
    return {boxOf(label), true,
            pack(label.background) | (static_cast<std::uint64_t>(label.alignment) << 24),
            label.caption};
}
/// The kinds of object that are never drawn.
template <typename Object>
Look lookOf(const Object&) {
    return {};
}

/// A caption as the label shows it: bytes in the Windows Latin-1 sense, CR LF as a line break.
QString captionText(const std::string& caption) {
    QString text = QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Qt::Alignment toQt(Alignment alignment) {
    switch (alignment) {
    case Alignment::Right:
        return Qt::AlignRight;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

/// Every picture, decoded from the resources once for the whole program and made opaque
/// (transparent parts show black, the field's colour). Kept as QImage so that it outlives
/// the application object safely; a missing picture is reported once and stays null. The
/// build links the resources into every program that draws the field.
const std::array<QImage, kArtwork.size()>& decodedArtwork() {
    static const std::array<QImage, kArtwork.size()> images = [] {
        std::array<QImage, kArtwork.size()> decoded;
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const std::string_view file = kArtwork[i].file;
            const QString name = QStringLiteral(":/pictures/") +
                                 QString::fromLatin1(file.data(), qsizetype(file.size()));
            const QImage image(name);
            if (image.isNull()) {
                qCDebug(lcField, "picture %s is missing; its images stay empty",
                        qUtf8Printable(name));
                continue;
            }
            QImage opaque(image.size(), QImage::Format_RGB32);
            opaque.fill(Qt::black);
            QPainter painter(&opaque);
            painter.drawImage(0, 0, image);
            painter.end();
            decoded[i] = opaque;
        }
        return decoded;
    }();
    return images;
}

} // namespace

QRect pixelBox(float left, float top, float width, float height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QTransform fieldTransform(QSize size, qreal devicePixelRatio) {
    const QSize device = (QSizeF(size) * devicePixelRatio).toSize();
    const int factor = std::max(1, std::min(device.width() / kFieldPixelSize.width(),
                                            device.height() / kFieldPixelSize.height()));
    const QSize field = kFieldPixelSize * factor;
    QTransform transform;
    transform.scale(1 / devicePixelRatio, 1 / devicePixelRatio);
    transform.translate((device.width() - field.width()) / 2,
                        (device.height() - field.height()) / 2);
    transform.scale(factor, factor);
    return transform;
}

FieldSnapshot FieldSnapshot::of(const Form1& form) {
    FieldSnapshot snapshot;
    snapshot.take(form, nullptr);
    return snapshot;
}

QRegion FieldSnapshot::update(const Form1& form) {
    QRegion changed;
    take(form, &changed);
    return changed;
}

void FieldSnapshot::take(const Form1& form, QRegion* changed) {
    auto item = items_.begin();
    for (const Form1Member& member : kDrawnObjects) {
        const Look now = std::visit([&form](auto m) { return lookOf(form.*m); }, member);
        // Compared in place, field by field, so that an unchanged caption is never copied.
        Item& old = *item++;
        if (old.box == now.box && old.drawn == now.drawn && old.look == now.look &&
            old.caption == now.caption)
            continue;
        if (changed && old.drawn)
            *changed += old.box;
        if (changed && now.drawn)
            *changed += now.box;
        old.box = now.box;
        old.drawn = now.drawn;
        old.look = now.look;
        if (old.caption != now.caption)
            old.caption.assign(now.caption);
    }
}

QRegion changedRegion(const FieldSnapshot& before, const FieldSnapshot& after) {
    QRegion region;
    // An empty snapshot's items are all undrawn, so it needs no case of its own.
    for (std::size_t i = 0; i < before.items_.size(); ++i) {
        const FieldSnapshot::Item& old = before.items_[i];
        const FieldSnapshot::Item& now = after.items_[i];
        if (old == now)
            continue;
        if (old.drawn)
            region += old.box;
        if (now.drawn)
            region += now.box;
    }
    return region;
}

// The labels' font is MS Sans Serif 12 pt bold.
FieldPainter::FieldPainter() : font_(msSansSerif(12, true)) {
    const auto& images = decodedArtwork();
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (!images[i].isNull())
            pictures_[i] = QPixmap::fromImage(images[i]);
    }
}

void walkField(FieldCanvas& canvas, const Form1& form, const QRect& exposed) {
    canvas.fill(exposed, Rgb{0, 0, 0});
    const auto draw = [&](const auto& object) {
        using Object = std::decay_t<decltype(object)>;
        if constexpr (std::is_same_v<Object, Image>) {
            const QRect box = boxOf(object);
            if (!object.visible || !object.picture || !box.intersects(exposed))
                return;
            const auto art = static_cast<std::size_t>(object.picture->art);
            const QImage& picture = decodedArtwork()[art];
            if (picture.isNull())
                return;
            // The picture keeps its own size; a box smaller than the picture shows its
            // top-left part.
            canvas.picture(art, QRect(box.topLeft(), box.size().boundedTo(picture.size())));
        } else if constexpr (std::is_same_v<Object, Shape>) {
            const QRect box = boxOf(object);
            if (!object.visible || box.isEmpty() || !box.intersects(exposed))
                return;
            if (object.fill)
                canvas.fill(box, *object.fill);
            // The outline lies inside the box, one pixel wide on every side.
            canvas.fill(QRect(box.left(), box.top(), box.width(), 1), object.border);
            canvas.fill(QRect(box.left(), box.bottom(), box.width(), 1), object.border);
            canvas.fill(QRect(box.left(), box.top(), 1, box.height()), object.border);
            canvas.fill(QRect(box.right(), box.top(), 1, box.height()), object.border);
        } else if constexpr (std::is_same_v<Object, Label>) {
            const QRect box = boxOf(object);
            if (!box.isEmpty() && box.intersects(exposed))
                canvas.label(object, box);
        }
        // Picture stores, timers and sound controls are never drawn.
    };
    for (const Form1Member& member : kDrawnObjects)
        std::visit([&](auto m) { draw(form.*m); }, member);
}

const QImage& fieldPicture(std::size_t art) {
    return decodedArtwork()[art];
}

/// The field on a QPainter, in field pixels.
class PainterCanvas final : public FieldCanvas {
public:
    PainterCanvas(QPainter& painter, const FieldPainter& owner) : p_(painter), owner_(owner) {}
    void fill(const QRect& box, Rgb color) override { p_.fillRect(box, toColor(color)); }
    void picture(std::size_t art, const QRect& box) override {
        p_.drawPixmap(box.topLeft(), owner_.pictures_[art], QRect(QPoint(0, 0), box.size()));
    }
    void label(const Label& label, const QRect& box) override {
        p_.fillRect(box, toColor(label.background));
        p_.save();
        p_.setClipRect(box, Qt::IntersectClip);
        // An ampersand marks a mnemonic as in every caption of the window ("&&" shows one).
        p_.drawText(box,
                    int(toQt(label.alignment) | Qt::AlignTop) | Qt::TextWordWrap |
                        Qt::TextShowMnemonic,
                    captionText(label.caption));
        p_.restore();
    }

private:
    QPainter& p_;
    const FieldPainter& owner_;
};

void FieldPainter::paint(QPainter& painter, const Form1& form, const QRect& exposed) const {
    painter.save();
    // Pictures keep their pixels on high-density screens: scaled, never smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(exposed, Qt::IntersectClip);
    painter.setFont(font_);
    painter.setPen(Qt::white);
    PainterCanvas canvas(painter, *this);
    walkField(canvas, form, exposed);
    painter.restore();
}

} // namespace zelto
