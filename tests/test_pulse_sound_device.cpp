// The sound device: files it refuses, independent channels, calls that never wait.
#include "pulse/pulse_sound_device.h"

#include <QtTest>

using namespace zelto;

namespace {

QStringList messages; // "category: text", of every category

/// A PCM wave header: 8000 Hz, 8 bits, with the given channel count and data size.
QByteArray waveHeader(quint16 channels, quint32 dataBytes) {
    QByteArray bytes("RIFF\0\0\0\0WAVEfmt ", 16);
    QDataStream out(&bytes, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(16) << quint16(1) << channels << quint32(8000) << quint32(8000 * channels)
        << channels << quint16(8);
    out.writeRawData("data", 4);
    out << dataBytes;
    return bytes;
}

} // namespace

class PulseSoundDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    const std::string music = ZELTO_SOURCE_DIR "/assets/wav/musica.wav";

private slots:
    void initTestCase() {
        QDir(folder.path()).mkdir("folder.wav");
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& m) {
            messages << QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), m);
        });
    }
    void cleanup() { QLoggingCategory::setFilterRules({}); }

    // Each row's tag is its file name; a null content leaves the name as it is.
    void refusedFileIsSilentWithOneDebugLine_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing.wav") << QByteArray();
        QTest::newRow("folder.wav") << QByteArray();
        QTest::newRow("text.wav") << QByteArray("no sound at all");
        // Sparse, headers matching their size: a byte over the 64 MiB cap, and far too large
        // to load before refusing.
        QTest::newRow("huge-over-the-cap.wav") << waveHeader(1, (64 << 20) + 1 - 44);
        QTest::newRow("huge-2-GiB.wav") << waveHeader(1, 0x80000000);
        QTest::newRow("data-beyond-the-end.wav") << waveHeader(1, 1000) + QByteArray(4, '\x80');
        QTest::newRow("20-byte-header.wav") << waveHeader(1, 4).left(20);
        QTest::newRow("noise-after-riff-wave.wav")
            << waveHeader(1, 4).left(12) + QByteArray(64, 'Z');
        QTest::newRow("absurd-fmt-size.wav")
            << waveHeader(1, 4).replace(16, 4, QByteArray("\xf0\xff\xff\x7f", 4)) + "abcd";
        QTest::newRow("65535-channels.wav") << waveHeader(65535, 65535) + QByteArray(65535, 0);
    }
    void refusedFileIsSilentWithOneDebugLine() {
        QFETCH(QByteArray, content);
        const QString file = QTest::currentDataTag();
        const std::string path = folder.filePath(file).toStdString();
        if (!content.isNull()) {
            QFile out(folder.filePath(file));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
            QVERIFY(!file.startsWith("huge") ||
                    out.resize(44 + qFromLittleEndian<quint32>(content.constData() + 40)));
        }
        PulseSoundDevice device;
        messages.clear();
        device.open(SoundChannel::Laser, path);
        QCOMPARE(messages.size(), 0); // zelto.sound is off by default
        QLoggingCategory::setFilterRules("zelto.sound.debug=true");
        const QDeadlineTimer deadline(50);
        device.open(SoundChannel::Laser, path);
        QVERIFY(!deadline.hasExpired());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.front().startsWith("zelto.sound: ") && messages.front().contains(file),
                 qPrintable(messages.front()));
        QVERIFY(!device.isOpen(SoundChannel::Laser));
    }

    // A volley of plays returns at once; a refused or closed channel leaves the others be.
    void channelsAreIndependentAndNeverWait() {
        PulseSoundDevice device;
        const QDeadlineTimer deadline(500);
        for (int i = 0; i < 300; ++i) {
            device.open(SoundChannel(i % 3), music);
            device.play(SoundChannel(i % 3));
        }
        QVERIFY(!deadline.hasExpired());
        device.open(SoundChannel::Laser, folder.filePath("missing.wav").toStdString());
        QVERIFY(device.isOpen(SoundChannel::Explosion) && !device.isOpen(SoundChannel::Laser));
        device.close(SoundChannel::Explosion);
        QVERIFY(device.isOpen(SoundChannel::Music) && !device.isOpen(SoundChannel::Explosion));
        device.open(SoundChannel::Laser, music);
        QVERIFY(device.isOpen(SoundChannel::Laser) && !device.isOpen(SoundChannel::Explosion));
    }
};

QTEST_MAIN(PulseSoundDeviceTest)
#include "test_pulse_sound_device.moc"
