// The sound device on Qt Multimedia: files it cannot play, independent channels, and calls
// that never wait, whether or not a sound server runs.
#include "sound/qt_sound_device.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelto;

namespace {

QStringList warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg)
        warnings << message;
}

} // namespace

class QtSoundDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    const QString good = QStringLiteral(ZELTO_SOURCE_DIR "/assets/wav/laser.wav");

private slots:
    void initTestCase() {
        QDir(folder.path()).mkdir("folder.wav");
        QFile text(folder.filePath("text.wav"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is no sound at all");
    }

    void unplayableFileWarnsOncePerOpenAndStaysSilent_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << "missing.wav";
        QTest::newRow("a directory") << "folder.wav";
        QTest::newRow("not a wave file") << "text.wav";
    }
    void unplayableFileWarnsOncePerOpenAndStaysSilent() {
        QFETCH(QString, file);
        QtSoundDevice device;
        const std::filesystem::path path = folder.filePath(file).toStdString();
        warnings.clear();
        const auto previous = qInstallMessageHandler(collectWarnings);
        device.open(SoundChannel::Laser, path);
        device.play(SoundChannel::Laser);
        const int afterFirstOpen = int(warnings.size());
        device.open(SoundChannel::Laser, path);
        device.play(SoundChannel::Laser);
        device.close(SoundChannel::Laser);
        qInstallMessageHandler(previous);
        QCOMPARE(afterFirstOpen, 1);
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings.front().contains(file));
        QVERIFY(!device.isOpen(SoundChannel::Laser));
    }

    void channelsAreIndependent() {
        QtSoundDevice device;
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
        QtSoundDevice device;
        QElapsedTimer elapsed;
        elapsed.start();
        // A volley of laser shots: the play sequence on every channel, many times.
        for (int i = 0; i < 100; ++i) {
            for (const SoundChannel channel :
                 {SoundChannel::Music, SoundChannel::Explosion, SoundChannel::Laser}) {
                device.close(channel);
                device.open(channel, good.toStdString());
                device.play(channel);
            }
        }
        QVERIFY2(elapsed.elapsed() < 500, qPrintable(QString::number(elapsed.elapsed())));
    }
};

QTEST_MAIN(QtSoundDeviceTest)
#include "test_qt_sound_device.moc"
