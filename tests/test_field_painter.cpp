// Drawing the play field: what shows where, what never shows, and which areas a change repaints.
#include "screens/field_painter.h"
#include "test_support.h"

#include <QPainter>
#include <QtTest>
#include <functional>

using namespace zelto;
using namespace zelto::test;

using Change = std::function<void(Form1&)>;

const QRect kField(QPoint(0, 0), kFieldPixelSize);

QImage render(const Form1& form, const QRect& exposed = kField) {
    QImage image(kFieldPixelSize, QImage::Format_RGB32);
    image.fill(Qt::blue); // anything the painter leaves alone stays blue
    QPainter painter(&image);
    FieldPainter().paint(painter, form, exposed);
    return image;
}

int count(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& wanted) {
    int n = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += wanted(image.pixel(x, y)) ? 1 : 0;
    return n;
}

const auto notBlack = [](QRgb c) { return (c & 0xffffff) != 0; };
const auto white = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; };

class FieldPainterTest : public QObject {
    Q_OBJECT

private slots:
    // In one scene, `pixels` not black in the box (negative: at least that many), all of
    // `colour` unless it is 0.
    void drawsWhatIsShownInItsBox_data() {
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<int>("pixels");
        QTest::newRow("ship") << QRect(256, 496, 50, 64) << QRgb(0) << -800;
        QTest::newRow("rock") << QRect(744, 0, 30, 37) << QRgb(0) << -277;
        QTest::newRow("rock above the top edge") << QRect(664, 0, 30, 21) << QRgb(0) << -157;
        // "Score" right-aligned in its 57 pixel box, "1500" left-aligned in Label4's.
        QTest::newRow("Score") << QRect(112, 576, 17, 17) << QRgb(0) << -1;
        QTest::newRow("left of Score") << QRect(72, 576, 6, 17) << QRgb(0) << 0;
        QTest::newRow("best") << QRect(656, 568, 10, 25) << QRgb(0) << -1;
        QTest::newRow("right of best") << QRect(716, 568, 69, 25) << QRgb(0) << 0;
        QTest::newRow("under the labels") << QRect(72, 593, 300, 7) << QRgb(0) << 0;
        QTest::newRow("shot, filled red") << QRect(200, 200, 1, 9) << qRgb(255, 0, 0) << 9;
        QTest::newRow("shots over images") << QRect(260, 500, 1, 9) << qRgb(255, 0, 0) << 9;
        QTest::newRow("unfilled shot: outline") << QRect(48, 560, 10, 17) << qRgb(0, 255, 0) << 50;
        QTest::newRow("hidden rock") << QRect(640, 128, 25, 33) << QRgb(0) << 0;
        QTest::newRow("image without picture") << QRect(528, 8, 65, 25) << QRgb(0) << 0;
        QTest::newRow("hidden shot") << QRect(24, 584, 1, 9) << QRgb(0) << 0;
        QTest::newRow("bottom guide line, visible") << QRect(400, 544, 300, 9) << QRgb(0) << 0;
        QTest::newRow("side guide line, visible") << QRect(8, 100, 1, 300) << QRgb(0) << 0;
    }
    void drawsWhatIsShownInItsBox() {
        QFETCH(QRect, box);
        QFETCH(QRgb, colour);
        QFETCH(int, pixels);
        Game game(std::string("1500\r\n"));
        Form1& f = game.form();
        f.SnpSparo2 = {3000, 3000, 15, 135, true, Form1::kRed, Form1::kRed};
        f.Sparonem = {3900, 7500, 15, 135, true, Form1::kRed, Form1::kRed};
        f.SparoUltra1 = {720, 8400, 150, 255, true, Form1::kGreen, std::nullopt};
        f.Image13.visible = false;
        f.lineover.visible = f.Sline.visible = true;
        const QImage image = render(f);
        const int shown = count(image, box, notBlack);
        if (pixels < 0)
            QVERIFY(shown >= -pixels);
        else
            QCOMPARE(shown, pixels);
        if (colour)
            QCOMPARE(count(image, box, [&](QRgb c) { return c == colour; }), pixels);
    }

    void paintsOnlyTheExposedAreaAndClipsAtTheEdges() {
        Game game;
        game.form().Image7.left = 11900; // mostly beyond the right edge
        game.form().Image2.top = -500;
        game.form().Image3.left = -400;
        const auto untouched = [](QRgb c) { return c == qRgb(0, 0, 255); };
        const QImage image = render(game.form(), QRect(700, 0, 100, 100));
        QCOMPARE(count(image, kField, untouched), 800 * 600 - 100 * 100);
        QVERIFY(count(image, QRect(793, 0, 7, 37), notBlack) > 0);
        QCOMPARE(count(render(game.form()), kField, untouched), 0);
        const int before = count(render(game.form()), QRect(136, 576, 169, 17), white);
        game.form().setLabel1Caption("123456");
        QVERIFY(count(render(game.form()), QRect(136, 576, 169, 17), white) > 3 * before);
    }

    // On a dense screen each field pixel is a square of whole device pixels, copied, never
    // smoothed; at a fractional ratio it stays one device pixel, the field centred.
    void picturesKeepWholePixelsOnDenseScreens() {
        Game game;
        const QImage plain = render(game.form());
        // The ratio, the whole factor and the field's origin in device pixels.
        for (const auto& [ratio, factor, origin] : {std::tuple(2.0, 2, QPoint(0, 0)),
                                                    {1.5, 1, QPoint(200, 150)},
                                                    {1.25, 1, QPoint(100, 75)}}) {
            QImage dense((QSizeF(kFieldPixelSize) * ratio).toSize(), QImage::Format_RGB32);
            dense.setDevicePixelRatio(ratio);
            QPainter painter(&dense);
            painter.setTransform(fieldTransform(kFieldPixelSize, ratio));
            FieldPainter().paint(painter, game.form(), kField);
            painter.end();
            dense.setDevicePixelRatio(1);
            for (const QRect& box : {QRect(256, 496, 50, 64), QRect(744, 0, 30, 37)})
                QCOMPARE(dense.copy(QRect(origin + box.topLeft() * factor, box.size() * factor)),
                         plain.copy(box).scaled(box.size() * factor));
        }
    }

    // Changes one after another, each with the area it repaints.
    void changedRegionHoldsOldAndNewBoxesOfWhatChanged() {
        Game game;
        const std::pair<Change, QRegion> steps[] = {
            {[](Form1&) {}, QRegion()},
            {[](Form1& f) { f.Image7.top += 28; },
             QRegion(744, 0, 30, 37) + QRegion(744, 2, 30, 37)},
            {[](Form1& f) { f.Image7.top += 5; }, QRegion()}, // less than a pixel
            {[](Form1& f) { f.Image7.visible = false; }, QRegion(744, 2, 30, 37)},
            {[](Form1& f) { f.SnpSparo2.top -= 200; }, QRegion()}, // hidden
            {[](Form1& f) { f.SnpSparo.visible = true; }, QRegion(24, 584, 1, 9)},
            {[](Form1& f) { f.assignPicture(f.Image1, f.Picture1); }, QRegion(256, 496, 50, 64)},
            {[](Form1& f) { f.Label1.caption = "50"; }, QRegion(136, 576, 169, 17)}};
        for (const auto& [change, expected] : steps) {
            const FieldSnapshot before = FieldSnapshot::of(game.form());
            change(game.form());
            QCOMPARE(changedRegion(before, FieldSnapshot::of(game.form())), expected);
        }
    }
};

QTEST_MAIN(FieldPainterTest)
#include "test_field_painter.moc"
