// Drawing the play field: what shows where, what never shows, and which areas a change
// repaints.
#include "screens/field_painter.h"
#include "test_support.h"

#include <QPainter>
#include <QtTest>
#include <functional>

using namespace zelto;
using namespace zelto::test;

using Change = std::function<void(Form1&)>;
Q_DECLARE_METATYPE(Change)

namespace {

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

bool notBlack(QRgb c) {
    return (c & 0xffffff) != 0;
}
bool white(QRgb c) {
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
}

} // namespace

class FieldPainterTest : public QObject {
    Q_OBJECT

private slots:
    void drawsWhatIsShownInItsBox_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QRgb>("colour"); // 0: pictures, mostly not black
        QTest::addColumn<int>("pixels");  // of that colour in the box
        const Change none = [](Form1&) {};
        QTest::newRow("ship") << none << QRect(256, 496, 50, 64) << QRgb(0) << 0;
        QTest::newRow("rock") << none << QRect(744, 0, 30, 37) << QRgb(0) << 0;
        QTest::newRow("rock above the top edge") << none << QRect(664, 0, 30, 21) << QRgb(0) << 0;
        QTest::newRow("shot, filled red") << Change([](Form1& f) {
            f.SnpSparo = {3000, 3000, 15, 135, true, Form1::kRed, Form1::kRed};
        }) << QRect(200, 200, 1, 9) << qRgb(255, 0, 0)
                                          << 9;
        QTest::newRow("unfilled shot, green outline only") << Change([](Form1& f) {
            f.SparoUltra1 = {720, 8400, 150, 255, true, Form1::kGreen, std::nullopt};
        }) << QRect(48, 560, 10, 17) << qRgb(0, 255, 0) << 2 * 10 + 2 * 15;
    }
    void drawsWhatIsShownInItsBox() {
        QFETCH(Change, change);
        QFETCH(QRect, box);
        QFETCH(QRgb, colour);
        QFETCH(int, pixels);
        Game game;
        change(game.form());
        const QImage image = render(game.form());
        if (colour)
            QCOMPARE(count(image, box, [&](QRgb c) { return c == colour; }), pixels);
        else
            QVERIFY(count(image, box, notBlack) > box.width() * box.height() / 4);
        QCOMPARE(count(image, box, [&](QRgb c) { return notBlack(c) && c != colour; }) > 0,
                 !colour);
    }

    void drawsNothingForWhatIsNotShown_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QRect>("box");
        QTest::newRow("hidden rock")
            << Change([](Form1& f) { f.Image7.visible = false; }) << QRect(744, 0, 30, 37);
        QTest::newRow("image without picture") << Change([](Form1&) {}) << QRect(528, 8, 65, 25);
        QTest::newRow("hidden shot") << Change([](Form1&) {}) << QRect(24, 584, 1, 9);
        QTest::newRow("bottom guide line, even when visible")
            << Change([](Form1& f) { f.lineover.visible = true; }) << QRect(400, 544, 300, 9);
        QTest::newRow("side guide line, even when visible")
            << Change([](Form1& f) { f.Sline.visible = true; }) << QRect(8, 100, 1, 300);
    }
    void drawsNothingForWhatIsNotShown() {
        QFETCH(Change, change);
        QFETCH(QRect, box);
        Game game;
        change(game.form());
        QCOMPARE(count(render(game.form()), box, notBlack), 0);
    }

    void labelsShowWhiteTextAlignedInTheirBox() {
        Game game(std::string("1500\r\n"));
        const QImage image = render(game.form());
        // "Score" is right-aligned in its 57 pixel box, "1500" left-aligned in Label4's.
        QVERIFY(count(image, QRect(72 + 40, 576, 17, 17), white) > 0);
        QCOMPARE(count(image, QRect(72, 576, 6, 17), white), 0);
        QVERIFY(count(image, QRect(656, 568, 10, 25), white) > 0);
        QCOMPARE(count(image, QRect(656 + 60, 568, 129 - 60, 25), white), 0);
        // Text stays inside the box: the field under the score line is black.
        QCOMPARE(count(image, QRect(72, 593, 300, 7), notBlack), 0);

        const int before = count(image, QRect(136, 576, 169, 17), white);
        game.form().setLabel1Caption("123456");
        QVERIFY(count(render(game.form()), QRect(136, 576, 169, 17), white) > 3 * before);
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
    }

    // On a dense screen each field pixel is a square of whole device pixels, copied, never
    // smoothed; at a fractional ratio it stays one device pixel, the field centred.
    void picturesKeepWholePixelsOnDenseScreens_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("factor");
        QTest::addColumn<QPoint>("origin"); // of the field, in device pixels
        QTest::newRow("2") << 2.0 << 2 << QPoint(0, 0);
        QTest::newRow("1.5") << 1.5 << 1 << QPoint(200, 150);
        QTest::newRow("1.25") << 1.25 << 1 << QPoint(100, 75);
    }
    void picturesKeepWholePixelsOnDenseScreens() {
        QFETCH(qreal, ratio);
        QFETCH(int, factor);
        QFETCH(QPoint, origin);
        Game game;
        const QImage plain = render(game.form());
        QImage dense((QSizeF(kFieldPixelSize) * ratio).toSize(), QImage::Format_RGB32);
        dense.setDevicePixelRatio(ratio);
        QPainter painter(&dense);
        painter.setTransform(fieldTransform(kFieldPixelSize, ratio));
        FieldPainter().paint(painter, game.form(), kField);
        painter.end();
        int wrong = 0;
        for (const QRect& picture : {QRect(256, 496, 50, 64), QRect(744, 0, 30, 37)})
            for (int y = picture.top(); y <= picture.bottom(); ++y)
                for (int x = picture.left(); x <= picture.right(); ++x)
                    for (int d = 0; d < factor * factor; ++d)
                        wrong += dense.pixel(origin + QPoint(x, y) * factor +
                                             QPoint(d % factor, d / factor)) != plain.pixel(x, y);
        QCOMPARE(wrong, 0);
    }

    void changedRegionHoldsOldAndNewBoxesOfWhatChanged_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QRegion>("expected");
        QTest::newRow("nothing") << Change([](Form1&) {}) << QRegion();
        QTest::newRow("rock falls") << Change([](Form1& f) { f.Image7.top += 28; })
                                    << (QRegion(744, 0, 30, 37) + QRegion(744, 2, 30, 37));
        QTest::newRow("sub-pixel move") << Change([](Form1& f) { f.Image7.top += 5; }) << QRegion();
        QTest::newRow("rock hit") << Change([](Form1& f) { f.Image7.visible = false; })
                                  << QRegion(744, 0, 30, 37);
        QTest::newRow("hidden shot moves")
            << Change([](Form1& f) { f.SnpSparo.top -= 200; }) << QRegion();
        QTest::newRow("shot appears")
            << Change([](Form1& f) { f.SnpSparo.visible = true; }) << QRegion(24, 584, 1, 9);
        QTest::newRow("ship wrecked")
            << Change([](Form1& f) { f.assignPicture(f.Image1, f.Picture1); })
            << QRegion(256, 496, 50, 64);
        QTest::newRow("score") << Change([](Form1& f) { f.Label1.caption = "50"; })
                               << QRegion(136, 576, 169, 17);
    }
    void changedRegionHoldsOldAndNewBoxesOfWhatChanged() {
        QFETCH(Change, change);
        QFETCH(QRegion, expected);
        Game game;
        const FieldSnapshot before = FieldSnapshot::of(game.form());
        change(game.form());
        QCOMPARE(changedRegion(before, FieldSnapshot::of(game.form())), expected);
    }
};

QTEST_MAIN(FieldPainterTest)
#include "test_field_painter.moc"
