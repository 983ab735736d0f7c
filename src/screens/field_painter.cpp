#include "screens/field_painter.h"

#include "screens/fonts.h"
#include "screens/logging.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>
#include <string_view>
#include <tuple>

namespace zelto {

namespace {

// The drawable objects in the order they are drawn: images, then shots, then labels on top.
constexpr std::array<Image Form1::*, 19> kImages{
    &Form1::Image1,  &Form1::Image2,  &Form1::Image3,  &Form1::Image4,    &Form1::Image5,
    &Form1::Image6,  &Form1::Image7,  &Form1::Image8,  &Form1::Image9,    &Form1::Image10,
    &Form1::Image11, &Form1::Image12, &Form1::Image13, &Form1::ImgAlieno, &Form1::ImgAl1,
    &Form1::Imgal2,  &Form1::ImgAl3,  &Form1::ImgAl4,  &Form1::ImgAl5,
};
// The guide lines (lineover, Sline, SLine2) only mark the edges for the rules.
constexpr std::array<Shape Form1::*, 6> kShots{
    &Form1::SnpSparo,    &Form1::SnpSparo2,   &Form1::SparoUltra,
    &Form1::SparoUltra1, &Form1::SparoUltra2, &Form1::Sparonem,
};
constexpr std::array<Label Form1::*, 4> kLabels{
    &Form1::Label2,
    &Form1::Label1,
    &Form1::Label3,
    &Form1::Label4,
};

int toPixels(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QColor toColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

std::uint64_t pack(Rgb rgb) {
    return (std::uint64_t{rgb.r} << 16) | (std::uint64_t{rgb.g} << 8) | rgb.b;
}

QRect boxOf(const Image& image) {
    return pixelBox(image.left, image.top, image.width, image.height);
}
QRect boxOf(const Shape& shape) {
    return pixelBox(shape.left, shape.top, shape.width, shape.height);
}
QRect boxOf(const Label& label) {
    return pixelBox(label.left, label.top, label.width, label.height);
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
    case Alignment::Centre:
        return Qt::AlignHCenter;
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
    static_assert(std::tuple_size_v<decltype(items_)> ==
                  kImages.size() + kShots.size() + kLabels.size());
    auto item = items_.begin();
    // Compared in place, field by field, so that an unchanged caption is never copied.
    const auto record = [&](const QRect& box, bool drawn, std::uint64_t look,
                            std::string_view caption) {
        Item& old = *item++;
        if (old.box == box && old.drawn == drawn && old.look == look && old.caption == caption)
            return;
        if (changed && old.drawn)
            *changed += old.box;
        if (changed && drawn)
            *changed += box;
        old.box = box;
        old.drawn = drawn;
        old.look = look;
        if (old.caption != caption)
            old.caption.assign(caption);
    };
    for (auto member : kImages) {
        const Image& image = form.*member;
        const bool drawn = image.visible && image.picture != Picture::None;
        record(boxOf(image), drawn, static_cast<std::uint64_t>(image.picture) + 1U, {});
    }
    for (auto member : kShots) {
        const Shape& shape = form.*member;
        const std::uint64_t fill = shape.fill ? (pack(*shape.fill) | (1U << 24)) << 32 : 0;
        record(boxOf(shape), shape.visible, pack(shape.border) | fill, {});
    }
    for (auto member : kLabels) {
        const Label& label = form.*member;
        const std::uint64_t look =
            pack(label.background) | (static_cast<std::uint64_t>(label.alignment) << 24);
        record(boxOf(label), true, look, label.caption);
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

void FieldPainter::paint(QPainter& painter, const Form1& form, const QRect& exposed) const {
    painter.save();
    // Pictures keep their pixels on high-density screens: scaled, never smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(exposed, Qt::IntersectClip);
    painter.fillRect(exposed, Qt::black);

    for (auto member : kImages) {
        const Image& image = form.*member;
        if (image.visible && boxOf(image).intersects(exposed))
            paintImage(painter, form, image);
    }

    for (auto member : kShots) {
        const Shape& shape = form.*member;
        const QRect box = boxOf(shape);
        if (!shape.visible || box.isEmpty() || !box.intersects(exposed))
            continue;
        if (shape.fill)
            painter.fillRect(box, toColor(*shape.fill));
        // The outline lies inside the box, one pixel wide on every side.
        const QColor border = toColor(shape.border);
        painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), border);
        painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), border);
        painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), border);
        painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), border);
    }

    painter.setFont(font_);
    painter.setPen(Qt::white);
    for (auto member : kLabels) {
        const Label& label = form.*member;
        const QRect box = boxOf(label);
        if (box.isEmpty() || !box.intersects(exposed))
            continue;
        painter.fillRect(box, toColor(label.background));
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        // An ampersand marks a mnemonic as in every caption of the window ("&&" shows one).
        painter.drawText(box,
                         int(toQt(label.alignment) | Qt::AlignTop) | Qt::TextWordWrap |
                             Qt::TextShowMnemonic,
                         captionText(label.caption));
        painter.restore();
    }
    painter.restore();
}

void FieldPainter::paintImage(QPainter& painter, const Form1& form, const Image& image) const {
    if (image.picture == Picture::None)
        return;
    const QPixmap& picture = pictures_[static_cast<std::size_t>(form.store(image.picture).art)];
    if (picture.isNull())
        return;
    const QRect box = boxOf(image);
    // The picture keeps its own size; a box smaller than the picture shows its top-left part.
    const QRect source(0, 0, std::min(box.width(), picture.width()),
                       std::min(box.height(), picture.height()));
    painter.drawPixmap(box.topLeft(), picture, source);
}

} // namespace zelto
