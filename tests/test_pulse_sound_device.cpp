// The sound device: files it cannot play, independent channels, and calls that never wait,
// whether or not a sound server runs.
#include "sound/pulse_sound_device.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelto;

namespace {

QStringList messages; // "category: text", of every category

void collectMessages(QtMsgType, const QMessageLogContext& context, const QString& message) {
    messages << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), message);
}

/// A PCM wave header (8000 Hz, 8 bits) with the given sizes and channel count.
QByteArray waveHeader(quint32 formatBytes, quint16 channels, quint32 dataBytes) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF\0\0\0\0WAVEfmt ", 16);
    out << formatBytes << quint16(1) << channels << quint32(8000) << quint32(8000 * channels)
        << channels << quint16(8);
    out.writeRawData("data", 4);
    out << dataBytes;
    return bytes;
}

} // namespace

class PulseSoundDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    const QString good = QStringLiteral(ZELTO_SOURCE_DIR "/assets/wav/laser.wav");

private slots:
    void initTestCase() { QDir(folder.path()).mkdir("folder.wav"); }

    void unplayableFileIsSilentWithOneDebugLine_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // none: leave the name as it is
        QTest::addColumn<qint64>("size");        // beyond the content: a sparse file
        const QByteArray sample(4, '\x80');
        QByteArray noise(64, 0);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), 16);
        QTest::newRow("missing") << "missing.wav" << QByteArray() << 0LL;
        QTest::newRow("a directory") << "folder.wav" << QByteArray() << 0LL;
        QTest::newRow("not a wave file") << "text.wav" << QByteArray("no sound at all") << 0LL;
        QTest::newRow("huge sparse file")
            << "huge.wav" << waveHeader(16, 1, 0x80000000) << 0x80000000LL + 44;
        QTest::newRow("data beyond the end")
            << "short.wav" << waveHeader(16, 1, 1000) + sample << 0LL;
        QTest::newRow("20-byte header") << "header.wav" << waveHeader(16, 1, 4).left(20) << 0LL;
        QTest::newRow("random bytes after RIFF WAVE")
            << "noise.wav" << waveHeader(16, 1, 4).left(12) + noise << 0LL;
        QTest::newRow("absurd fmt size")
            << "fmt.wav" << waveHeader(0x7ffffff0, 1, 4) + sample << 0LL;
        QTest::newRow("65535 channels")
            << "channels.wav" << waveHeader(16, 65535, 65535) + QByteArray(65535, 0) << 0LL;
    }
    void unplayableFileIsSilentWithOneDebugLine() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        const QString path = folder.filePath(file);
        if (!content.isNull()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
            QVERIFY(size == 0 || out.resize(size));
        }
        PulseSoundDevice device;
        messages.clear();
        const auto previous = qInstallMessageHandler(collectMessages);
        device.open(SoundChannel::Laser, path.toStdString());
        device.play(SoundChannel::Laser);
        const auto quietByDefault = messages.size();
        QLoggingCategory::setFilterRules("zelto.sound.debug=true");
        QElapsedTimer elapsed;
        elapsed.start();
        device.open(SoundChannel::Laser, path.toStdString());
        device.play(SoundChannel::Laser);
        const qint64 ms = elapsed.elapsed();
        QLoggingCategory::setFilterRules({});
        qInstallMessageHandler(previous);
        QCOMPARE(quietByDefault, 0);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.front().startsWith("zelto.sound: ") && messages.front().contains(file),
                 qPrintable(messages.front()));
        QVERIFY(!device.isOpen(SoundChannel::Laser));
        QVERIFY2(ms < 50, qPrintable(QString::number(ms)));
    }

    void channelsAreIndependent() {
        PulseSoundDevice device;
        device.open(SoundChannel::Music, good.toStdString());
        device.open(SoundChannel::Explosion, good.toStdString());
        device.open(SoundChannel::Laser, folder.filePath("missing.wav").toStdString());
        device.close(SoundChannel::Explosion);
        QVERIFY(device.isOpen(SoundChannel::Music));
        QVERIFY(!device.isOpen(SoundChannel::Explosion));
        QVERIFY(!device.isOpen(SoundChannel::Laser));
        device.open(SoundChannel::Explosion, good.toStdString());
        QVERIFY(device.isOpen(SoundChannel::Explosion));
        QVERIFY(device.isOpen(SoundChannel::Music));
    }

    void callsNeverWait() {
        const QString music = QStringLiteral(ZELTO_SOURCE_DIR "/assets/wav/musica.wav");
        PulseSoundDevice device;
        QElapsedTimer elapsed;
        elapsed.start();
        // A volley of laser shots: the play sequence on every channel, many times.
        for (int i = 0; i < 100; ++i) {
            for (const SoundChannel channel :
                 {SoundChannel::Music, SoundChannel::Explosion, SoundChannel::Laser}) {
                device.close(channel);
                device.open(channel, music.toStdString());
                device.play(channel);
            }
        }
        QVERIFY2(elapsed.elapsed() < 500, qPrintable(QString::number(elapsed.elapsed())));
    }
};

QTEST_MAIN(PulseSoundDeviceTest)
#include "test_pulse_sound_device.moc"
