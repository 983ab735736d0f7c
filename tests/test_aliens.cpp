// The three aliens: their sweep and wraps, the ship's line, the hits they take and how they
// come back, and the shot that ImgAl1 drops.
#include "enemies/progression.h"
#include "scoring/score.h"
#include "test_support.h"

#include <QtTest>
#include <array>

using namespace zelto;
using namespace zelto::test;

namespace {

// How each alien moves between wraps: ImgAlieno, Imgal2, ImgAl1.
struct AlienCase {
    TimerId timer;
    Image Form1::*image;
    float step;  // Left change per tick
    float drift; // Top change per tick
};
const std::array<AlienCase, 3> kCases{{
    {TimerId::TimerAlieno, &Form1::ImgAlieno, -100, 0},
    {TimerId::Timer19, &Form1::Imgal2, 100, 20},
    {TimerId::Timer15, &Form1::ImgAl1, -100, 20},
}};
const char* const kNames[] = {"ImgAlieno", "Imgal2", "ImgAl1"};

const std::array<Shape Form1::*, 5> kShots{&Form1::SnpSparo, &Form1::SnpSparo2, &Form1::SparoUltra,
                                           &Form1::SparoUltra2, &Form1::SparoUltra1};

// Puts the alien where one ordinary step brings it to (left, top), its timer running.
Image& placeBeforeStep(Form1& form, int alien, float left, float top) {
    const AlienCase& c = kCases[alien];
    form.timer(c.timer).setEnabled(true);
    Image& image = form.*c.image;
    image.left = left - c.step;
    image.top = top - c.drift;
    return image;
}

void put(Shape& shape, float left, float top) {
    shape.left = left;
    shape.top = top;
}

int explosions(const Game& game) {
    return game.host.count("sound MMControl2 Command Play");
}
int gameOvers(const Game& game) {
    return game.host.count("msgbox GameOver Zelto!");
}

} // namespace

class AliensTest : public QObject {
    Q_OBJECT

private slots:
    void firstAppearancesFollowTheLayout() {
        QTemporaryDir dir;
        const auto result =
            replay("open\nset Label1.Caption \"4500\"\nscore 1\n"
                   "print Sparonem.Left\nprint Sparonem.Top\nprint Sparonem.Visible\n"
                   "wait 49\nprint ImgAlieno.Visible\n"
                   "wait 1\nprint ImgAlieno.Left\nprint ImgAlieno.Top\n"
                   "print ImgAlieno.Visible\nprint Sparonem.Top\n"
                   "wait 50\nprint Imgal2.Left\nprint Imgal2.Top\n"
                   "print ImgAl1.Left\nprint ImgAl1.Top\nprint ImgAl1.Visible\n"
                   "wait 100\nprint ImgAl1.Left\nprint ImgAl1.Top\n"
                   "print Sparonem.Left\nprint Sparonem.Top\n",
                   dir.path().toStdString());
        QCOMPARE(result.status, 0);
        const QString out = QString::fromStdString(result.out);
        QVERIFY2(out.endsWith("Sparonem.Left = 450\nSparonem.Top = 930\nSparonem.Visible = true\n"
                              "ImgAlieno.Visible = false\n"
                              "ImgAlieno.Left = 4220\nImgAlieno.Top = 320\n"
                              "ImgAlieno.Visible = true\nSparonem.Top = 1130\n"
                              "Imgal2.Left = 1420\nImgal2.Top = 340\n"
                              "ImgAl1.Left = 140\nImgAl1.Top = 340\nImgAl1.Visible = true\n"
                              "ImgAl1.Left = 11680\nImgAl1.Top = 590\n"
                              "Sparonem.Left = 450\nSparonem.Top = 1730\n"),
                 result.out.c_str());
        QVERIFY(!out.contains("msgbox"));
    }

    void aTickStepsOrWrapsThenTestsTheShipsLine_data() {
        QTest::addColumn<int>("alien");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("leftAfter");
        QTest::addColumn<int>("topAfter");
        QTest::addColumn<bool>("over");
        // Right to left: from Left 140 or less to 11680, one row lower, no drift on the wrap.
        QTest::newRow("ImgAlieno steps") << 0 << 5000 << 1000 << 4900 << 1000 << false;
        QTest::newRow("ImgAlieno 141 steps") << 0 << 141 << 1000 << 41 << 1000 << false;
        QTest::newRow("ImgAlieno 140 wraps") << 0 << 140 << 1000 << 11680 << 1250 << false;
        QTest::newRow("ImgAlieno 139 wraps") << 0 << 139 << 1000 << 11680 << 1250 << false;
        QTest::newRow("ImgAl1 steps, sinks") << 2 << 5000 << 1000 << 4900 << 1020 << false;
        QTest::newRow("ImgAl1 141 steps") << 2 << 141 << 1000 << 41 << 1020 << false;
        QTest::newRow("ImgAl1 140 wraps") << 2 << 140 << 1000 << 11680 << 1250 << false;
        QTest::newRow("ImgAl1 139 wraps") << 2 << 139 << 1000 << 11680 << 1250 << false;
        // Left to right: from Left 11900 or more to -80.
        QTest::newRow("Imgal2 steps, sinks") << 1 << 5000 << 1000 << 5100 << 1020 << false;
        QTest::newRow("Imgal2 11899 steps") << 1 << 11899 << 1000 << 11999 << 1020 << false;
        QTest::newRow("Imgal2 11900 wraps") << 1 << 11900 << 1000 << -80 << 1250 << false;
        QTest::newRow("Imgal2 11901 wraps") << 1 << 11901 << 1000 << -80 << 1250 << false;
        // The ship at 3840/7440: after the move, Left >= 3820 and Top >= 7420 ends the game.
        QTest::newRow("on the ship's line") << 0 << 3920 << 7420 << 3820 << 7420 << true;
        QTest::newRow("one twip left of it") << 0 << 3919 << 7420 << 3819 << 7420 << false;
        QTest::newRow("one twip above it") << 0 << 3920 << 7419 << 3820 << 7419 << false;
        QTest::newRow("no upper bound") << 0 << 11000 << 8900 << 10900 << 8900 << true;
        QTest::newRow("drift onto it") << 1 << 3720 << 7400 << 3820 << 7420 << true;
        QTest::newRow("drift one short") << 1 << 3720 << 7399 << 3820 << 7419 << false;
        QTest::newRow("wrap onto it") << 2 << 140 << 7170 << 11680 << 7420 << true;
        QTest::newRow("wrap one short") << 2 << 140 << 7169 << 11680 << 7419 << false;
        QTest::newRow("below, left of the ship") << 2 << 3000 << 8000 << 2900 << 8020 << false;
    }
    void aTickStepsOrWrapsThenTestsTheShipsLine() {
        QFETCH(int, alien);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, leftAfter);
        QFETCH(int, topAfter);
        QFETCH(bool, over);
        Game game;
        Form1& form = game.form();
        const AlienCase& c = kCases[alien];
        form.timer(c.timer).setEnabled(true);
        Image& image = form.*c.image;
        image.left = float(left);
        image.top = float(top);
        form.runTick(c.timer);
        QVERIFY(image.visible); // shown by its tick, and still shown once stopped
        QCOMPARE(image.left, float(leftAfter));
        QCOMPARE(image.top, float(topAfter));
        QCOMPARE(gameOvers(game), over ? 1 : 0);
        QCOMPARE(form.timer(c.timer).Enabled(), !over);
    }

    void aShotHitsStrictlyWithinItsMargin_data() {
        QTest::addColumn<int>("alien");
        QTest::addColumn<int>("shot");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("points"); // 0: a miss
        QTest::newRow("SnpSparo 149 right") << 0 << 0 << 149 << 0 << 500;
        QTest::newRow("SnpSparo 150 right") << 0 << 0 << 150 << 0 << 0;
        QTest::newRow("SnpSparo 149 above") << 1 << 0 << 0 << -149 << 500;
        QTest::newRow("SnpSparo 150 above") << 1 << 0 << 0 << -150 << 0;
        QTest::newRow("SnpSparo2 249 left") << 2 << 1 << -249 << 0 << 250;
        QTest::newRow("SnpSparo2 250 left") << 2 << 1 << -250 << 0 << 0;
        QTest::newRow("SparoUltra 249 below") << 0 << 2 << 0 << 249 << 250;
        QTest::newRow("SparoUltra 250 below") << 0 << 2 << 0 << 250 << 0;
        QTest::newRow("SparoUltra2 249 right, below") << 1 << 3 << 249 << 249 << 500;
        QTest::newRow("SparoUltra2 250 right") << 1 << 3 << 250 << 100 << 0;
        QTest::newRow("SparoUltra1 249 left, above") << 2 << 4 << -249 << -249 << 500;
        QTest::newRow("SparoUltra1 250 above") << 2 << 4 << 0 << -250 << 0;
    }
    void aShotHitsStrictlyWithinItsMargin() {
        QFETCH(int, alien);
        QFETCH(int, shot);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(int, points);
        Game game;
        Form1& form = game.form();
        Image& image = placeBeforeStep(form, alien, 5000, 3000);
        put(form.*kShots[shot], float(5000 + dx), float(3000 + dy));
        form.runTick(kCases[alien].timer);
        QCOMPARE(QString::fromStdString(form.Label1.caption), QString::number(points));
        QCOMPARE(explosions(game), points ? 1 : 0);
        QCOMPARE(image.visible, !points);
        QCOMPARE(form.timer(kCases[alien].timer).Enabled(), !points);
    }

    void severalShotsInOneTickEachScore_data() {
        QTest::addColumn<int>("alien");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("score");
        QTest::addColumn<int>("topAfter");
        QTest::newRow("Imgal2: 250, 500, 500") << 1 << 3000 << "1250" << 3000;
        // Above 600 each further hit re-arms ImgAlieno at Top 320 before destroying it again,
        // and the shots after it meet it there.
        QTest::newRow("ImgAlieno at its re-entry height") << 0 << 320 << "1250" << 320;
        QTest::newRow("ImgAlieno lifted out of the last shot's reach") << 0 << 3000 << "750" << 320;
    }
    void severalShotsInOneTickEachScore() {
        QFETCH(int, alien);
        QFETCH(int, top);
        QFETCH(QString, score);
        QFETCH(int, topAfter);
        Game game;
        Form1& form = game.form();
        Image& image = placeBeforeStep(form, alien, 5000, float(top));
        put(form.SparoUltra, 5000, float(top));
        put(form.SparoUltra2, 5100, float(top + 100));
        put(form.SparoUltra1, 4900, float(top - 100));
        form.runTick(kCases[alien].timer);
        QCOMPARE(QString::fromStdString(form.Label1.caption), score);
        QCOMPARE(explosions(game), score == "1250" ? 3 : 2);
        QVERIFY(!image.visible);
        QVERIFY(!form.timer(kCases[alien].timer).Enabled());
        QCOMPARE(image.top, float(topAfter));
    }

    void aHitAlienReturnsAtTheNextScoreChange_data() {
        QTest::addColumn<int>("alien");
        QTest::addColumn<int>("hits");
        for (int alien = 0; alien < 3; ++alien) {
            QTest::addRow("%s, one hit", kNames[alien]) << alien << 1;
            QTest::addRow("%s, two hits", kNames[alien]) << alien << 2;
        }
    }
    void aHitAlienReturnsAtTheNextScoreChange() {
        QFETCH(int, alien);
        QFETCH(int, hits);
        Game game;
        Form1& form = game.form();
        form.Label1.caption = "5000";
        Form1_Label1_Change(form); // all three aliens in play
        const AlienCase& c = kCases[alien];
        Image& image = placeBeforeStep(form, alien, 5000, 3000);
        put(form.Sparonem, 100, 200);
        put(form.SnpSparo2, 5000, 3000);
        if (hits == 2)
            put(form.SparoUltra, 5010, 3010);
        form.runTick(c.timer);

        QCOMPARE(form.Label1.caption, std::string(hits == 2 ? "5500" : "5250"));
        QCOMPARE(explosions(game), hits);
        QVERIFY(!image.visible);
        QVERIFY(!form.timer(c.timer).Enabled());
        // Its own hit's score change finds its timer still running; a second hit re-arms it
        // first, so it ends at the re-entry height.
        QCOMPARE(image.top, hits == 2 ? 320.f : 3000.f);
        const bool shooter = c.image == &Form1::ImgAl1;
        QCOMPARE(form.Timer21.Enabled(), !shooter);
        QCOMPARE(form.Sparonem.visible, !shooter);
        QCOMPARE(form.Sparonem.left, shooter && hits == 2 ? 5210.f : 100.f);
        QCOMPARE(form.Sparonem.top, shooter && hits == 2 ? 930.f : 200.f);

        addPoints(form, 50); // any later hit
        QVERIFY(form.timer(c.timer).Enabled());
        QCOMPARE(image.top, 320.f);
        QVERIFY(!image.visible);
        QVERIFY(form.Timer21.Enabled());
        QVERIFY(form.Sparonem.visible);
        QCOMPARE(form.Sparonem.left, shooter ? 5210.f : 100.f);
        form.runTick(c.timer);
        QVERIFY(image.visible);
    }

    void theAlienShotMeetsTheShipThenStillMoves_data() {
        QTest::addColumn<int>("shipTop");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("over");
        QTest::addColumn<int>("leftAfter");
        QTest::addColumn<int>("topAfter");
        // The ship at Left 3840; ImgAl1 at 2000/1500, so a re-armed shot starts at 2240/2110.
        QTest::newRow("149 right, below") << 7440 << 3989 << 7589 << true << 3989 << 7789;
        QTest::newRow("149 left, above") << 7440 << 3691 << 7291 << true << 3691 << 7491;
        QTest::newRow("150 right") << 7440 << 3990 << 7440 << false << 3990 << 7640;
        QTest::newRow("150 left") << 7440 << 3690 << 7440 << false << 3690 << 7640;
        QTest::newRow("150 above") << 7440 << 3840 << 7290 << false << 3840 << 7490;
        QTest::newRow("150 below") << 7440 << 3840 << 7590 << false << 3840 << 7790;
        QTest::newRow("above the bottom line") << 7440 << 600 << 8139 << false << 600 << 8339;
        QTest::newRow("on the bottom line") << 7440 << 600 << 8140 << false << 2240 << 2110;
        QTest::newRow("meets the ship there") << 8100 << 3840 << 8140 << true << 2240 << 2110;
    }
    void theAlienShotMeetsTheShipThenStillMoves() {
        QFETCH(int, shipTop);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(bool, over);
        QFETCH(int, leftAfter);
        QFETCH(int, topAfter);
        Game game;
        Form1& form = game.form();
        form.Image1.top = float(shipTop);
        put(form.Sparonem, float(left), float(top));
        form.Sparonem.visible = true;
        form.Timer21.setEnabled(true);
        form.ImgAl1.left = 2000;
        form.ImgAl1.top = 1500;
        form.runTick(TimerId::Timer21);
        QCOMPARE(gameOvers(game), over ? 1 : 0);
        // The shot's explosion, then the game over's own, both before the box.
        QCOMPARE(explosions(game), over ? 2 : 0);
        if (over)
            QCOMPARE(game.host.events.back(), std::string("msgbox GameOver Zelto!"));
        QCOMPARE(form.Timer21.Enabled(), !over);
        QVERIFY(form.Sparonem.visible);
        QCOMPARE(form.Sparonem.left, float(leftAfter));
        QCOMPARE(form.Sparonem.top, float(topAfter));
    }

    void aHitAfterGameOverInTheSameTickReArmsWhatItsScorePassed_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("al2");
        QTest::addColumn<bool>("image5");
        QTest::addColumn<bool>("al1");
        QTest::addColumn<bool>("image8");
        QTest::newRow("to 1650") << 1400 << true << false << false << false;
        QTest::newRow("to 2650") << 2400 << true << true << false << false;
        QTest::newRow("to 4550") << 4300 << true << true << true << false;
        QTest::newRow("to 30050") << 29800 << true << true << true << true;
    }
    void aHitAfterGameOverInTheSameTickReArmsWhatItsScorePassed() {
        QFETCH(int, before);
        QFETCH(bool, al2);
        QFETCH(bool, image5);
        QFETCH(bool, al1);
        QFETCH(bool, image8);
        Game game;
        Form1& form = game.form();
        form.Label1.caption = std::to_string(before);
        // After its step ImgAlieno stands on the ship's line, where SnpSparo2 meets it.
        placeBeforeStep(form, 0, 5000, 7500);
        put(form.SnpSparo2, 5000, 7500);
        form.runTick(TimerId::TimerAlieno);

        QCOMPARE(gameOvers(game), 1);
        QCOMPARE(form.Label1.caption, std::to_string(before + 250));
        QCOMPARE(game.host.events.back(), std::string("sound MMControl2 Command Play"));
        // The game over had stopped ImgAlieno, so its own hit re-armed it before destroying it.
        QVERIFY(!form.TimerAlieno.Enabled());
        QVERIFY(!form.ImgAlieno.visible);
        QCOMPARE(form.ImgAlieno.top, 320.f);
        QCOMPARE(form.Timer19.Enabled(), al2);
        QCOMPARE(form.Imgal2.top, al2 ? 320.f : 0.f);
        QCOMPARE(form.Timer8.Enabled(), image5);
        QCOMPARE(form.Image5.top, image5 ? 320.f : -3000.f);
        QCOMPARE(form.Timer15.Enabled(), al1);
        QCOMPARE(form.Timer21.Enabled(), al1);
        QCOMPARE(form.Sparonem.visible, al1);
        QCOMPARE(form.Timer10.Enabled(), image8);
        QCOMPARE(form.Image8.top, image8 ? 40.f : -3000.f);
    }
};

QTEST_GUILESS_MAIN(AliensTest)
#include "test_aliens.moc"
