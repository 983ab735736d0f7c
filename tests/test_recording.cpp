// Recording a game: a game played by a jittery real-time driver, with keys at odd moments and
// ticks inside the message box, is written as a replay script that plays it out again exactly;
// a recording spoilt in any way is refused.
#include "replay/recorder.h"
#include "replay/replay.h"
#include "test_support.h"

#include <QtTest>
#include <random>
#include <sstream>

using namespace zelto;
using namespace zelto::test;

namespace {

/// A game played from a seed as the real-time driver plays it, recorded into a file.
struct RecordedGame {
    QTemporaryDir folder;
    const std::filesystem::path file = folder.filePath("game.zrp").toStdString();
    RecordingHost host;
    SilentSoundDevice sound;
    RecordingFile recording{file, RecordingFile::Mode::InPlace};
    Recorder recorder{host, recording};
    PlayField field{recorder, sound, folder.path().toStdString(), {}};
    std::mt19937 random;

    explicit RecordedGame(unsigned seed) : random(seed) {
        recorder.follow(field);
        writeFile(folder.filePath("record.dat").toStdString(), "1500\r\n");
        // Inside the box the clock goes on, as the box's own event loop delivers ticks.
        host.whileMessageOpen = [this] {
            for (int i = 0; i < 20; ++i)
                advance(late());
        };
    }
    int late() { return std::uniform_int_distribution<>(0, 14)(random); }
    void advance(int late) {
        const auto due = field.nextDue();
        const std::int64_t now = due ? *due + late : field.now() + 50;
        recorder.advance(now, due);
        field.advanceTo(now);
    }
    void play(int steps) {
        field.advanceTo(1234);
        recorder.gameOpening();
        field.show();
        recorder.gameOpened();
        for (int step = 0; step < steps && field.isOpen(); ++step) {
            if (std::uniform_int_distribution<>(0, 9)(random) > 0) {
                advance(late());
                continue;
            }
            const std::int64_t at = field.now() + late();
            recorder.advance(at, field.nextDue());
            field.advanceTo(at);
            const int key = "zxmpplkas"[std::uniform_int_distribution<>(0, 8)(random)];
            recorder.key(key);
            field.keyPress(key);
        }
    }
    /// The recording checked in a folder whose record file holds `record`.
    std::pair<int, std::string> check(const std::string& script, const std::string& record) {
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath("record.dat").toStdString(), record);
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        const int status = runReplay(in, out, err, elsewhere.path().toStdString());
        return {status, err.str()};
    }
};

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT

private slots:
    void aRecordedGamePlaysOutTheSame_data() {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<QString>("ending");
        for (unsigned seed = 1; seed <= 6; ++seed)
            QTest::addRow("seed %u, quit", seed) << seed << "quit";
        QTest::newRow("window closed") << 7u << "close";
        QTest::newRow("program ended") << 8u << "end";
    }
    void aRecordedGamePlaysOutTheSame() {
        QFETCH(unsigned, seed);
        QFETCH(QString, ending);
        RecordedGame game(seed);
        game.play(3000);
        if (ending == "quit") {
            game.recorder.key('q');
            game.field.keyPress('q');
        } else if (ending == "close") {
            game.recorder.windowClosing();
            game.field.close();
        } else {
            game.recorder.programEnding();
        }
        const std::string script = readFile(game.file);
        QVERIFY(game.host.count("msgbox") > 0 && script.find("\nanswer\n") != std::string::npos);
        QVERIFY(script.find("\nexpect events ") != std::string::npos);
        const auto [status, err] = game.check(script, "1500\r\n");
        QVERIFY2(status == 0 && err.empty(), err.c_str());
        // A game in a folder with another best score may play out otherwise; it is told.
        QVERIFY(game.check(script, "100\r\n").second.find("may play out otherwise") !=
                std::string::npos);
    }

    void aSpoiltRecordingIsRefused_data() {
        QTest::addColumn<QString>("spoil");
        QTest::newRow("cut in a line") << "cut";
        QTest::newRow("two lines swapped") << "swap";
        QTest::newRow("a key changed") << "key";
        QTest::newRow("a late tick changed") << "tick";
        QTest::newRow("an answer dropped") << "answer";
        QTest::newRow("a wait put in") << "wait";
    }
    void aSpoiltRecordingIsRefused() {
        QFETCH(QString, spoil);
        RecordedGame game(11);
        game.play(2000);
        game.recorder.key('q');
        game.field.keyPress('q');
        QStringList lines = QString::fromStdString(readFile(game.file)).split('\n');
        const auto first = [&](const char* start) {
            const auto line = std::find_if(lines.begin(), lines.end(),
                                           [&](const QString& l) { return l.startsWith(start); });
            return line == lines.end() ? qsizetype(1) : line - lines.begin();
        };
        const qsizetype key = first("key ");
        if (spoil == "cut")
            lines = lines.mid(0, first("expect Label4")) << QStringLiteral("expect Label4.Cap");
        else if (spoil == "swap")
            lines.swapItemsAt(key, key - 1);
        else if (spoil == "key")
            lines[key] = lines[key] == "key z" ? "key x" : "key z";
        else if (spoil == "tick")
            lines[first("ticks ")][6] = lines[first("ticks ")][6] == '9' ? '0' : '9';
        else if (spoil == "answer")
            lines.removeAt(first("answer"));
        else
            lines.insert(key, QStringLiteral("wait 100"));
        const std::string script = lines.join('\n').toStdString();
        const auto [status, err] = game.check(script, "1500\r\n");
        QCOMPARE(status, 2);
        QVERIFY2(err.rfind("line ", 0) == 0, err.c_str());
    }
};

QTEST_GUILESS_MAIN(RecordingTest)
#include "test_recording.moc"
