// The committed artwork and sounds in assets/, as the game shows and plays them. Their byte
// formats are zelto-assetgen's own read-back check; regenerate with it when one fails.

#include <QFile>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <map>

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
    {"icon-128.png", 128, 128}, {"icon-256.png", 256, 256},     {"icon.ico", 32, 32},
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Little-endian; reads past the end give 0, so a truncated file fails a check.
quint32 le(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | (at + i < bytes.size() ? quint8(bytes[at + i]) : 0u);
    return value;
}

// The night sky behind the artwork: black, or a faint grey-blue star.
bool isSky(QRgb pixel) {
    return std::abs(qRed(pixel) - qGreen(pixel)) <= 2 && qBlue(pixel) >= qGreen(pixel) &&
           qBlue(pixel) - qRed(pixel) <= 40;
}

} // namespace

class AssetFiles : public QObject {
    Q_OBJECT

private slots:
    void pictureIsBuiltInAtItsSizeOnBlack_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(kPictures)); ++row)
            QTest::newRow(kPictures[row].file) << row;
    }

    // Opaque, pure black the commonest colour, something drawn on it, and nothing meant to be
    // seen in the columns the window hides; the game's resource holds these very bytes.
    void pictureIsBuiltInAtItsSizeOnBlack() {
        QFETCH(int, row);
        const PictureSize& p = kPictures[row];
        const QString file = kAssets + "pictures/" + p.file;
        QCOMPARE(readAll(QStringLiteral(":/pictures/") + p.file), readAll(file));
        const QImage image(file);
        QCOMPARE(image.size(), QSize(p.width, p.height));
        std::map<QRgb, int> counts;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const QRgb pixel = image.pixel(x, y);
                QCOMPARE(qAlpha(pixel), 255);
                ++counts[pixel & 0xFFFFFFu];
                if (x < p.hiddenLeft || x >= p.width - p.hiddenRight)
                    QVERIFY2(isSky(pixel), qPrintable(QString("hidden %1,%2").arg(x).arg(y)));
            }
        const auto commonest = std::max_element(
            counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
        QCOMPARE(commonest->first, QRgb(0));
        QVERIFY2(p.width * p.height - counts[0] >= p.width * p.height / 20, "nearly blank");
    }

    void waveIsPcm16WithSaneLengthAndSound_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        QTest::newRow("music") << "musica.wav" << 30.0 << 600.0;
        QTest::newRow("explosion") << "esplosione.wav" << 0.3 << 2.0;
        QTest::newRow("laser") << "laser.wav" << 0.05 << 2.0;
    }

    void waveIsPcm16WithSaneLengthAndSound() {
        QFETCH(QString, file);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const QByteArray wav = readAll(kAssets + "wav/" + file);
        QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 4) == "WAVE");
        QCOMPARE(le(wav, 4, 4), quint32(wav.size() - 8));
        quint32 channels = 0, rate = 0;
        QByteArray data;
        for (qsizetype at = 12; at + 8 <= wav.size();) {
            const quint32 length = le(wav, at + 4, 4);
            if (wav.mid(at, 4) == "fmt ") {
                QCOMPARE(le(wav, at + 8, 2), 1u); // PCM
                QCOMPARE(le(wav, at + 22, 2), 16u);
                channels = le(wav, at + 10, 2);
                rate = le(wav, at + 12, 4);
            } else if (wav.mid(at, 4) == "data") {
                data = wav.mid(at + 8, length);
            }
            at += 8 + length + (length & 1);
        }
        QVERIFY(channels == 1 || channels == 2);
        QVERIFY(rate == 22050 || rate == 44100);
        const double seconds = double(data.size()) / (2.0 * channels * rate);
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds,
                 qPrintable(QString::number(seconds)));

        // Audible, and normalised below full scale rather than clipped.
        int peak = 0;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            peak = std::max(peak, std::abs(int(qint16(le(data, i, 2)))));
        QVERIFY2(peak > 3000 && peak < 32767, qPrintable(QString("peak %1").arg(peak)));
    }
};

QTEST_MAIN(AssetFiles)
#include "test_assets.moc"
