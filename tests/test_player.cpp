// The ship, the laser volley and the key commands.
#include "test_support.h"

#include <QtTest>

using namespace zelto;
using namespace zelto::test;

namespace {

/// A game whose enemies stand still, so that only the player's timers run.
struct QuietGame : Game {
    using Game::Game;
    QuietGame() {
        for (int i = static_cast<int>(TimerId::Timer4); i <= static_cast<int>(TimerId::Timer16);
             ++i)
            form().timer(static_cast<TimerId>(i)).setEnabled(false);
    }
};

std::vector<float> shotTops(Form1& form) {
    return {form.SnpSparo.top, form.SnpSparo2.top, form.SparoUltra.top, form.SparoUltra1.top,
            form.SparoUltra2.top};
}

} // namespace

class Player : public QObject {
    Q_OBJECT

private slots:
    void directionKeysExcludeEachOther() {
        QuietGame game;
        game.field.keyPress('z');
        game.field.keyPress('x');
        QVERIFY(!game.form().Timer2.Enabled());
        QVERIFY(game.form().Timer3.Enabled());
        game.field.keyPress('p');
        QVERIFY(!game.form().Timer3.Enabled());
    }

    void turboStepsEveryShortestPeriod() {
        QuietGame game;
        game.field.keyPress('l');
        game.wait(500);
        QCOMPARE(game.form().Image1.left, 3840.0f); // turbo does not start the ship
        game.field.keyPress('z');
        game.wait(160);
        QCOMPARE(game.form().Image1.left, 2840.0f); // ten steps of 100 in 160 ms
        game.field.keyPress('k');
        QCOMPARE(game.form().Timer2.Interval(), 100);
        game.wait(100);
        QCOMPARE(game.form().Image1.left, 2740.0f);
    }

    void fireSetsTheVolleyAtTheShipAndItClimbs() {
        QuietGame game;
        Form1& form = game.form();
        game.host.events.clear();
        game.field.keyPress('m');
        const std::vector<float> lefts{form.SnpSparo.left, form.SnpSparo2.left,
                                       form.SparoUltra.left, form.SparoUltra1.left,
                                       form.SparoUltra2.left};
        QCOMPARE(lefts, (std::vector<float>{3940, 4620, 4050, 4260, 4480}));
        QCOMPARE(shotTops(form), std::vector<float>(5, 7440));
        QVERIFY(!form.SnpSparo.visible); // hidden until the first shot tick
        QCOMPARE(game.host.events.back(), std::string("sound MMControl3 Command Play"));
        QCOMPARE(game.host.count("sound MMControl3 FileName c:\\wav\\laser.wav"), 1);
        game.wait(16);
        QCOMPARE(shotTops(form), std::vector<float>(5, 7240));
        QVERIFY(form.SnpSparo.visible && form.SparoUltra1.visible);
        QCOMPARE(form.ShotStep, std::int16_t{200});
        game.wait(16 * 37);
        // Never hidden, never stopped: the volley climbs on out of sight.
        QCOMPARE(form.SnpSparo.top, 7440.0f - 38 * 200);
        QVERIFY(form.SnpSparo.top + 135 < 0 && form.SnpSparo.visible);
    }

    void refiringDoesNotRestartTheShotTimer() {
        QuietGame game;
        game.field.keyPress('m'); // Timer1 due at 16
        game.wait(10);
        game.field.keyPress('m');
        game.wait(6);
        QCOMPARE(game.form().SnpSparo.top, 7240.0f);
    }

    void pressingTurboAThousandTimesNeverOverflows() {
        QuietGame game;
        game.field.keyPress('m');
        game.wait(16);
        for (int i = 0; i < 1000; ++i)
            game.field.keyPress('l');
        QCOMPARE(game.form().ShotStep, std::int16_t{32767});
        game.wait(16);
        QCOMPARE(game.form().ShotStep, std::int16_t{200});
        QCOMPARE(game.form().SnpSparo.top, 7040.0f); // the climb stays 200 a tick
    }

    void otherKeysDoNothing_data() {
        QTest::addColumn<int>("code");
        for (int code : std::initializer_list<int>{'M', 'Q', 'Z', 'X', 'P', 'L', 'K', 'A', 'S', '1',
                                                   '\r', ' ', 0, 255, 365})
            QTest::newRow(QByteArray::number(code)) << code;
    }
    void otherKeysDoNothing() {
        QFETCH(int, code);
        QuietGame game;
        game.host.events.clear();
        game.field.keyPress(code);
        QVERIFY(game.field.isOpen());
        QVERIFY(game.host.events.empty());
        QCOMPARE(game.form().nextDue(), std::optional<std::int64_t>());
        QCOMPARE(game.form().Timer2.Interval(), 100);
        QCOMPARE(game.form().SnpSparo.left, 360.0f);
    }

    void musicKeysDriveTheMusicChannel() {
        QuietGame game;
        game.host.events.clear();
        game.field.keyPress('s');
        QCOMPARE(game.host.events, std::vector<std::string>{"sound MMControl1 Command close"});
        game.field.keyPress('a');
        QCOMPARE(game.host.count("sound MMControl1"), 6);
        QCOMPARE(game.host.events.back(), std::string("sound MMControl1 Command Play"));
    }

    void quitWritesTheRecordExactlyWhenDue_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("score");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("empty file, score 0")
            << QByteArray("") << QByteArray("0") << QByteArray("0\r\n");
        QTest::newRow("below the best")
            << QByteArray("1500\r\n") << QByteArray("50") << QByteArray("1500\r\n");
        QTest::newRow("equal to the best")
            << QByteArray("1500") << QByteArray("1500") << QByteArray("1500\r\n");
    }
    void quitWritesTheRecordExactlyWhenDue() {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, score);
        QFETCH(QByteArray, after);
        QuietGame game(stored.toStdString());
        game.form().Label1.caption = score.toStdString();
        game.field.keyPress('q');
        QVERIFY(!game.field.isOpen());
        QCOMPARE(QByteArray::fromStdString(game.recordBytes()), after);
    }

    void keysStillWorkAfterGameOver() {
        Game game;
        game.wait(30000);
        QCOMPARE(game.host.count("msgbox"), 1);
        game.field.keyPress('x');
        game.field.keyPress('m');
        game.wait(100);
        QCOMPARE(game.form().Image1.left, 3940.0f);
        QVERIFY(game.form().SnpSparo.visible);
        game.field.keyPress('q');
        QVERIFY(!game.field.isOpen());
    }
};

QTEST_GUILESS_MAIN(Player)
#include "test_player.moc"
