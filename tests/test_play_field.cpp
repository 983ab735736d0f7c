// The play field's start-up, its design state and a fresh game after closing.
#include "test_support.h"

#include <QtTest>

using namespace zelto;
using namespace zelto::test;

namespace {

struct Expected {
    Image Form1::*image;
    float left, top, width, height;
    bool visible;
    Picture picture;
};

// At the start exactly these show: the ship, eleven rocks, the labels. The rest is hidden
// or has no picture.
const Expected kStartImages[] = {
    {&Form1::Image1, 3840, 7440, 750, 960, true, Picture::PicAstronave},
    {&Form1::Image2, 2400, 1320, 450, 555, true, Picture::Picnem1},
    {&Form1::Image3, 6360, 1920, 450, 555, true, Picture::Picnem2},
    {&Form1::Image4, 600, 120, 450, 555, true, Picture::Picnem3},
    {&Form1::Image5, 4320, 120, 450, 555, true, Picture::Picnem4},
    {&Form1::Image6, 1920, 240, 450, 555, true, Picture::Picnem5},
    {&Form1::Image7, 11160, 0, 450, 555, true, Picture::Picnem6},
    {&Form1::Image8, 1440, 1440, 450, 555, true, Picture::Picnem7},
    {&Form1::Image9, 9960, -240, 450, 555, true, Picture::Picnem8},
    {&Form1::Image10, 5760, 0, 450, 555, true, Picture::Picnem9},
    {&Form1::Image11, 7920, 120, 975, 375, true, Picture::None},
    {&Form1::Image12, 7080, 0, 450, 555, true, Picture::Picnem11},
    {&Form1::Image13, 9600, 1920, 450, 555, true, Picture::Picnem12},
    {&Form1::ImgAlieno, 4320, 240, 750, 960, false, Picture::alieno},
    {&Form1::ImgAl1, 240, 120, 750, 960, false, Picture::PicNemA},
    {&Form1::Imgal2, 1320, 0, 750, 960, false, Picture::PicNemA},
    {&Form1::ImgAl3, 2520, 0, 1095, 855, false, Picture::None},
    {&Form1::ImgAl4, 3960, 0, 1335, 975, false, Picture::None},
    {&Form1::ImgAl5, 5640, 0, 1335, 1095, true, Picture::None},
};

void verifyDesignState(Form1& form) {
    for (const Expected& e : kStartImages) {
        const Image& image = form.*e.image;
        QCOMPARE(image.left, e.left);
        QCOMPARE(image.top, e.top);
        QCOMPARE(image.width, e.width);
        QCOMPARE(image.height, e.height);
        QCOMPARE(image.visible, e.visible);
        QCOMPARE(image.picture, e.picture);
    }
    for (auto shot : {&Form1::SnpSparo, &Form1::SnpSparo2, &Form1::SparoUltra, &Form1::SparoUltra1,
                      &Form1::SparoUltra2, &Form1::Sparonem})
        QVERIFY(!(form.*shot).visible);
    QCOMPARE(form.SnpSparo.top, 8760.0f);
    QCOMPARE(form.Label1.caption, std::string("0"));
    QCOMPARE(form.ShotStep, std::int16_t{0});
    for (int i = 0; i < kTimerCount; ++i) {
        const Timer& timer = form.timer(static_cast<TimerId>(i));
        const bool enemy =
            i >= static_cast<int>(TimerId::Timer4) && i <= static_cast<int>(TimerId::Timer16);
        QCOMPARE(timer.Enabled(), enemy);
    }
    QCOMPARE(form.Timer1.Interval(), 1);
    QCOMPARE(form.Timer2.Interval(), 100);
    QCOMPARE(form.Timer8.Interval(), 160);
    QCOMPARE(form.Timer21.Interval(), 50);
}

} // namespace

class PlayFieldTest : public QObject {
    Q_OBJECT

private slots:
    void startUpGivesPicturesMusicAndBestScore() {
        Game game(std::string("1500\r\n"));
        verifyDesignState(game.form());
        QCOMPARE(game.form().Label4.caption, std::string("1500\r\n"));
        const std::vector<std::string> music{
            "sound MMControl1 Command Close", "sound MMControl1 DeviceType WaveAudio",
            "sound MMControl1 FileName c:\\wav\\musica.wav", "sound MMControl1 Command Open",
            "sound MMControl1 Command Play"};
        QCOMPARE(game.host.events, music);
        const std::vector<RecordingSoundDevice::Call> device{
            {"close", SoundChannel::Music, {}},
            {"open", SoundChannel::Music, std::filesystem::path("musica.wav")},
            {"play", SoundChannel::Music, {}}};
        QCOMPARE(game.sound.calls, device);
    }

    void showingAnOpenFieldChangesNothing() {
        Game game;
        game.wait(1000);
        const float top = game.form().Image7.top;
        QVERIFY(!game.field.show());
        QCOMPARE(game.form().Image7.top, top);
        QCOMPARE(game.host.count("sound"), 5);
    }

    void aClosedFieldReopensInTheDesignState() {
        Game game;
        game.field.keyPress('x');
        game.field.keyPress('m');
        game.field.keyPress('l');
        game.wait(3000);
        game.form().setLabel1Caption("700");
        game.field.keyPress('q');
        QVERIFY(!game.field.isOpen());
        QCOMPARE(game.recordBytes(), std::string("700\r\n"));
        game.wait(500); // time passes with no field: nothing ticks
        QVERIFY(game.field.show());
        verifyDesignState(game.form());
        QCOMPARE(game.form().Label4.caption, std::string("700\r\n"));
        // The enemy timers count from the new opening.
        QCOMPARE(game.form().nextDue(), std::optional<std::int64_t>(game.field.now() + 100));
    }

    void missingWaveFolderStillPlaysSilently() {
        QTemporaryDir dir;
        RecordingHost host;
        SilentSoundDevice sound;
        PlayField field(host, sound, dir.path().toStdString(), "/nonexistent");
        QVERIFY(field.show());
        QCOMPARE(field.form()->Label4.caption, std::string());
    }

    void wavePathsResolveToTheGamesWaveFolder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("resolved");
        QTest::newRow("windows path") << "c:\\wav\\laser.wav"
                                      << "/data/wav/laser.wav";
        QTest::newRow("forward slashes") << "c:/wav/musica.wav"
                                         << "/data/wav/musica.wav";
        QTest::newRow("bare name") << "esplosione.wav"
                                   << "/data/wav/esplosione.wav";
    }
    void wavePathsResolveToTheGamesWaveFolder() {
        QFETCH(QString, fileName);
        QFETCH(QString, resolved);
        QCOMPARE(
            QString::fromStdString(resolveWavePath(fileName.toStdString(), "/data/wav").string()),
            resolved);
    }

    void commandsAreCaseInsensitiveAndOpenNeedsWaveAudio_data() {
        QTest::addColumn<QString>("deviceType");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("operation");
        QTest::newRow("close") << "WaveAudio"
                               << "close"
                               << "close";
        QTest::newRow("CLOSE") << "WaveAudio"
                               << "CLOSE"
                               << "close";
        QTest::newRow("open") << "waveaudio"
                              << "Open"
                              << "open";
        QTest::newRow("open other device") << "CDAudio"
                                           << "Open"
                                           << "";
        QTest::newRow("play") << "WaveAudio"
                              << "pLaY"
                              << "play";
        QTest::newRow("unknown") << "WaveAudio"
                                 << "Rewind"
                                 << "";
    }
    void commandsAreCaseInsensitiveAndOpenNeedsWaveAudio() {
        QFETCH(QString, deviceType);
        QFETCH(QString, command);
        QFETCH(QString, operation);
        RecordingSoundDevice device;
        MMControl control("MMControl2", SoundChannel::Explosion, &device, nullptr, "/w");
        control.setDeviceType(deviceType.toStdString());
        control.setFileName("c:\\wav\\esplosione.wav");
        control.setCommand(command.toStdString());
        QCOMPARE(device.calls.empty(), operation.isEmpty());
        if (!operation.isEmpty()) {
            QCOMPARE(QString::fromStdString(device.calls.front().operation), operation);
            QCOMPARE(device.calls.front().channel, SoundChannel::Explosion);
        }
    }
};

QTEST_GUILESS_MAIN(PlayFieldTest)
#include "test_play_field.moc"
