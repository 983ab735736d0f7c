// The play field's life and its sound channels: what reaches the sound device, where wave
// files are found, and closing the field from inside one of its own handlers.
#include "scoring/game_over.h"
#include "test_support.h"

#include <QtTest>

using namespace zelto;
using namespace zelto::test;

using Call = RecordingSoundDevice::Call;

class PlayFieldTest : public QObject {
    Q_OBJECT

private slots:
    void eachControlDrivesItsOwnChannel() {
        Game game;
        game.field.keyPress('m');
        Esplosione(game.form());
        game.field.keyPress('s');
        const std::vector<Call> expected{{"close", SoundChannel::Music, {}},
                                         {"open", SoundChannel::Music, "musica.wav"},
                                         {"play", SoundChannel::Music, {}},
                                         {"close", SoundChannel::Laser, {}},
                                         {"open", SoundChannel::Laser, "laser.wav"},
                                         {"play", SoundChannel::Laser, {}},
                                         {"close", SoundChannel::Explosion, {}},
                                         {"open", SoundChannel::Explosion, "esplosione.wav"},
                                         {"play", SoundChannel::Explosion, {}},
                                         {"close", SoundChannel::Music, {}}};
        QCOMPARE(game.sound.calls, expected);
    }

    void commandsAreCaseInsensitiveAndOpenNeedsWaveAudio_data() {
        QTest::addColumn<QString>("deviceType");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("operation"); // "": nothing reaches the device
        constexpr std::array<std::array<const char*, 4>, 5> kRows{{
            {"CLOSE", "WaveAudio", "CLOSE", "close"},
            {"open", "waveaudio", "Open", "open"},
            {"open another device", "CDAudio", "Open", ""},
            {"play", "WaveAudio", "pLaY", "play"},
            {"unknown", "WaveAudio", "Rewind", ""},
        }};
        for (const auto& [name, deviceType, command, operation] : kRows)
            QTest::newRow(name) << QString(deviceType) << QString(command) << QString(operation);
    }
    void commandsAreCaseInsensitiveAndOpenNeedsWaveAudio() {
        QFETCH(QString, deviceType);
        QFETCH(QString, command);
        QFETCH(QString, operation);
        Game game;
        game.sound.calls.clear();
        MMControl& control = game.form().MMControl2;
        control.setDeviceType(deviceType.toStdString());
        control.setFileName("c:\\wav\\esplosione.wav");
        control.setCommand(command.toStdString());
        QCOMPARE(QString::fromStdString(game.sound.calls.empty() ? std::string()
                                                                 : game.sound.calls[0].operation),
                 operation);
        if (!operation.isEmpty())
            QCOMPARE(game.sound.calls[0].channel, SoundChannel::Explosion);
    }

    void wavePathsResolveToTheGamesWaveFolder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("windows path") << "c:\\wav\\laser.wav";
        QTest::newRow("forward slashes") << "c:/wav/laser.wav";
        QTest::newRow("bare name") << "laser.wav";
    }
    void wavePathsResolveToTheGamesWaveFolder() {
        QFETCH(QString, fileName);
        QCOMPARE(resolveWavePath(fileName.toStdString(), "/data/wav"),
                 std::filesystem::path("/data/wav/laser.wav"));
    }

    void theWaveFolderIsBesideTheGameOrInItsShareFolder() {
        QTemporaryDir dir;
        const std::filesystem::path root = dir.path().toStdString();
        std::filesystem::create_directories(root / "bin");
        QCOMPARE(findWaveFolder(root / "bin"), std::filesystem::path());
        std::filesystem::create_directories(root / "share" / "zelto" / "wav");
        QCOMPARE(findWaveFolder(root / "bin"), root / "share" / "zelto" / "wav");
        std::filesystem::create_directories(root / "bin" / "wav");
        QCOMPARE(findWaveFolder(root / "bin"), root / "bin" / "wav");
    }

    void closingFromInsideAHandlerWaitsForItToReturn() {
        Game game;
        Form1* const form = &game.form();
        bool stillThere = false;
        // The player closes the window while the game-over box is open.
        game.host.whileMessageOpen = [&] {
            game.field.close();
            stillThere = game.field.form() == form && form->Timer1.Interval() == 1;
        };
        form->Image7.top = 8140;
        game.wait(100);
        QVERIFY(stillThere);
        QVERIFY(!game.field.isOpen());
        // The quit key inside the box closes it the same way, after saving the record.
        QVERIFY(game.field.show());
        game.host.whileMessageOpen = [&] { game.field.keyPress('q'); };
        game.form().Image7.top = 8140;
        game.wait(100);
        QVERIFY(!game.field.isOpen());
        QCOMPARE(game.host.count("record"), 3);
    }
};

QTEST_GUILESS_MAIN(PlayFieldTest)
#include "test_play_field.moc"
