// The committed artwork and sounds in assets/, checked byte by byte against the formats the
// game and its resource file rely on. Regenerate with zelto-assetgen when one fails.

#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

namespace {

const QString kAssets = QStringLiteral(ZELTO_SOURCE_DIR "/assets/");

struct PictureSize {
    const char* file;
    int width;
    int height;
    int hiddenLeft = 0, hiddenRight = 0; // columns the window never shows: sky only
};

constexpr PictureSize kPictures[] = {
    {"ship.bmp", 50, 64},       {"wreck.bmp", 50, 64},          {"craft.bmp", 50, 64},
    {"fighter.bmp", 162, 207},  {"saucer.gif", 50, 50},         {"rock.gif", 30, 37},
    {"flame.gif", 50, 50},      {"banner.gif", 400, 40, 32, 2}, {"icon-16.png", 16, 16},
    {"icon-32.png", 32, 32},    {"icon-48.png", 48, 48},        {"icon-64.png", 64, 64},
    {"icon-128.png", 128, 128}, {"icon-256.png", 256, 256},
};

QByteArray readAsset(const QString& relative) {
    QFile file(kAssets + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Little-endian fields; out-of-range reads give 0 so a truncated file fails a check instead
// of crashing the test.
quint32 le16(const QByteArray& bytes, qsizetype at) {
    if (at < 0 || at + 2 > bytes.size())
        return 0;
    return quint8(bytes[at]) | quint32(quint8(bytes[at + 1])) << 8;
}

quint32 le32(const QByteArray& bytes, qsizetype at) {
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

void addPictureRows(const char* suffix) {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("hiddenLeft");
    QTest::addColumn<int>("hiddenRight");
    for (const auto& p : kPictures)
        if (QByteArray(p.file).endsWith(suffix))
            QTest::newRow(p.file) << QString(p.file) << p.width << p.height << p.hiddenLeft
                                  << p.hiddenRight;
}

// The night sky behind the artwork: black, or a faint grey-blue star.
bool isSky(QRgb pixel) {
    return std::abs(qRed(pixel) - qGreen(pixel)) <= 2 && qBlue(pixel) >= qGreen(pixel) &&
           qBlue(pixel) - qRed(pixel) <= 40;
}

} // namespace

class AssetFilesAreWellFormed : public QObject {
    Q_OBJECT

private slots:
    void pictureLoadsAtItsSizeOnBlack_data() { addPictureRows(""); }

    void pictureLoadsAtItsSizeOnBlack() {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, hiddenLeft);
        QFETCH(int, hiddenRight);
        const QImage image(kAssets + "pictures/" + file);
        QVERIFY2(!image.isNull(), qPrintable(file + " is missing or unreadable"));
        QCOMPARE(image.size(), QSize(width, height));

        // Opaque, with pure black as the background (the commonest colour), and something
        // drawn on it; the columns the window hides hold nothing meant to be seen.
        std::map<QRgb, int> counts;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgb pixel = image.pixel(x, y);
                QCOMPARE(qAlpha(pixel), 255);
                ++counts[pixel & 0xFFFFFFu];
                if (x < hiddenLeft || x >= width - hiddenRight)
                    QVERIFY2(isSky(pixel),
                             qPrintable(QString("hidden %1,%2 is drawn on").arg(x).arg(y)));
            }
        const auto commonest = std::max_element(
            counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
        QCOMPARE(commonest->first, QRgb(0));
        QVERIFY2(width * height - counts[0] >= width * height / 20, "picture is nearly blank");
    }

    void bitmapIs24BitUncompressed_data() { addPictureRows(".bmp"); }

    void bitmapIs24BitUncompressed() {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(int, height);
        const QByteArray bmp = readAsset("pictures/" + file);
        QVERIFY(bmp.startsWith("BM"));
        QCOMPARE(le32(bmp, 2), quint32(bmp.size()));
        QCOMPARE(le32(bmp, 14), 40u); // BITMAPINFOHEADER
        QCOMPARE(le32(bmp, 18), quint32(width));
        QCOMPARE(le32(bmp, 22), quint32(height)); // positive: rows stored bottom-up
        QCOMPARE(le16(bmp, 28), 24u);
        QCOMPARE(le32(bmp, 30), 0u);
        const quint32 rowBytes = (quint32(width) * 3 + 3) & ~3u;
        QCOMPARE(le32(bmp, 10) + rowBytes * quint32(height), quint32(bmp.size()));
    }

    void gifHasOneFrameAFullPaletteAndNoTransparency_data() { addPictureRows(".gif"); }

    void gifHasOneFrameAFullPaletteAndNoTransparency() {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(int, height);
        const QByteArray gif = readAsset("pictures/" + file);
        QVERIFY(gif.startsWith("GIF89a") || gif.startsWith("GIF87a"));
        QCOMPARE(le16(gif, 6), quint32(width));
        QCOMPARE(le16(gif, 8), quint32(height));
        const quint8 screen = quint8(gif.at(10));
        QVERIFY2(screen & 0x80, "no global colour table");
        QCOMPARE(screen & 0x07, 7); // 2^(7+1) = 256 entries

        auto skipSubBlocks = [&](qsizetype at) {
            while (at < gif.size() && gif[at] != 0)
                at += 1 + quint8(gif[at]);
            return at + 1;
        };
        int frames = 0;
        qsizetype at = 13 + 3 * 256;
        while (at < gif.size() && gif[at] != 0x3B) {
            if (gif[at] == 0x21) {
                if (quint8(gif.at(at + 1)) == 0xF9)
                    QVERIFY2(!(gif.at(at + 3) & 0x01), "transparent colour set");
                at = skipSubBlocks(at + 2);
            } else if (gif[at] == 0x2C) {
                ++frames;
                const quint8 local = quint8(gif.at(at + 9));
                at += 10 + ((local & 0x80) ? 3 * (2 << (local & 0x07)) : 0);
                at = skipSubBlocks(at + 1); // past the LZW minimum code size
            } else {
                QFAIL(qPrintable(
                    QString("unknown block 0x%1 at %2").arg(quint8(gif[at]), 0, 16).arg(at)));
            }
        }
        QVERIFY2(at < gif.size(), "no trailer");
        QCOMPARE(frames, 1);
    }

    // Decodes the frame's LZW stream strictly, as the least forgiving reader would: codes
    // widen exactly when the table fills 2^width entries, the end code closes the last byte,
    // and the indices, looked up in the palette, are the pixels Qt shows.
    void iconHolds32And16FourBitImages() {
        const QByteArray ico = readAsset("pictures/icon.ico");
        QCOMPARE(le16(ico, 0), 0u);
        QCOMPARE(le16(ico, 2), 1u);
        QCOMPARE(le16(ico, 4), 2u);
        std::set<int> sizes;
        for (int i = 0; i < 2; ++i) {
            const qsizetype entry = 6 + 16 * i;
            const int size = quint8(ico.at(entry)) == 0 ? 256 : quint8(ico.at(entry));
            sizes.insert(size);
            QCOMPARE(quint8(ico.at(entry + 1)), quint8(size));
            QCOMPARE(le16(ico, entry + 6), 4u);
            const quint32 length = le32(ico, entry + 8), offset = le32(ico, entry + 12);
            QVERIFY(offset + length <= quint32(ico.size()));
            QCOMPARE(le32(ico, offset), 40u);
            QCOMPARE(le32(ico, offset + 4), quint32(size));
            QCOMPARE(le32(ico, offset + 8), quint32(2 * size)); // colours plus AND mask
            QCOMPARE(le16(ico, offset + 14), 4u);
            QCOMPARE(le32(ico, offset + 16), 0u);
            const quint32 xorRow = (quint32(size) * 4 + 31) / 32 * 4;
            const quint32 andRow = (quint32(size) + 31) / 32 * 4;
            QCOMPARE(length, 40 + 16 * 4 + (xorRow + andRow) * quint32(size));
        }
        QCOMPARE(sizes, (std::set<int>{16, 32}));

        QImageReader reader(kAssets + "pictures/icon.ico");
        QCOMPARE(reader.imageCount(), 2);
        QVERIFY(!reader.read().isNull());
    }

    void waveIsPcm16WithSaneLengthAndSound_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        QTest::addColumn<int>("maxBytes");
        QTest::newRow("music") << "musica.wav" << 30.0 << 600.0 << 3'200'000;
        QTest::newRow("explosion") << "esplosione.wav" << 0.3 << 2.0 << 400'000;
        QTest::newRow("laser") << "laser.wav" << 0.05 << 2.0 << 400'000;
    }

    void waveIsPcm16WithSaneLengthAndSound() {
        QFETCH(QString, file);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        QFETCH(int, maxBytes);
        const QByteArray wav = readAsset("wav/" + file);
        QVERIFY(wav.startsWith("RIFF"));
        QCOMPARE(le32(wav, 4), quint32(wav.size() - 8));
        QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
        QVERIFY(wav.size() <= maxBytes);

        quint32 channels = 0, rate = 0;
        QByteArray data;
        for (qsizetype at = 12; at + 8 <= wav.size();) {
            const QByteArray id = wav.mid(at, 4);
            const quint32 length = le32(wav, at + 4);
            if (id == "fmt ") {
                QCOMPARE(le16(wav, at + 8), 1u); // PCM
                channels = le16(wav, at + 10);
                rate = le32(wav, at + 12);
                QCOMPARE(le16(wav, at + 20), channels * 2);
                QCOMPARE(le16(wav, at + 22), 16u);
            } else if (id == "data") {
                data = wav.mid(at + 8, length);
                QCOMPARE(quint32(data.size()), length);
            }
            at += 8 + length + (length & 1);
        }
        QVERIFY(channels == 1 || channels == 2);
        QVERIFY(rate == 22050 || rate == 44100);
        QVERIFY(!data.isEmpty());

        const double seconds = double(data.size()) / (2.0 * channels * rate);
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds,
                 qPrintable(QString("%1 s").arg(seconds)));

        // Audible, and normalised below full scale rather than clipped.
        int peak = 0;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            peak = std::max(peak, std::abs(int(qint16(le16(data, i)))));
        QVERIFY2(peak > 3000, qPrintable(QString("peak %1 is too quiet").arg(peak)));
        QVERIFY2(peak < 32767, "samples reach full scale: clipped");
    }

    void pictureIsBuiltIntoTheGame_data() {
        QTest::addColumn<QString>("file");
        for (const auto& p : kPictures)
            QTest::newRow(p.file) << QString(p.file);
        QTest::newRow("icon.ico") << QStringLiteral("icon.ico");
        QTest::newRow("icon-256.png") << QStringLiteral("icon-256.png");
    }

    void pictureIsBuiltIntoTheGame() {
        QFETCH(QString, file);
        QFile resource(":/pictures/" + file);
        QVERIFY(resource.open(QIODevice::ReadOnly));
        QCOMPARE(resource.readAll(), readAsset("pictures/" + file));
    }
};

QTEST_MAIN(AssetFilesAreWellFormed)
#include "test_assets.moc"
