// zelto-replay: its grammar, its output, and its errors.
#include "test_support.h"

#include <QtTest>

using namespace zelto::test;

namespace {

const char* const kMusicLines = "@0 sound MMControl1 Command \"Close\"\n"
                                "@0 sound MMControl1 DeviceType \"WaveAudio\"\n"
                                "@0 sound MMControl1 FileName \"c:\\\\wav\\\\musica.wav\"\n"
                                "@0 sound MMControl1 Command \"Open\"\n"
                                "@0 sound MMControl1 Command \"Play\"\n";

// The player's rules, end to end through scripts.
void addPlayerRuleRows() {
    QTest::newRow("left at 140 wraps") << "set Image1.Left 140\nkey z\nwait 100\nprint Image1.Left"
                                       << "Image1.Left = 11680";
    QTest::newRow("left at 141 steps, then wraps")
        << "set Image1.Left 141\nkey z\nwait 100\nprint Image1.Left\nwait 100\nprint "
           "Image1.Left"
        << "Image1.Left = 41\nImage1.Left = 11680";
    QTest::newRow("right at 11860 wraps to -80")
        << "set Image1.Left 11860\nkey x\nwait 100\nprint Image1.Left"
        << "Image1.Left = -80";
    QTest::newRow("right at 11859 steps, then wraps")
        << "set Image1.Left 11859\nkey x\nwait 200\nprint Image1.Left"
        << "Image1.Left = -80";
    QTest::newRow("left from -80 wraps")
        << "set Image1.Left -80\nkey z\nwait 100\nprint Image1.Left"
        << "Image1.Left = 11680";
    QTest::newRow("reversing never wraps by itself")
        << "set Image1.Left 200\nkey x\nwait 100\nprint Image1.Left\nkey z\nwait 200\n"
           "print Image1.Left"
        << "Image1.Left = 300\nImage1.Left = 100";
    QTest::newRow("after a wrap it goes on")
        << "set Image1.Left 11860\nkey x\nwait 200\nprint Image1.Left"
        << "Image1.Left = 20";
    QTest::newRow("turbo steps every 16 ms") << "key l\nkey z\nwait 160\nprint Image1.Left"
                                             << "Image1.Left = 2840";
    QTest::newRow("fire places the volley")
        << "key m\nprint SnpSparo.Left\nprint SnpSparo2.Left\nprint SparoUltra.Left\n"
           "print SparoUltra1.Left\nprint SparoUltra2.Left\nprint SnpSparo.Visible"
        << "SnpSparo.Left = 3940\nSnpSparo2.Left = 4620\nSparoUltra.Left = 4050\n"
           "SparoUltra1.Left = 4260\nSparoUltra2.Left = 4480\nSnpSparo.Visible = false";
    QTest::newRow("first visible tick at 7240")
        << "key m\nwait 16\nprint SparoUltra2.Top\nprint SparoUltra2.Visible"
        << "SparoUltra2.Top = 7240\nSparoUltra2.Visible = true";
    QTest::newRow("p freezes the volley") << "key m\nwait 32\nkey p\nwait 500\nprint SnpSparo.Top"
                                          << "SnpSparo.Top = 7040";
    QTest::newRow("fire again brings it back") << "key m\nwait 48\nkey m\nprint SnpSparo.Top"
                                               << "SnpSparo.Top = 7440";
    QTest::newRow("quit writes 0 for an empty best") << "key q"
                                                     << "@0 record \"0\\r\\n\"";
    QTest::newRow("reopen starts from the design state")
        << "key x\nkey m\nkey l\nwait 300\nkey q\nopen\nprint Image1.Left\nprint ShotStep\n"
           "print SnpSparo.Top\nprint Timer2.Interval"
        << "Image1.Left = 3840\nShotStep = 0\nSnpSparo.Top = 8760\nTimer2.Interval = 100";
}

} // namespace

class Replay : public QObject {
    Q_OBJECT

private slots:
    void openPrintsTheMusicAndReadsTheRecord() {
        QTemporaryDir dir;
        const auto result = replay("open\nprint Image2.Width\nprint Label4.Caption\n"
                                   "wait 1000\nprint Image7.Top\n",
                                   dir.path().toStdString());
        QCOMPARE(result.status, 0);
        QCOMPARE(QString::fromStdString(result.out),
                 QString(kMusicLines) + "Image2.Width = 450\nLabel4.Caption = \"\"\n"
                                        "Image7.Top = 280\n");
        QVERIFY(QFileInfo(dir.filePath("record.dat")).exists());
    }

    void printsValuesInTheirTextForms_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("printed");
        QTest::newRow("number") << "print Image1.Left"
                                << "Image1.Left = 3840";
        QTest::newRow("negative") << "print Image9.Top"
                                  << "Image9.Top = -240";
        QTest::newRow("fraction") << "set Image1.Left 12.5\nprint Image1.Left"
                                  << "Image1.Left = 12.5";
        QTest::newRow("boolean") << "print ImgAl5.Visible"
                                 << "ImgAl5.Visible = true";
        QTest::newRow("picture") << "print Image2.Picture"
                                 << "Image2.Picture = Picnem1";
        QTest::newRow("no picture") << "print Image11.Picture"
                                    << "Image11.Picture = none";
        QTest::newRow("store top") << "print Picnem10.Top"
                                   << "Picnem10.Top = 120";
        QTest::newRow("timer") << "print Timer5.Interval"
                               << "Timer5.Interval = 300";
        QTest::newRow("shot step") << "print ShotStep"
                                   << "ShotStep = 0";
        QTest::newRow("escaped caption")
            << "set Label4.Caption \"a\\r\\n\\t\\\\\\\"\\x01\"\nprint Label4.Caption"
            << "Label4.Caption = \"a\\r\\n\\t\\\\\\\"\\x01\"";
        QTest::newRow("caption with blanks")
            << "set Label4.Caption \"1 5 0 0\"\nprint Label4.Caption"
            << "Label4.Caption = \"1 5 0 0\"";
        QTest::newRow("picture resizes") << "set Image11.Picture Picture2\nprint Image11.Width"
                                         << "Image11.Width = 750";
        addPlayerRuleRows();
        QTest::newRow("sound control") << "print MMControl1.FileName"
                                       << "MMControl1.FileName = \"c:\\\\wav\\\\musica.wav\"";
    }
    void printsValuesInTheirTextForms() {
        QFETCH(QString, script);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const auto result =
            replay("open\n" + script.toStdString() + "\n", dir.path().toStdString());
        QCOMPARE(result.status, 0);
        QVERIFY2(QString::fromStdString(result.out).endsWith(printed + "\n"), result.out.c_str());
    }

    void fixturesRunNoHandler() {
        QTemporaryDir dir;
        // Setting the score caption directly leaves the best score alone; "score" runs the
        // change handler, which raises it.
        const auto result = replay("open\nset Label1.Caption \"5000\"\nprint Label4.Caption\n"
                                   "score 50\nprint Label1.Caption\nprint Label4.Caption\n",
                                   dir.path().toStdString());
        QVERIFY2(QString::fromStdString(result.out)
                     .endsWith("Label4.Caption = \"\"\nLabel1.Caption = \"5050\"\n"
                               "Label4.Caption = \"5050\"\n"),
                 result.out.c_str());
    }

    void keysByCharacterAndCode() {
        QTemporaryDir dir;
        const auto result = replay("open\nkey #120\nwait 100\nprint Image1.Left\nkey Z\nkey p\n"
                                   "wait 100\nprint Image1.Left\n",
                                   dir.path().toStdString());
        QVERIFY2(
            QString::fromStdString(result.out).endsWith("Image1.Left = 3940\nImage1.Left = 3940\n"),
            result.out.c_str());
    }

    void skipsBlankLinesAndComments() {
        QTemporaryDir dir;
        const auto result =
            replay("# a comment\n\n   \nopen\n  # indented comment\nprint ShotStep\n",
                   dir.path().toStdString());
        QCOMPARE(result.status, 0);
        QVERIFY(QString::fromStdString(result.out).endsWith("ShotStep = 0\n"));
    }

    void stopsAtALineItCannotUnderstand_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown command") << "open\njump"
                                         << "line 2: unknown command jump";
        QTest::newRow("unknown object") << "open\nprint Image99.Top"
                                        << "line 2: no object Image99";
        QTest::newRow("unknown property") << "open\nprint Timer1.Top"
                                          << "line 2: Timer1 has no property Top";
        QTest::newRow("bad number") << "open\nset Image1.Left abc"
                                    << "line 2: bad number abc";
        QTest::newRow("bad boolean") << "open\nset Image1.Visible yes"
                                     << "line 2: expected true or false, not yes";
        QTest::newRow("unquoted caption") << "open\nset Label1.Caption 5"
                                          << "line 2: bad caption 5";
        QTest::newRow("interval out of range") << "open\nset Timer1.Interval 0"
                                               << "line 2: an interval is a whole number from 1 "
                                                  "to 65535";
        QTest::newRow("print before open") << "print Image1.Top"
                                           << "line 1: the play field is not open";
        QTest::newRow("print after quit") << "open\nkey q\nprint Image1.Top"
                                          << "line 3: the play field is not open";
        QTest::newRow("key of two characters") << "open\nkey ab"
                                               << "line 2: key needs one character or #CODE";
        QTest::newRow("negative wait") << "open\nwait -5"
                                       << "line 2: wait needs a whole number of milliseconds";
        QTest::newRow("wait past the last moment")
            << "open\nwait 4611686018427387903\nwait 1"
            << "line 3: wait goes past the clock's last moment, 4611686018427387903 ms";
        QTest::newRow("largest wait") << "wait 9223372036854775807"
                                      << "line 1: wait goes past the clock's last moment, "
                                         "4611686018427387903 ms";
        QTest::newRow("unknown routine") << "open\ncall Restart"
                                         << "line 2: no routine Restart";
        QTest::newRow("tick of a non-timer") << "open\ntick Image1"
                                             << "line 2: no timer Image1";
        QTest::newRow("extra words") << "open now"
                                     << "line 1: unexpected now";
    }
    void stopsAtALineItCannotUnderstand() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const auto result =
            replay(script.toStdString() + "\nprint ShotStep\n", dir.path().toStdString());
        QCOMPARE(result.status, 2);
        QCOMPARE(QString::fromStdString(result.err), error + "\n");
        QVERIFY(!QString::fromStdString(result.out).contains("ShotStep"));
    }

    void theProgramReadsAFileOrStandardInput() {
        QTemporaryDir dir;
        const QString script = dir.filePath("script.txt");
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("open\nprint Image1.Top\n");
        file.close();
        QProcess fromFile;
        fromFile.setWorkingDirectory(dir.path());
        fromFile.start(ZELTO_BUILD_DIR "/zelto-replay", {script});
        QVERIFY(fromFile.waitForFinished());
        QVERIFY(fromFile.readAllStandardOutput().endsWith("Image1.Top = 7440\n"));
        QProcess fromStdin;
        fromStdin.setWorkingDirectory(dir.path());
        fromStdin.start(ZELTO_BUILD_DIR "/zelto-replay", {});
        fromStdin.write("open\nbogus\n");
        fromStdin.closeWriteChannel();
        QVERIFY(fromStdin.waitForFinished());
        QCOMPARE(fromStdin.exitCode(), 2);
        QCOMPARE(fromStdin.readAllStandardError(), QByteArray("line 2: unknown command bogus\n"));
        QVERIFY(QFileInfo(dir.filePath("record.dat")).exists());
    }
};

QTEST_GUILESS_MAIN(Replay)
#include "test_replay.moc"
