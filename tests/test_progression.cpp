// The step that runs inside every score change: the best score, the thresholds that bring
// the aliens and Image5 into play, and the speed-ups above 16000 and 30000.
#include "enemies/progression.h"
#include "scoring/score.h"
#include "test_support.h"

#include <QtTest>

using namespace zelto;
using namespace zelto::test;

class ProgressionTest : public QObject {
    Q_OBJECT

private slots:
    void eachThresholdArmsOnlyAboveItsScore_data() {
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("alieno");
        QTest::addColumn<bool>("al2");
        QTest::addColumn<bool>("image5");
        QTest::addColumn<bool>("al1");
        QTest::newRow("600") << "600" << false << false << false << false;
        QTest::newRow("600.5 rounds to even 600") << "600.5" << false << false << false << false;
        QTest::newRow("601") << "601" << true << false << false << false;
        QTest::newRow("1600") << "1600" << true << false << false << false;
        QTest::newRow("1601") << "1601" << true << true << false << false;
        QTest::newRow("2600") << "2600" << true << true << false << false;
        QTest::newRow("2601") << "2601" << true << true << true << false;
        QTest::newRow("4500") << "4500" << true << true << true << false;
        QTest::newRow("4501") << "4501" << true << true << true << true;
    }
    void eachThresholdArmsOnlyAboveItsScore() {
        QFETCH(QString, score);
        QFETCH(bool, alieno);
        QFETCH(bool, al2);
        QFETCH(bool, image5);
        QFETCH(bool, al1);
        Game game;
        Form1& form = game.form();
        // Image5 destroyed somewhere down the field.
        form.Timer8.setEnabled(false);
        form.Image5.visible = false;
        form.Image5.top = 5000;
        form.Label1.caption = score.toStdString();
        Form1_Label1_Change(form);

        QCOMPARE(form.TimerAlieno.Enabled(), alieno);
        QCOMPARE(form.ImgAlieno.top, alieno ? 320.f : 240.f);
        QCOMPARE(form.Timer19.Enabled(), al2);
        QCOMPARE(form.Imgal2.top, al2 ? 320.f : 0.f);
        QCOMPARE(form.Timer8.Enabled(), image5);
        QCOMPARE(form.Image5.visible, image5);
        QCOMPARE(form.Image5.top, image5 ? 320.f : 5000.f);
        QCOMPARE(form.Timer15.Enabled(), al1);
        QCOMPARE(form.ImgAl1.top, al1 ? 320.f : 120.f);
        // The shot starts 210 right of and 610 below the alien's new position, shown.
        QCOMPARE(form.Timer21.Enabled(), al1);
        QCOMPARE(form.Sparonem.visible, al1);
        QCOMPARE(form.Sparonem.left, al1 ? 450.f : 720.f);
        QCOMPARE(form.Sparonem.top, al1 ? 930.f : 2880.f);
        // Aliens show at their own first tick; nothing here moves anything sideways.
        QVERIFY(!form.ImgAlieno.visible && !form.Imgal2.visible && !form.ImgAl1.visible);
        QCOMPARE(form.ImgAl1.left, 240.f);
    }

    void aRunningTimerKeepsItsObjectWhereItIs() {
        Game game;
        Form1& form = game.form();
        form.TimerAlieno.setEnabled(true);
        form.Timer15.setEnabled(true);
        form.Timer19.setEnabled(true);
        for (Image* image : {&form.ImgAlieno, &form.ImgAl1, &form.Imgal2, &form.Image5})
            image->top = 5000;
        form.Sparonem.left = 100;
        form.Sparonem.top = 200;
        form.Label1.caption = "9950";
        addPoints(form, 100);
        for (Image* image : {&form.ImgAlieno, &form.ImgAl1, &form.Imgal2, &form.Image5})
            QCOMPARE(image->top, 5000.f);
        QCOMPARE(form.Sparonem.left, 100.f);
        QCOMPARE(form.Sparonem.top, 200.f);
        QVERIFY(!form.Sparonem.visible);
        QVERIFY(!form.Timer21.Enabled());
    }

    void speedUpsAboveSixteenAndThirtyThousand_data() {
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("intervals"); // Timer8 Timer21 TimerAlieno Timer19 Timer15
        QTest::addColumn<bool>("saucer");
        QTest::addColumn<bool>("image8");
        QTest::newRow("16000") << "16000"
                               << "160 50 50 100 100" << false << false;
        QTest::newRow("16001") << "16001"
                               << "35 30 50 100 100" << true << false;
        QTest::newRow("30000") << "30000"
                               << "35 30 50 100 100" << true << false;
        // Both apply: the faster values of the second block stay.
        QTest::newRow("30001") << "30001"
                               << "15 3 35 35 45" << true << true;
    }
    void speedUpsAboveSixteenAndThirtyThousand() {
        QFETCH(QString, score);
        QFETCH(QString, intervals);
        QFETCH(bool, saucer);
        QFETCH(bool, image8);
        Game game;
        Form1& form = game.form();
        // Image8 destroyed down the field.
        form.Timer10.setEnabled(false);
        form.Image8.visible = false;
        form.Image8.top = 5000;
        form.Label1.caption = score.toStdString();
        Form1_Label1_Change(form);

        QCOMPARE(QString("%1 %2 %3 %4 %5")
                     .arg(form.Timer8.Interval())
                     .arg(form.Timer21.Interval())
                     .arg(form.TimerAlieno.Interval())
                     .arg(form.Timer19.Interval())
                     .arg(form.Timer15.Interval()),
                 intervals);
        QCOMPARE(form.ImgAlieno.picture, saucer ? Picture::Picture2 : Picture::alieno);
        QCOMPARE(form.Image5.picture, saucer ? Picture::Picture2 : Picture::Picnem4);
        QCOMPARE(form.Image5.width, saucer ? 750.f : 450.f);
        QCOMPARE(form.Image8.picture, image8 ? Picture::Picture2 : Picture::Picnem7);
        QCOMPARE(form.Image8.visible, image8);
        QCOMPARE(form.Image8.top, image8 ? 40.f : 5000.f);
        QCOMPARE(form.Timer10.Enabled(), image8);
        QCOMPARE(form.Timer10.Interval(), image8 ? 50 : 100);
    }

    void aboveThirtyThousandEveryChangeReplacesImage8_data() {
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("running");
        QTest::newRow("destroyed") << 3000 << false << false;
        QTest::newRow("descending") << 3000 << true << true;
        QTest::newRow("parked by game over") << -3000 << true << false;
    }
    void aboveThirtyThousandEveryChangeReplacesImage8() {
        QFETCH(int, top);
        QFETCH(bool, visible);
        QFETCH(bool, running);
        Game game;
        Form1& form = game.form();
        form.Label1.caption = "30100";
        for (int change = 0; change < 2; ++change) {
            form.Image8.top = static_cast<float>(top);
            form.Image8.visible = visible;
            form.Timer10.setEnabled(running);
            addPoints(form, 50);
            QCOMPARE(form.Image8.top, 40.f);
            QVERIFY(form.Image8.visible);
            QVERIFY(form.Timer10.Enabled());
            QCOMPARE(form.Timer10.Interval(), 50);
        }
        // Its descent restarts 50 ms after the change.
        game.wait(49);
        QCOMPARE(form.Image8.top, 40.f);
        game.wait(1);
        QCOMPARE(form.Image8.top, 68.f);
    }

    void theBestScoreRisesOnlyWhenBelowTheScore_data() {
        QTest::addColumn<QString>("best");
        QTest::addColumn<int>("score"); // before 50 more points
        QTest::addColumn<QString>("expected");
        QTest::newRow("below: raised") << "1000" << 1000 << "1050";
        QTest::newRow("equal: not written") << "1050\r\n" << 1000 << "1050\r\n";
        QTest::newRow("line end ends the number") << "1000\r\n" << 1000 << "1050";
        QTest::newRow("empty reads 0") << "" << 0 << "50";
        QTest::newRow("abc reads 0") << "abc" << 1400 << "1450";
        QTest::newRow("blanks inside the number") << "1 5 0 0" << 1400 << "1 5 0 0";
        QTest::newRow("blanks, passed") << "1 5 0 0" << 1500 << "1550";
        QTest::newRow("saturated") << "99999999999" << 1400 << "99999999999";
        QTest::newRow("saturated, score too") << "99999999999" << 2147483640 << "99999999999";
        QTest::newRow("half rounds down to even") << "1502.5" << 1453 << "1503";
        QTest::newRow("half rounds up to even") << "1501.5" << 1452 << "1501.5";
        QTest::newRow("plain digits") << "1000" << 99950 << "100000";
    }
    void theBestScoreRisesOnlyWhenBelowTheScore() {
        QFETCH(QString, best);
        QFETCH(int, score);
        QFETCH(QString, expected);
        Game game;
        Form1& form = game.form();
        form.Label4.caption = best.toStdString();
        form.Label1.caption = std::to_string(score);
        addPoints(form, 50);
        QCOMPARE(QString::fromStdString(form.Label4.caption), expected);
        QCOMPARE(game.host.count("record"), 0); // saving belongs to the game over
    }
};

QTEST_GUILESS_MAIN(ProgressionTest)
#include "test_progression.moc"
