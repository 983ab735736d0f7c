// Recording a game played by a jittery real-time driver, with keys at odd moments and ticks in
// the message box: the replay plays it out again exactly, and refuses it spoilt in any way.
#include "replay/recorder.h"
#include "replay/replay.h"
#include "test_support.h"

#include <QtTest>
#include <random>
#include <sstream>

using namespace zelto;
using namespace zelto::test;

class RecordingTest : public QObject {
    Q_OBJECT

private slots:
    // Three ticks to a character of "0-9A-Za-z-_", the first in the high bits: the format of
    // every recording already written.
    void tickCodes() {
        const std::vector<int> late{0, 1, 2, 3, 3, 2, 3, 3, 3, 1};
        QCOMPARE(encodeTicks(late), "6-_G");
        QCOMPARE(decodeTicks("10", "6-_G"), std::optional(late));
        for (const auto& [count, code] : {std::pair("0", ""), {"4", "6"}, {"2", "6-"}, {"1", "*"}})
            QVERIFY(!decodeTicks(count, code));
    }

    // Even seeds keep the file atomically. Each game is also checked spoilt: "ENDING|PATTERN|
    // REPLACEMENT", the first match replaced.
    void aRecordedGamePlaysOutTheSame_data() {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<QString>("row");
        QTest::newRow("cut in a line") << 1u << "quit|expect Label4[\\s\\S]*|expect Label4.Cap";
        QTest::newRow("lines swapped") << 2u << "quit|\n(.*)\n(key .*)\n|\n\\2\n\\1\n";
        QTest::newRow("a key changed") << 3u << "quit|\nkey [^z]|\nkey z";
        QTest::newRow("a tick count changed") << 4u << "quit|\nticks [0-8]|\nticks 9";
        QTest::newRow("an answer dropped") << 5u << "quit|\nanswer.*\n|\n";
        QTest::newRow("a wait put in") << 6u << "quit|\nkey |\nwait 100\nkey ";
        QTest::newRow("closed; a time changed") << 7u << "close|\nat |\nat 1";
        QTest::newRow("ended; an expectation changed")
            << 8u << "end|expect events |expect events 1";
    }
    void aRecordedGamePlaysOutTheSame() {
        QFETCH(unsigned, seed);
        QFETCH(QString, row);
        const QStringList spoil = row.split('|');
        const bool atomic = seed % 2 == 0;
        QTemporaryDir folder;
        const std::string file = folder.filePath("game.zrp").toStdString();
        const std::string record = folder.filePath("record.dat").toStdString();
        writeFile(file, "old\n");
        writeFile(record, "1500\r\n");
        RecordingHost host;
        SilentSoundDevice sound;
        RecordingFile recording(file, atomic ? RecordingFile::Mode::Atomic
                                             : RecordingFile::Mode::InPlace);
        Recorder recorder(host, recording);
        PlayField field(recorder, sound, folder.path().toStdString(), {});
        recorder.follow(field);
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<>(0, n)(random); };
        // To `late` ms after the next due tick, or, for a key, after the field's time.
        const auto advance = [&](int late, bool key) {
            const auto due = field.nextDue();
            const std::int64_t now = key || !due ? field.now() + (key ? late : 50) : *due + late;
            recorder.advance(now, due);
            field.advanceTo(now);
        };
        const auto press = [&](int key) {
            recorder.key(key);
            field.keyPress(key);
        };
        // The box's own event loop goes on delivering ticks.
        host.whileMessageOpen = [&] {
            for (int i = 0; i < 20; ++i)
                advance(pick(14), false);
        };
        field.advanceTo(1234);
        recorder.gameOpening();
        field.show();
        recorder.gameOpened();
        for (int step = 0; step < 3000 && field.isOpen(); ++step) {
            const bool key = pick(9) == 0;
            advance(pick(14), key);
            if (key)
                press("zxmpplkas"[pick(8)]);
        }
        // Killed now, the file would hold whole lines: the old recording, or this one so far.
        const std::string midway = readFile(file);
        if (spoil[0] != "end") {
            spoil[0] == "quit" ? press('q') : recorder.windowClosing();
            field.close();
        }
        recorder.programEnding();
        const QString script = QString::fromStdString(readFile(file));
        QCOMPARE(midway == "old\n", atomic);
        QVERIFY(script.startsWith(midway.c_str()) != atomic && midway.ends_with('\n'));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(host.count("msgbox") > 0 && script.contains("\nanswer\n") &&
                script.contains("\nexpect events "));
        const auto check = [&](const QString& text, const char* best) {
            writeFile(record, best);
            std::istringstream in(text.toStdString());
            std::ostringstream out, err;
            const int status = runReplay(in, out, err, folder.path().toStdString());
            return std::pair(status, err.str());
        };
        const auto [status, err] = check(script, "1500\r\n");
        QVERIFY2(status == 0 && err.empty(), err.c_str());
        QVERIFY(check(script, "100\r\n").second.find("may play out otherwise") !=
                std::string::npos);
        const QString spoilt =
            QString(script).replace(QRegularExpression("\\A[\\s\\S]*?\\K" + spoil[1]), spoil[2]);
        const auto [spoiltStatus, why] = check(spoilt, "1500\r\n");
        QVERIFY(spoilt != script && spoiltStatus == 2);
        QVERIFY2(why.rfind("line ", 0) == 0, why.c_str());
    }
};

QTEST_GUILESS_MAIN(RecordingTest)
#include "test_recording.moc"
