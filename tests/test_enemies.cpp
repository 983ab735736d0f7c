// The falling enemies: descent, hits, score, explosion and the end of the game.
#include "enemies/enemy_movers.h"
#include "scoring/game_over.h"
#include "scoring/score.h"
#include "test_support.h"

#include <QtTest>

using namespace zelto;
using namespace zelto::test;

namespace {

constexpr std::array<Shape Form1::*, 5> kShots = kShotTestOrder;

/// Moves every player shot far below the field, where nothing can hit.
void parkShots(Form1& form) {
    for (auto shot : kShots)
        (form.*shot).top = 30000;
}

struct MoverRow {
    const char* timer;
    TimerId id;
    Image Form1::*image;
    int interval;
    float step;
    float snpMargin;
    float otherMargin;
    std::array<int, 5> points;
};

// What a player sees of each mover, written out independently of the game's own table.
const MoverRow kMovers[] = {
    {"Timer4", TimerId::Timer4, &Form1::Image2, 200, 10, 100, 100, {100, 100, 100, 100, 100}},
    {"Timer16", TimerId::Timer16, &Form1::Image3, 260, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer13", TimerId::Timer13, &Form1::Image4, 100, 9, 100, 250, {100, 50, 100, 100, 100}},
    {"Timer8", TimerId::Timer8, &Form1::Image5, 160, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer5", TimerId::Timer5, &Form1::Image6, 300, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer6", TimerId::Timer6, &Form1::Image7, 100, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer10", TimerId::Timer10, &Form1::Image8, 100, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer9", TimerId::Timer9, &Form1::Image9, 160, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer7", TimerId::Timer7, &Form1::Image10, 100, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer11", TimerId::Timer11, &Form1::Image12, 200, 28, 250, 250, {100, 50, 50, 100, 100}},
    {"Timer12", TimerId::Timer12, &Form1::Image13, 150, 15, 250, 250, {100, 50, 100, 100, 100}},
};

const MoverRow& mover(int index) {
    return kMovers[index];
}

} // namespace

class Enemies : public QObject {
    Q_OBJECT

private slots:
    void eachEnemyFallsItsStepAtItsInterval_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < 11; ++i)
            QTest::newRow(kMovers[i].timer) << i;
    }
    void eachEnemyFallsItsStepAtItsInterval() {
        QFETCH(int, row);
        const MoverRow& m = mover(row);
        Game game;
        Image& enemy = game.form().*m.image;
        const float start = enemy.top;
        game.wait(m.interval - 1);
        QCOMPARE(enemy.top, start);
        game.wait(1);
        QCOMPARE(enemy.top, start + m.step);
        game.wait(m.interval * 9);
        QCOMPARE(enemy.top, start + 10 * m.step);
        QCOMPARE(enemy.left, (game.form().*m.image).left);
    }

    void shotHitsStrictlyInsideItsMargin_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("shot");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("hits");
        const char* shotNames[] = {"SnpSparo", "SnpSparo2", "SparoUltra", "SparoUltra2",
                                   "SparoUltra1"};
        for (int row = 0; row < 11; ++row) {
            for (int shot = 0; shot < 5; ++shot) {
                const int margin =
                    static_cast<int>(shot == 0 ? kMovers[row].snpMargin : kMovers[row].otherMargin);
                const QByteArray name = QByteArray(kMovers[row].timer) + " " + shotNames[shot];
                QTest::newRow(name + " inside above-left")
                    << row << shot << 1 - margin << 1 - margin << true;
                QTest::newRow(name + " inside below-right")
                    << row << shot << margin - 1 << margin - 1 << true;
                QTest::newRow(name + " on the top margin") << row << shot << 0 << -margin << false;
                QTest::newRow(name + " on the right margin") << row << shot << margin << 0 << false;
            }
        }
    }
    void shotHitsStrictlyInsideItsMargin() {
        QFETCH(int, row);
        QFETCH(int, shot);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(bool, hits);
        const MoverRow& m = mover(row);
        Game game;
        Form1& form = game.form();
        parkShots(form);
        Image& enemy = form.*m.image;
        enemy.left = 5000;
        enemy.top = 4000;
        // Measured from where the enemy stands after this tick's descent.
        Shape& s = form.*kShots[shot];
        s.left = 5000.0f + dx;
        s.top = 4000.0f + m.step + dy;
        form.runTick(m.id);
        const int points = hits ? m.points[shot] : 0;
        QCOMPARE(form.Label1.caption, std::to_string(points));
        QCOMPARE(enemy.visible, !hits);
        QCOMPARE(form.timer(m.id).Enabled(), !hits);
        QCOMPARE(game.host.count("sound MMControl2 Command Play"), hits ? 1 : 0);
    }

    void twoShotsInOneTickScoreTwiceWithTwoExplosions() {
        Game game;
        Form1& form = game.form();
        parkShots(form);
        form.Image6.top = 2000;
        form.SnpSparo.left = form.Image6.left + 100;
        form.SnpSparo.top = 2028 + 100;
        form.SparoUltra.left = form.Image6.left - 100;
        form.SparoUltra.top = 2028 - 100;
        std::vector<std::string> captions;
        game.host.events.clear();
        form.runTick(TimerId::Timer5);
        QCOMPARE(form.Label1.caption, std::string("150"));
        QCOMPARE(game.host.count("sound MMControl2 Command Play"), 2);
        QVERIFY(!form.Image6.visible);
        QVERIFY(!form.Timer5.Enabled());
    }

    void scoreCaptionGrowsInShortestForm() {
        Game game;
        std::vector<std::string> captions;
        for (double points : {100.0, 50.0, 100.0, 50.0}) {
            addPoints(game.form(), points);
            captions.push_back(game.form().Label1.caption);
        }
        QCOMPARE(captions, (std::vector<std::string>{"100", "150", "250", "300"}));
    }

    void aDestroyedEnemyIsNeverTestedAgain() {
        Game game;
        Form1& form = game.form();
        parkShots(form);
        form.SnpSparo.left = form.Image7.left;
        form.SnpSparo.top = form.Image7.top + 28;
        game.wait(100);
        QCOMPARE(form.Label1.caption, std::string("100"));
        // The shot stays where the enemy vanished; nothing scores again.
        game.wait(2000);
        QCOMPARE(form.Label1.caption, std::string("100"));
        QCOMPARE(form.Image7.top, 28.0f);
    }

    void aShotFliesOnToHitASecondEnemy() {
        Game game;
        Form1& form = game.form();
        parkShots(form);
        form.Image10.left = form.Image12.left = 6000;
        form.Image10.top = 4000;
        form.Image12.top = 3000;
        form.SnpSparo.left = 6000;
        form.SnpSparo.top = 4028;
        form.runTick(TimerId::Timer7);
        QVERIFY(!form.Image10.visible);
        for (int tick = 0; tick < 5; ++tick) // the volley climbs 1000 further
            form.runTick(TimerId::Timer1);
        form.runTick(TimerId::Timer11);
        QVERIFY(!form.Image12.visible);
        QCOMPARE(form.Label1.caption, std::string("200"));
        QVERIFY(form.SnpSparo.visible);
        QCOMPARE(form.SnpSparo.top, 3028.0f);
    }

    void bottomLineEndsTheGame_data() {
        QTest::addColumn<float>("top");
        QTest::addColumn<bool>("ends");
        QTest::newRow("8139 falls on") << 8139.0f << false;
        QTest::newRow("8140 ends the game") << 8140.0f << true;
        QTest::newRow("below the line ends it") << 9000.0f << true;
    }
    void bottomLineEndsTheGame() {
        QFETCH(float, top);
        QFETCH(bool, ends);
        Game game;
        game.form().Image7.top = top;
        game.form().runTick(TimerId::Timer6);
        QCOMPARE(game.host.count("msgbox GameOver Zelto!"), ends ? 1 : 0);
        QCOMPARE(game.form().Image7.top, ends ? -3000.0f : top + 28);
    }

    void aGameLeftAloneEndsAtTheFirstEnemyToReachTheBottom() {
        QTemporaryDir dir;
        const auto result = replay("open\nwait 24099\nprint Image8.Top\nwait 1\nprint Image8.Top\n"
                                   "print Image1.Picture\nprint Image1.Width\n",
                                   dir.path().toStdString());
        // Image8 starts at 1440 and falls 28 every 100 ms: at 8160 it is past 8140.
        const QString out = QString::fromStdString(result.out);
        QVERIFY2(out.endsWith("Image8.Top = 8160\n"
                              "@24100 sound MMControl2 Command \"Close\"\n"
                              "@24100 sound MMControl2 DeviceType \"WaveAudio\"\n"
                              "@24100 sound MMControl2 FileName \"c:\\\\wav\\\\esplosione.wav\"\n"
                              "@24100 sound MMControl2 Command \"Open\"\n"
                              "@24100 sound MMControl2 Command \"Play\"\n"
                              "@24100 record \"0\\r\\n\"\n"
                              "@24100 msgbox \"GameOver\" \"Zelto!\"\n"
                              "Image8.Top = -3000\n"
                              "Image1.Picture = Picture1\n"
                              "Image1.Width = 750\n"),
                 result.out.c_str());
    }

    void gameOverStopsEverythingAndParksTheEnemies() {
        Game game;
        Form1& form = game.form();
        form.Image4.visible = false; // a destroyed enemy stays hidden when parked
        for (Timer* timer : {&form.Timer1, &form.Timer2, &form.Timer15, &form.Timer19,
                             &form.Timer21, &form.TimerAlieno})
            timer->setEnabled(true);
        GameOver(form);
        for (int i = 0; i < kTimerCount; ++i)
            QVERIFY(!form.timer(static_cast<TimerId>(i)).Enabled());
        for (auto image : {&Form1::Image2, &Form1::Image3, &Form1::Image4, &Form1::Image5,
                           &Form1::Image6, &Form1::Image7, &Form1::Image8, &Form1::Image9,
                           &Form1::Image10, &Form1::Image11, &Form1::Image12, &Form1::Image13}) {
            QCOMPARE((form.*image).top, -3000.0f);
            QCOMPARE((form.*image).visible, image != &Form1::Image4);
        }
        QCOMPARE(form.Image1.picture, Picture::Picture1);
        QCOMPARE(form.Label1.caption, std::string("0"));
        // No flag records the end: a second call runs everything again.
        GameOver(form);
        QCOMPARE(game.host.count("msgbox"), 2);
    }

    void everyMoverHasStoppedBeforeTheBoxShows() {
        Game game;
        Form1& form = game.form();
        form.Timer2.setEnabled(true);
        bool stopped = false;
        std::int64_t shownAt = -1;
        game.host.whileMessageOpen = [&] {
            stopped = true;
            for (int i = 0; i < kTimerCount; ++i)
                stopped = stopped && !form.timer(static_cast<TimerId>(i)).Enabled();
            shownAt = game.field.now();
            game.wait(1000); // the player takes a second to answer
        };
        form.Image7.top = 8140;
        game.wait(100);
        QVERIFY(stopped);
        QCOMPARE(shownAt, std::int64_t{100});
        QCOMPARE(game.field.now(), std::int64_t{1100});
        QCOMPARE(game.host.count("msgbox"), 1);
    }

    void theParkedEnemyIsStillTestedAfterGameOver() {
        Game game;
        Form1& form = game.form();
        parkShots(form);
        form.Image7.top = 8140;
        form.SnpSparo.left = form.Image7.left;
        form.SnpSparo.top = -3000;
        form.runTick(TimerId::Timer6);
        QCOMPARE(form.Label1.caption, std::string("100"));
        QVERIFY(!form.Image7.visible);
        QCOMPARE(game.host.count("sound MMControl2 Command Play"), 2);
    }

    void gameOverWritesTheRecordWhenDue_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("writes");
        QTest::newRow("below") << QByteArray("1000\r\n") << 500 << false;
        QTest::newRow("equal") << QByteArray("1000\r\n") << 1000 << true;
        QTest::newRow("above") << QByteArray("1000\r\n") << 1100 << true;
        QTest::newRow("empty") << QByteArray("") << 0 << true;
        QTest::newRow("no line end gains one") << QByteArray("1500") << 1500 << true;
        QTest::newRow("letters count as 0") << QByteArray("abc") << 50 << true;
    }
    void gameOverWritesTheRecordWhenDue() {
        QFETCH(QByteArray, stored);
        QFETCH(int, score);
        QFETCH(bool, writes);
        Game game(stored.toStdString());
        if (score > 0)
            addPoints(game.form(), score);
        GameOver(game.form());
        const std::string expected = writes ? std::to_string(score) + "\r\n" : stored.toStdString();
        QCOMPARE(game.recordBytes(), expected);
        // The record is written before the box shows.
        const auto& events = game.host.events;
        const auto box = std::find(events.begin(), events.end(), "msgbox GameOver Zelto!");
        QVERIFY(box != events.end());
        QCOMPARE(std::count_if(events.begin(), box,
                               [](const std::string& e) { return e.rfind("record", 0) == 0; }),
                 writes ? 1L : 0L);
    }
};

QTEST_GUILESS_MAIN(Enemies)
#include "test_enemies.moc"
