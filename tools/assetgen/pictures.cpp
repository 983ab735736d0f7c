#include "pictures.h"

#include "pixel_font.h"
#include "random.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace assetgen {

namespace {

QImage blackCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    return image;
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setPen(Qt::NoPen);
}

// Runs draw once as is and once mirrored about the vertical line x = axis, for the two
// halves of a symmetric craft.
void bothSides(QPainter& painter, double axis, const std::function<void()>& draw) {
    draw();
    painter.save();
    painter.translate(2 * axis, 0);
    painter.scale(-1, 1);
    draw();
    painter.restore();
}

QPainterPath mirrored(const QPainterPath& path, double axis) {
    return QTransform(-1, 0, 0, 1, 2 * axis, 0).map(path);
}

QPainterPath symmetric(const QPainterPath& rightHalf, double axis) {
    return rightHalf.united(mirrored(rightHalf, axis)).simplified();
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// A closed smooth curve through the points (Catmull-Rom turned into cubic Béziers).
QPainterPath smoothLoop(const std::vector<QPointF>& points) {
    QPainterPath path;
    const std::size_t n = points.size();
    path.moveTo(points[0]);
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF p0 = points[(i + n - 1) % n], p1 = points[i], p2 = points[(i + 1) % n],
                      p3 = points[(i + 2) % n];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    path.closeSubpath();
    return path;
}

// A lumpy closed outline around centre with the given radii, each point pulled in by up to
// `roughness` of the radius.
QPainterPath blob(Rng& rng, QPointF centre, double rx, double ry, int points, double roughness) {
    std::vector<QPointF> outline;
    const double turn = rng.unit() * 2 * std::numbers::pi;
    for (int i = 0; i < points; ++i) {
        const double angle = turn + (i + 0.35 * rng.signedUnit()) * 2 * std::numbers::pi / points;
        const double k = 1.0 - roughness * rng.unit();
        outline.emplace_back(centre.x() + rx * k * std::cos(angle),
                             centre.y() + ry * k * std::sin(angle));
    }
    return smoothLoop(outline);
}

void glow(QPainter& painter, QPointF centre, double radius, QColor core, QColor edge) {
    QRadialGradient gradient(centre, radius);
    gradient.setColorAt(0, core);
    gradient.setColorAt(0.35, edge);
    QColor clear = edge;
    clear.setAlpha(0);
    gradient.setColorAt(1, clear);
    painter.setBrush(gradient);
    painter.drawEllipse(centre, radius, radius);
}

// ---- Fire, shared by the flame and the wreck ---------------------------------------------

struct Tongue {
    double x, y;      // centre of the tongue's round base
    double halfWidth; // of the base
    double height;    // from the base to the tip
    double lean;      // horizontal offset of the tip
};

QPainterPath tonguePath(const Tongue& t) {
    const double w = t.halfWidth, h = t.height, x = t.x, y = t.y, l = t.lean;
    QPainterPath path;
    path.moveTo(x - w, y);
    path.cubicTo(x - w, y - h * 0.42, x - w * 0.15 + l * 0.55, y - h * 0.62, x + l, y - h);
    path.cubicTo(x + w * 0.25 + l * 0.5, y - h * 0.58, x + w, y - h * 0.4, x + w, y);
    path.cubicTo(x + w, y + w * 0.9, x - w, y + w * 0.9, x - w, y);
    path.closeSubpath();
    return path;
}

// Draws nested copies of the tongues' outline, shrunk towards anchor: red outside, then
// orange, yellow and a nearly white core, as a fire is hottest at its root.
void paintFire(QPainter& painter, const std::vector<Tongue>& tongues, QPointF anchor,
               double glowRadius) {
    QPainterPath outline;
    double top = anchor.y();
    for (const auto& t : tongues) {
        outline = outline.united(tonguePath(t));
        top = std::min(top, t.y - t.height);
    }
    glow(painter, QPointF(anchor.x(), anchor.y() - glowRadius * 0.6), glowRadius,
         QColor(255, 90, 10, 110), QColor(200, 30, 0, 60));

    struct Layer {
        double scale;
        QColor bottom, top;
    };
    const Layer layers[] = {
        {1.00, QColor(215, 38, 12), QColor(140, 12, 4)},
        {0.78, QColor(255, 112, 16), QColor(232, 58, 10)},
        {0.56, QColor(255, 196, 44), QColor(255, 142, 24)},
        {0.32, QColor(255, 252, 214), QColor(255, 230, 120)},
    };
    for (const auto& layer : layers) {
        QTransform shrink;
        shrink.translate(anchor.x(), anchor.y());
        shrink.scale(layer.scale, layer.scale * 0.96);
        shrink.translate(-anchor.x(), -anchor.y());
        QLinearGradient gradient(0, anchor.y(), 0, anchor.y() - (anchor.y() - top) * layer.scale);
        gradient.setColorAt(0, layer.bottom);
        gradient.setColorAt(1, layer.top);
        painter.setBrush(gradient);
        painter.drawPath(shrink.map(outline));
    }
}

// ---- The player's ship, designed on a 100 x 128 grid, nose at the top --------------------

void paintShip(QPainter& painter, bool enginesBurning) {
    constexpr double axis = 50;

    // Tail planes under the wings.
    bothSides(painter, axis, [&] {
        QLinearGradient tail(58, 104, 74, 122);
        tail.setColorAt(0, QColor(110, 124, 150));
        tail.setColorAt(1, QColor(40, 46, 64));
        painter.setBrush(tail);
        painter.drawPath(polygon({{57, 100}, {75, 114}, {75, 121}, {57, 118}}));
    });

    // Swept wings with a red leading edge and a cannon at each tip.
    bothSides(painter, axis, [&] {
        QPainterPath wing;
        wing.moveTo(58, 48);
        wing.lineTo(91, 86);
        wing.quadTo(97, 93, 97, 104);
        wing.lineTo(58, 104);
        wing.closeSubpath();
        QLinearGradient metal(62, 54, 84, 104);
        metal.setColorAt(0, QColor(150, 166, 196));
        metal.setColorAt(0.45, QColor(84, 98, 130));
        metal.setColorAt(1, QColor(36, 42, 62));
        painter.setBrush(metal);
        painter.drawPath(wing);

        painter.save();
        painter.setClipPath(wing);
        painter.setPen(QPen(QColor(225, 40, 36), 4.5, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(58, 50), QPointF(94, 90));
        painter.setPen(QPen(QColor(255, 140, 120), 1.2));
        painter.drawLine(QPointF(57, 48.5), QPointF(93, 88.5));
        painter.setPen(QPen(QColor(20, 24, 36, 150), 1.2));
        painter.drawLine(QPointF(70, 96), QPointF(95, 96));
        painter.restore();

        QLinearGradient gun(92, 0, 99, 0);
        gun.setColorAt(0, QColor(230, 232, 240));
        gun.setColorAt(1, QColor(90, 94, 108));
        painter.setBrush(gun);
        painter.drawRoundedRect(QRectF(92, 74, 6, 34), 2.5, 2.5);
        painter.setBrush(QColor(255, 70, 50));
        painter.drawRect(QRectF(93.2, 72, 3.6, 3));
    });

    // Engine nozzles.
    bothSides(painter, axis, [&] {
        QLinearGradient nozzle(52, 0, 60, 0);
        nozzle.setColorAt(0, QColor(150, 150, 164));
        nozzle.setColorAt(1, QColor(38, 38, 48));
        painter.setBrush(nozzle);
        painter.drawRoundedRect(QRectF(51.5, 108, 8, 14), 2, 2);
        painter.setBrush(QColor(20, 20, 28));
        painter.drawRect(QRectF(52.8, 119.5, 5.4, 2.5));
        if (enginesBurning)
            glow(painter, QPointF(55.5, 124), 7, QColor(255, 255, 255, 250),
                 QColor(110, 190, 255, 200));
    });

    // Fuselage, shaded as a cylinder lit from the left.
    QPainterPath body;
    body.moveTo(50, 2);
    body.cubicTo(56, 14, 61, 32, 62, 50);
    body.lineTo(62, 102);
    body.cubicTo(62, 109, 60, 114, 57, 117);
    body.lineTo(43, 117);
    body.cubicTo(40, 114, 38, 109, 38, 102);
    body.lineTo(38, 50);
    body.cubicTo(39, 32, 44, 14, 50, 2);
    QLinearGradient hull(38, 0, 62, 0);
    hull.setColorAt(0, QColor(78, 86, 106));
    hull.setColorAt(0.24, QColor(210, 218, 232));
    hull.setColorAt(0.40, QColor(250, 252, 255));
    hull.setColorAt(0.70, QColor(150, 158, 178));
    hull.setColorAt(1, QColor(50, 56, 74));
    painter.setBrush(hull);
    painter.drawPath(body);

    painter.save();
    painter.setClipPath(body);
    // Air intakes along the flanks and a red band across the spine.
    bothSides(painter, axis, [&] {
        painter.setBrush(QColor(26, 30, 42));
        painter.drawPath(polygon({{62, 58}, {58.5, 62}, {58.5, 84}, {62, 86}}));
    });
    painter.setBrush(QColor(210, 36, 34));
    painter.drawRect(QRectF(38, 90, 24, 4));
    painter.setBrush(QColor(255, 120, 100, 160));
    painter.drawRect(QRectF(38, 90, 24, 1));
    painter.setPen(QPen(QColor(40, 44, 60, 150), 1.0));
    painter.drawLine(QPointF(38, 70), QPointF(62, 70));
    painter.drawLine(QPointF(38, 104), QPointF(62, 104));
    painter.setPen(Qt::NoPen);
    painter.restore();

    // Canopy: deep blue glass with a sky reflection and a sharp highlight.
    QPainterPath canopy;
    canopy.moveTo(50, 20);
    canopy.cubicTo(56, 24, 57.5, 38, 55.5, 50);
    canopy.quadTo(50, 55, 44.5, 50);
    canopy.cubicTo(42.5, 38, 44, 24, 50, 20);
    QLinearGradient glass(44, 22, 56, 52);
    glass.setColorAt(0, QColor(175, 235, 255));
    glass.setColorAt(0.35, QColor(50, 130, 220));
    glass.setColorAt(1, QColor(10, 26, 80));
    painter.setBrush(glass);
    painter.drawPath(canopy);
    painter.setPen(QPen(QColor(20, 26, 44), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(canopy);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawEllipse(QPointF(47.6, 32), 1.7, 5);
}

// ---- The enemy craft, designed on a 100 x 128 grid, nose at the bottom -------------------

void paintCraft(QPainter& painter) {
    constexpr double axis = 50;

    // Engine pods at the back, each with a green exhaust.
    bothSides(painter, axis, [&] {
        glow(painter, QPointF(58, 5), 9, QColor(220, 255, 220, 240), QColor(60, 230, 110, 170));
        QLinearGradient pod(53, 0, 63, 0);
        pod.setColorAt(0, QColor(170, 150, 190));
        pod.setColorAt(1, QColor(46, 34, 60));
        painter.setBrush(pod);
        painter.drawRoundedRect(QRectF(53.5, 7, 9, 20), 3, 3);
    });

    // Claws curving forward from the flanks.
    bothSides(painter, axis, [&] {
        QPainterPath claw;
        claw.moveTo(60, 30);
        claw.cubicTo(80, 24, 99, 44, 97, 70);
        claw.cubicTo(96, 88, 89, 103, 77, 114);
        claw.cubicTo(83, 100, 85, 88, 81, 78);
        claw.cubicTo(77, 68, 70, 64, 62, 66);
        claw.closeSubpath();
        QLinearGradient shell(62, 28, 96, 104);
        shell.setColorAt(0, QColor(176, 72, 196));
        shell.setColorAt(0.5, QColor(96, 28, 124));
        shell.setColorAt(1, QColor(40, 8, 56));
        painter.setBrush(shell);
        painter.drawPath(claw);

        painter.save();
        painter.setClipPath(claw);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(236, 160, 255, 170), 2.2));
        QPainterPath rim;
        rim.moveTo(60, 30);
        rim.cubicTo(80, 24, 99, 44, 97, 70);
        painter.drawPath(rim);
        painter.setPen(QPen(QColor(30, 6, 40, 160), 1.2));
        painter.drawLine(QPointF(72, 40), QPointF(86, 62));
        painter.setPen(Qt::NoPen);
        painter.restore();

        glow(painter, QPointF(78, 111), 4.5, QColor(230, 255, 230), QColor(70, 240, 120, 190));
        glow(painter, QPointF(93, 64), 3.5, QColor(230, 255, 230), QColor(70, 240, 120, 170));
    });

    // Hull, lit from the upper left.
    QPainterPath hull;
    hull.moveTo(50, 126);
    hull.cubicTo(58, 112, 67, 92, 67, 70);
    hull.cubicTo(67, 50, 63, 30, 57, 14);
    hull.lineTo(43, 14);
    hull.cubicTo(37, 30, 33, 50, 33, 70);
    hull.cubicTo(33, 92, 42, 112, 50, 126);
    QRadialGradient shade(QPointF(43, 48), 52, QPointF(41, 40));
    shade.setColorAt(0, QColor(232, 176, 250));
    shade.setColorAt(0.35, QColor(150, 70, 186));
    shade.setColorAt(0.75, QColor(72, 22, 100));
    shade.setColorAt(1, QColor(36, 8, 52));
    painter.setBrush(shade);
    painter.drawPath(hull);

    painter.save();
    painter.setClipPath(hull);
    painter.setPen(QPen(QColor(255, 220, 255, 120), 1.4));
    painter.drawLine(QPointF(50, 16), QPointF(50, 56));
    painter.setPen(QPen(QColor(26, 4, 36, 170), 1.2));
    painter.drawLine(QPointF(34, 94), QPointF(66, 94));
    painter.drawLine(QPointF(40, 106), QPointF(60, 106));
    painter.setPen(Qt::NoPen);
    painter.restore();

    // A burning red eye for a cockpit.
    glow(painter, QPointF(50, 74), 17, QColor(255, 80, 40, 150), QColor(200, 20, 20, 80));
    QRadialGradient eye(QPointF(50, 78), 12, QPointF(48, 72));
    eye.setColorAt(0, QColor(255, 252, 200));
    eye.setColorAt(0.3, QColor(255, 150, 40));
    eye.setColorAt(0.7, QColor(210, 24, 20));
    eye.setColorAt(1, QColor(90, 0, 12));
    painter.setBrush(eye);
    painter.drawEllipse(QPointF(50, 74), 8, 11.5);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawEllipse(QPointF(47.2, 68.5), 1.6, 2.6);
}

// ---- The fighter on the start menu, designed at its pixel size 162 x 207 -----------------

void paintFighter(QPainter& painter) {
    constexpr double axis = 81;

    QPainterPath fuselageHalf;
    fuselageHalf.moveTo(81, 2);
    fuselageHalf.cubicTo(84, 8, 88, 26, 90, 48);
    fuselageHalf.cubicTo(92, 62, 95, 80, 95, 100);
    fuselageHalf.lineTo(95, 180);
    fuselageHalf.cubicTo(95, 188, 93, 194, 91, 197);
    fuselageHalf.lineTo(81, 197);
    fuselageHalf.closeSubpath();
    const QPainterPath fuselage = symmetric(fuselageHalf, axis);
    const QPainterPath intakes =
        symmetric(polygon({{94, 68}, {102, 76}, {102, 124}, {94, 126}}), axis);
    const QPainterPath wings =
        symmetric(polygon({{94, 82}, {153, 136}, {153, 150}, {100, 157}, {94, 157}}), axis);
    const QPainterPath tailplanes =
        symmetric(polygon({{93, 158}, {128, 184}, {128, 195}, {93, 191}}), axis);
    const QPainterPath fin = polygon({{100, 144}, {104.5, 146}, {111, 193}, {106.5, 195}});
    const QPainterPath airframe =
        fuselage.united(intakes).united(wings).united(tailplanes).simplified();

    // Afterburners peeking out behind the nozzles.
    bothSides(painter, axis, [&] {
        glow(painter, QPointF(86, 204), 9, QColor(255, 240, 200, 230), QColor(255, 130, 30, 170));
    });

    // Wingtip missiles.
    bothSides(painter, axis, [&] {
        QLinearGradient body(152, 0, 158, 0);
        body.setColorAt(0, QColor(236, 236, 228));
        body.setColorAt(1, QColor(120, 120, 116));
        painter.setBrush(body);
        painter.drawRoundedRect(QRectF(152.5, 106, 5, 46), 2.5, 2.5);
        painter.setBrush(QColor(200, 40, 30));
        painter.drawRoundedRect(QRectF(152.5, 104, 5, 7), 2.5, 2.5);
        painter.setBrush(QColor(150, 150, 144));
        painter.drawPath(polygon({{152.5, 142}, {149, 150}, {161, 150}, {157.5, 142}}));
    });

    // Camouflage: overlapping blobs of four earth tones on a khaki base.
    painter.save();
    painter.setClipPath(airframe);
    painter.fillRect(QRectF(0, 0, 162, 207), QColor(138, 130, 92));
    const QColor camo[] = {QColor(72, 88, 52), QColor(110, 86, 56), QColor(50, 60, 40),
                           QColor(156, 148, 108)};
    Rng rng(0x5A17);
    for (int i = 0; i < 70; ++i) {
        const QPointF centre(rng.range(0, 162), rng.range(0, 207));
        const double r = rng.range(7, 17);
        painter.setBrush(camo[i % 4]);
        painter.drawPath(blob(rng, centre, r * rng.range(0.9, 1.6), r, 7, 0.45));
    }

    // Light from the upper left: fuselage as a cylinder, wings brighter at the leading edge.
    QLinearGradient roll(67, 0, 95, 0);
    roll.setColorAt(0, QColor(0, 0, 0, 150));
    roll.setColorAt(0.3, QColor(255, 255, 230, 70));
    roll.setColorAt(0.55, QColor(0, 0, 0, 0));
    roll.setColorAt(1, QColor(0, 0, 0, 150));
    painter.setBrush(roll);
    painter.drawPath(fuselage);
    QLinearGradient chord(0, 84, 0, 158);
    chord.setColorAt(0, QColor(255, 255, 230, 60));
    chord.setColorAt(0.45, QColor(0, 0, 0, 0));
    chord.setColorAt(1, QColor(0, 0, 0, 110));
    painter.setBrush(chord);
    painter.drawPath(wings.subtracted(fuselage));
    painter.drawPath(tailplanes.subtracted(fuselage));
    QLinearGradient sun(20, 40, 150, 200);
    sun.setColorAt(0, QColor(255, 255, 240, 30));
    sun.setColorAt(1, QColor(0, 0, 0, 70));
    painter.setBrush(sun);
    painter.drawRect(QRectF(0, 0, 162, 207));

    // Panel lines: flaps and ailerons, fuselage frames, intake lips.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(22, 26, 16, 130), 1.0));
    bothSides(painter, axis, [&] {
        painter.drawLine(QPointF(96, 149), QPointF(152, 143));
        painter.drawLine(QPointF(126, 146), QPointF(126, 153.5));
        painter.drawLine(QPointF(96, 186), QPointF(127, 188));
        painter.drawLine(QPointF(96, 90), QPointF(96, 150));
    });
    for (const double y : {80.0, 120.0, 168.0})
        painter.drawLine(QPointF(68, y), QPointF(94, y));
    painter.setPen(Qt::NoPen);
    painter.restore();

    bothSides(painter, axis, [&] {
        painter.setBrush(QColor(18, 20, 16));
        painter.drawPath(polygon({{94, 68}, {102, 76}, {102, 79}, {94, 72}}));
    });

    // Low-visibility roundels.
    bothSides(painter, axis, [&] {
        painter.setBrush(QColor(44, 52, 70, 190));
        painter.drawEllipse(QPointF(126, 128), 6.5, 6.5);
        painter.setBrush(QColor(190, 188, 176, 170));
        painter.drawEllipse(QPointF(126, 128), 4.2, 4.2);
        painter.setBrush(QColor(150, 40, 36, 190));
        painter.drawEllipse(QPointF(126, 128), 1.8, 1.8);
    });

    // Twin fins standing up from the tail, lit on their left faces.
    bothSides(painter, axis, [&] {
        QLinearGradient side(100, 0, 111, 0);
        side.setColorAt(0, QColor(168, 160, 120));
        side.setColorAt(1, QColor(64, 70, 44));
        painter.setBrush(side);
        painter.drawPath(fin);
    });

    // Engine nozzles.
    bothSides(painter, axis, [&] {
        QLinearGradient nozzle(82, 0, 92, 0);
        nozzle.setColorAt(0, QColor(140, 136, 130));
        nozzle.setColorAt(1, QColor(40, 38, 36));
        painter.setBrush(nozzle);
        painter.drawRoundedRect(QRectF(82, 190, 10, 11), 2, 2);
        painter.setBrush(QColor(24, 20, 18));
        painter.drawEllipse(QRectF(83.5, 197, 7, 4));
    });

    // Canopy with a frame and the sky reflected in it.
    QPainterPath canopy;
    canopy.moveTo(81, 22);
    canopy.cubicTo(87, 28, 88, 48, 87, 66);
    canopy.quadTo(81, 72, 75, 66);
    canopy.cubicTo(74, 48, 75, 28, 81, 22);
    QLinearGradient glass(74, 24, 88, 70);
    glass.setColorAt(0, QColor(170, 214, 236));
    glass.setColorAt(0.3, QColor(60, 100, 146));
    glass.setColorAt(1, QColor(14, 22, 40));
    painter.setBrush(glass);
    painter.drawPath(canopy);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(40, 44, 30), 1.4));
    painter.drawPath(canopy);
    painter.drawLine(QPointF(75.5, 50), QPointF(86.5, 50));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(76.5, 28, 8, 30), 110 * 16, 50 * 16);
    painter.setPen(Qt::NoPen);

    // A faint rim so the silhouette holds against the black.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(230, 226, 190, 55), 1.0));
    painter.drawPath(airframe);
    painter.setPen(Qt::NoPen);
}

// ---- The flying saucer, designed on a 100 x 100 grid ------------------------------------

void paintSaucer(QPainter& painter) {
    // Tractor glow under the hull.
    glow(painter, QPointF(50, 74), 22, QColor(140, 255, 230, 120), QColor(40, 200, 190, 70));

    QLinearGradient lower(0, 46, 0, 74);
    lower.setColorAt(0, QColor(206, 210, 222));
    lower.setColorAt(0.5, QColor(116, 122, 140));
    lower.setColorAt(1, QColor(40, 44, 58));
    painter.setBrush(lower);
    painter.drawEllipse(QPointF(50, 60), 47, 13.5);

    QLinearGradient upper(20, 44, 80, 64);
    upper.setColorAt(0, QColor(248, 250, 255));
    upper.setColorAt(0.55, QColor(170, 176, 194));
    upper.setColorAt(1, QColor(96, 100, 120));
    painter.setBrush(upper);
    painter.drawEllipse(QPointF(50, 54), 41, 10);

    // A groove between the plates.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(40, 42, 56, 170), 1.2));
    painter.drawArc(QRectF(9, 44, 82, 20.5), 180 * 16, 180 * 16);
    painter.setPen(Qt::NoPen);

    // Running lights round the rim.
    const QColor lights[] = {QColor(255, 220, 60), QColor(255, 70, 60), QColor(90, 240, 255)};
    for (int i = 0; i < 7; ++i) {
        const double angle = std::numbers::pi * (0.08 + 0.84 * i / 6.0);
        const QPointF at(50 + 41 * std::cos(angle), 63 + 7.5 * std::sin(angle));
        const QColor c = lights[i % 3];
        glow(painter, at, 5.5, QColor(255, 255, 255, 230),
             QColor(c.red(), c.green(), c.blue(), 180));
        painter.setBrush(c.lighter(130));
        painter.drawEllipse(at, 1.6, 1.6);
    }

    // The pilot under a glass dome.
    painter.setBrush(QColor(90, 200, 96));
    painter.drawEllipse(QPointF(50, 41), 7, 8.5);
    painter.setBrush(QColor(10, 20, 10));
    painter.drawEllipse(QPointF(47, 40), 1.9, 2.8);
    painter.drawEllipse(QPointF(53, 40), 1.9, 2.8);

    QPainterPath dome;
    dome.moveTo(27, 53);
    dome.cubicTo(27, 32, 39, 22, 50, 22);
    dome.cubicTo(61, 22, 73, 32, 73, 53);
    dome.cubicTo(65, 57, 35, 57, 27, 53);
    QRadialGradient glass(QPointF(44, 34), 30);
    glass.setColorAt(0, QColor(220, 252, 255, 150));
    glass.setColorAt(0.45, QColor(90, 190, 232, 120));
    glass.setColorAt(1, QColor(20, 70, 130, 200));
    painter.setBrush(glass);
    painter.drawPath(dome);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(32, 26, 36, 40), 105 * 16, 55 * 16);
    painter.setPen(Qt::NoPen);
}

// ---- The rock, designed on a 60 x 74 grid ----------------------------------------------

void paintRock(QPainter& painter) {
    Rng rng(0xC0FFEE);
    const QPainterPath outline = blob(rng, QPointF(30, 37), 27.5, 34.5, 13, 0.16);

    QRadialGradient body(QPointF(26, 30), 46, QPointF(19, 20));
    body.setColorAt(0, QColor(196, 76, 58));
    body.setColorAt(0.3, QColor(140, 36, 28));
    body.setColorAt(0.65, QColor(84, 16, 14));
    body.setColorAt(1, QColor(30, 4, 6));
    painter.setBrush(body);
    painter.drawPath(outline);

    painter.save();
    painter.setClipPath(outline);
    // Grain: small darker pits and lighter flecks.
    for (int i = 0; i < 70; ++i) {
        const QPointF at(rng.range(2, 58), rng.range(2, 72));
        const double r = rng.range(0.7, 2.0);
        painter.setBrush(i % 3 == 0 ? QColor(200, 90, 70, 70) : QColor(40, 6, 6, 110));
        painter.drawEllipse(at, r, r);
    }
    // Craters: shadowed inside on the lit side, lit on the rim facing the light.
    struct Crater {
        double x, y, r;
    };
    for (const Crater c :
         {Crater{36, 24, 7}, Crater{20, 48, 5.5}, Crater{40, 54, 4}, Crater{18, 24, 3}}) {
        QLinearGradient pit(c.x - c.r, c.y - c.r, c.x + c.r, c.y + c.r);
        pit.setColorAt(0, QColor(34, 4, 6));
        pit.setColorAt(1, QColor(132, 40, 30));
        painter.setBrush(pit);
        painter.drawEllipse(QPointF(c.x, c.y), c.r, c.r * 0.85);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(226, 118, 90, 200), 1.3));
        painter.drawArc(QRectF(c.x - c.r, c.y - c.r * 0.85, 2 * c.r, 1.7 * c.r), 200 * 16,
                        110 * 16);
        painter.setPen(Qt::NoPen);
    }
    painter.restore();

    // Rim light on the upper left edge.
    QLinearGradient rim(8, 6, 44, 60);
    rim.setColorAt(0, QColor(240, 140, 110, 220));
    rim.setColorAt(0.5, QColor(120, 30, 24, 0));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(rim), 2.0));
    painter.drawPath(outline);
    painter.setPen(Qt::NoPen);
}

// Darkens and browns every lit pixel, as scorched metal.
void scorch(QImage& image, Rng& rng) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const double r = qRed(c), g = qGreen(c), b = qBlue(c);
            const double lum = 0.3 * r + 0.59 * g + 0.11 * b;
            const double n = rng.range(0.7, 1.1);
            auto mix = [](double original, double burnt) {
                return std::clamp(int(0.3 * original + 0.7 * burnt + 0.5), 0, 255);
            };
            line[x] = qRgb(mix(r, lum * 0.78 * n), mix(g, lum * 0.56 * n), mix(b, lum * 0.44 * n));
        }
    }
}

QImage paintAt(int width, int height, double scale, const std::function<void(QPainter&)>& draw) {
    QImage image = blackCanvas(width, height);
    QPainter painter(&image);
    prepare(painter);
    painter.scale(scale, scale);
    draw(painter);
    return image;
}

} // namespace

QImage drawShip() {
    return paintAt(50, 64, 0.5, [](QPainter& p) { paintShip(p, true); });
}

QImage drawWreck() {
    QImage image = paintAt(50, 64, 0.5, [](QPainter& p) {
        paintShip(p, false);
        // The right wing torn off and a bite out of the left one.
        p.setBrush(QColor(0, 0, 0));
        p.drawPath(polygon({{74, 70},
                            {101, 60},
                            {101, 128},
                            {76, 124},
                            {80, 112},
                            {75, 104},
                            {81, 96},
                            {76, 88},
                            {80, 80}}));
        p.drawPath(polygon({{-1, 94}, {7, 93}, {4, 99}, {11, 104}, {6, 108}, {-1, 110}}));
    });
    Rng rng(0xB00B5);
    scorch(image, rng);

    QPainter painter(&image);
    prepare(painter);
    painter.scale(0.5, 0.5);
    // Soot and a crack across the hull.
    for (const QPointF at : {QPointF(66, 84), QPointF(44, 60), QPointF(30, 94), QPointF(54, 108)})
        glow(painter, at, 11, QColor(0, 0, 0, 200), QColor(10, 6, 4, 140));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(12, 8, 6), 1.6));
    painter.drawPolyline(QPolygonF(
        {QPointF(38, 76), QPointF(45, 80), QPointF(49, 77), QPointF(56, 83), QPointF(62, 80)}));
    painter.setPen(Qt::NoPen);

    // Fire from the torn wing root, behind the canopy, on the left wing and in an engine.
    paintFire(painter, {{68, 84, 8, 40, 4}, {62, 88, 6, 28, -6}, {74, 90, 5, 22, 8}},
              QPointF(68, 92), 26);
    paintFire(painter, {{44, 62, 6, 30, -3}, {50, 64, 5, 22, 5}}, QPointF(46, 68), 18);
    paintFire(painter, {{30, 98, 6, 26, -5}, {36, 100, 4, 18, 3}}, QPointF(32, 104), 16);
    paintFire(painter, {{45, 114, 5, 18, 2}}, QPointF(45, 119), 12);

    // Sparks thrown off the blaze.
    for (int i = 0; i < 14; ++i) {
        const QPointF at(rng.range(20, 90), rng.range(8, 100));
        glow(painter, at, rng.range(1.6, 3.0), QColor(255, 240, 170), QColor(255, 120, 20, 200));
    }
    return image;
}

QImage drawCraft() {
    return paintAt(50, 64, 0.5, paintCraft);
}

QImage drawFighter() {
    return paintAt(162, 207, 1.0, paintFighter);
}

QImage drawSaucer() {
    return paintAt(50, 50, 0.5, paintSaucer);
}

QImage drawRock() {
    return paintAt(30, 37, 0.5, paintRock);
}

QImage drawFlame() {
    return paintAt(50, 50, 0.5, [](QPainter& p) {
        paintFire(p,
                  {{50, 78, 22, 74, 2},
                   {36, 82, 13, 46, -12},
                   {64, 82, 14, 54, 10},
                   {43, 80, 11, 60, -6},
                   {58, 80, 10, 40, 6}},
                  QPointF(50, 96), 48);
    });
}

QImage drawBanner() {
    // The about box places the banner 480 twips (32 px) left of its client area and clips 30
    // twips (2 px) on the right, so only columns 32-397 are ever seen. Everything meant to be
    // read lies in that window, a margin in from both edges; the hidden strips hold only sky.
    constexpr int kWidth = 400, kHeight = 40;
    constexpr int kSeenLeft = 480 / 15, kSeenRight = kWidth - 30 / 15, kMargin = 12;

    QImage image = blackCanvas(kWidth, kHeight);
    QPainter painter(&image);
    prepare(painter);

    Rng rng(0x57A25);
    for (int i = 0; i < 90; ++i) {
        const QPointF at(rng.range(0, kWidth), rng.range(0, kHeight));
        const int v = int(rng.range(50, 190));
        const double r = rng.range(0.35, 0.8);
        painter.setBrush(QColor(v, v, std::min(255, v + 30)));
        painter.drawEllipse(at, r, r);
    }
    for (const QPointF at : {QPointF(196, 9), QPointF(266, 8), QPointF(372, 6)}) {
        glow(painter, at, 3.5, QColor(255, 255, 255), QColor(150, 190, 255, 150));
        painter.setBrush(QColor(200, 220, 255, 120));
        painter.drawRect(QRectF(at.x() - 4, at.y() - 0.4, 8, 0.8));
        painter.drawRect(QRectF(at.x() - 0.4, at.y() - 4, 0.8, 8));
    }

    const std::string_view name = "ZELTO";
    const int nameLeft = kSeenLeft + kMargin, nameRight = nameLeft + pixelTextWidth(name) * 4;
    const QColor warm[] = {QColor(255, 252, 196), QColor(255, 236, 120), QColor(255, 212, 68),
                           QColor(255, 182, 40),  QColor(252, 146, 30),  QColor(238, 108, 24),
                           QColor(214, 72, 20)};
    drawPixelText(
        painter, QPoint(nameLeft, 6), name, 4, [&](int row) { return warm[std::min(row, 6)]; },
        QColor(110, 18, 10), 2, QColor(255, 255, 236));

    const std::string_view address = "zelto.example.org";
    const int addressLeft = kSeenRight - kMargin - pixelTextWidth(address) * 2;
    const QColor cool[] = {QColor(190, 246, 255), QColor(170, 236, 255), QColor(146, 222, 250),
                           QColor(120, 204, 244), QColor(100, 186, 236), QColor(84, 168, 228),
                           QColor(72, 152, 220),  QColor(64, 138, 210),  QColor(58, 126, 200)};
    drawPixelText(
        painter, QPoint(addressLeft, 20), address, 2,
        [&](int row) { return cool[std::min(row, 8)]; }, QColor(10, 40, 76), 1);

    // A laser streak joining the name and the address.
    const double beamLeft = nameRight + 6, beamRight = addressLeft - 6;
    QLinearGradient beam(beamLeft, 0, beamRight, 0);
    beam.setColorAt(0, QColor(255, 120, 30, 0));
    beam.setColorAt(0.5, QColor(255, 180, 80, 220));
    beam.setColorAt(1, QColor(255, 120, 30, 0));
    painter.setBrush(beam);
    painter.drawRect(QRectF(beamLeft, 25.5, beamRight - beamLeft, 1.5));
    return image;
}

QImage drawIcon(int size) {
    QImage image = blackCanvas(size, size);
    QPainter painter(&image);
    prepare(painter);
    // The ship's 100 x 128 design grid fills the height; its wings span 96 of the 100 units.
    const double scale = size / 128.0;
    painter.translate((size - 100 * scale) / 2, 0);
    painter.scale(scale, scale);
    paintShip(painter, true);
    return image;
}

} // namespace assetgen
