// Recorded games: a game played by a jittery real-time driver, with keys at odd moments and
// ticks in the message box, checks out exactly, and spoilt in any way it does not; recordings
// made by earlier versions still check out; and a hostile recording is refused quickly, with
// little memory, at its line.
#include "replay/recorder.h"
#include "replay/replay.h"
#include "replay/verify.h"
#include "test_support.h"

#include <QtTest>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <new>
#include <random>
#include <sstream>
#include <sys/stat.h>

using namespace zelto;
using namespace zelto::test;

// Every allocation of the program is counted, so that a check can be held to a bound.
namespace {
std::atomic<std::size_t> allocated{0};
std::atomic<std::size_t> peak{0};
} // namespace

void* operator new(std::size_t size) {
    std::size_t* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block)
        throw std::bad_alloc();
    *block = size;
    const std::size_t now = allocated += size;
    for (std::size_t high = peak; now > high && !peak.compare_exchange_weak(high, now);) {
    }
    return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* pointer) noexcept {
    if (!pointer)
        return;
    auto* block =
        reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - sizeof(std::max_align_t));
    allocated -= *block;
    std::free(block);
}
void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

namespace {

/// How long a refusal may take: a few times what it takes here, more under the sanitizers.
#ifdef ZELTO_SANITIZED
constexpr qint64 kWorkBoundMs = 20'000;
#else
constexpr qint64 kWorkBoundMs = 5'000;
#endif

QString recording(const char* name) {
    return QString::fromStdString(
        readFile(ZELTO_SOURCE_DIR "/tests/data/recordings/" + std::string(name) + ".zrp"));
}

/// A check of a killed program's recording, which may stop anywhere.
VerifyOptions partially(bool partial = true) {
    VerifyOptions options;
    options.partial = partial;
    return options;
}

/// The recording with its end line made to fit what stands before it, as a forger would.
QString resigned(QString text) {
    text.remove(QRegularExpression("end \\d+\n$"));
    script::Fingerprint lines;
    bool started = false;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        started |= line == "recording";
        if (started && !line.startsWith('#'))
            lines.add(line.toStdString());
    }
    return text + "end " + QString::number(lines.value()) + '\n';
}

} // namespace

class RecordingTest : public QObject {
    Q_OBJECT

private slots:
    // Three ticks to a character of "0-9A-Za-z-_", the first in the high bits: the format of
    // every recording already written.
    void tickCodes() {
        const std::vector<int> late{0, 1, 2, 3, 3, 2, 3, 3, 3, 1};
        QCOMPARE(script::encodeTicks(late), "6-_G");
        QCOMPARE(script::decodeTicks("10", "6-_G"), std::optional(late));
        for (const auto& [count, code] : {std::pair("0", ""), {"4", "6"}, {"2", "6-"}, {"1", "*"}})
            QVERIFY(!script::decodeTicks(count, code));
    }

    // Every command reads back as it is written, and a player's name is 1 to 20 characters.
    void theLanguageReadsWhatItWrites() {
        for (const char* line : {"open",
                                 "key x +5",
                                 "key #300",
                                 "key #35",
                                 "wait 100",
                                 "tick Timer1",
                                 "set Image1.Left 12.5",
                                 "score 50",
                                 "call GameOver",
                                 "print Form1",
                                 "recording",
                                 "best \"1500\\r\\n\"",
                                 "player \"Ada L\"",
                                 "refused",
                                 "at 20",
                                 "ticks 4 H0",
                                 "pause 1234",
                                 "answer +5",
                                 "close",
                                 "close +7",
                                 "expect events 40 123",
                                 "end 123"})
            QCOMPARE(script::write(*script::readLine(line)), line);
        for (const auto& [name, valid] : {std::pair("A", true),
                                          {"Ada Lovelace 1815-52", true},
                                          {"Ada Lovelace 1815-52!", false},
                                          {"", false},
                                          {"   ", false},
                                          {"Zoë Żółć 星", true},
                                          {"a\tb", false},
                                          {"a\xC2\x85", false},
                                          {"\x7F", false},
                                          {"\xC2\xA0 ok", true},
                                          {"ééééééééééééééééééé\u00e9", true},
                                          {"ééééééééééééééééééééé", false}})
            QVERIFY2(script::isPlayerName(name) == valid, name);
        QCOMPARE(QString::fromStdString(script::excerpt(std::string(100, 'x'))),
                 QString(80, 'x') + "...");
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
        writeFile(file, "old\n");
        writeFile(folder.filePath("record.dat").toStdString(), "1500\r\n");
        // The temporary files of a program that runs (init's) and of one long gone.
        const QString running = folder.filePath(".game.zrp.1.tmp");
        if (atomic) {
            writeFile(running.toStdString(), "another game\n");
            writeFile(folder.filePath(".game.zrp.999999999.tmp").toStdString(), "stale\n");
        }
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
        recorder.key('m'); // after its end a game takes no more lines
        const QString script = QString::fromStdString(readFile(file));
        QCOMPARE(QString::fromStdString(recorder.takeFinished().value_or("")), script);
        recorder.programEnding(); // and a game is told once
        QVERIFY(!recorder.takeFinished());
        QCOMPARE(midway == "old\n", atomic);
        QVERIFY(script.startsWith(midway.c_str()) != atomic && midway.ends_with('\n'));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), atomic ? 3 : 2);
        QCOMPARE(QFile::exists(running), atomic);
        QVERIFY(host.count("msgbox") > 0 && script.contains("\nanswer\n") &&
                script.contains("\nexpect events "));
        const Verdict verdict = verifyRecording(script.toStdString());
        QVERIFY2(verdict.checksOut(), verdict.stop ? verdict.stop->text().c_str() : "");
        QCOMPARE(verdict.best, "1500\r\n");
        QCOMPARE(verdict.gameOver, true);
        QCOMPARE(verdict.quit, spoil[0] == "quit");
        QCOMPARE(verdict.finished(), true);
        if (!atomic) // as far as it went, a killed game's recording shows
            QVERIFY(verifyRecording(midway.substr(midway.find('\n') + 1), partially()).checksOut());
        const QString spoilt =
            QString(script).replace(QRegularExpression("\\A[\\s\\S]*?\\K" + spoil[1]), spoil[2]);
        const Verdict refused = verifyRecording(spoilt.toStdString());
        QVERIFY(spoilt != script && refused.stop && refused.stop->line > 0);
        // The same recorder records the program's next game afresh.
        if (field.isOpen()) // the program ended with this game
            return;
        recorder.gameOpening();
        field.show();
        recorder.gameOpened();
        for (int step = 0; step < 30 && field.isOpen(); ++step)
            advance(pick(14), false);
        if (field.isOpen())
            press('q');
        recorder.programEnding();
        const Verdict next = verifyRecording(readFile(file));
        QVERIFY2(next.checksOut(), next.stop ? next.stop->text().c_str() : "");
    }

    // Recordings that earlier versions of the game wrote, by how they ended.
    void earlierRecordingsCheckOut_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        QTest::newRow("game over, then q") << "gameover-quit"
                                           << "200 1500 26033 19 over quit";
        QTest::newRow("game over, program ended") << "gameover-ended"
                                                  << "150 250 24133 9 over";
        QTest::newRow("paused, music off, q") << "quit-paused"
                                              << "200 - 2900 11 quit";
        QTest::newRow("killed") << "killed"
                                << "0 - 440 5 partial";
    }
    void earlierRecordingsCheckOut() {
        QFETCH(QString, name);
        QFETCH(QString, summary);
        const std::string text = recording(qPrintable(name)).toStdString();
        const bool partial = summary.endsWith("partial");
        const Verdict v = verifyRecording(text, partially(partial));
        QVERIFY2(v.checksOut(), v.stop ? v.stop->text().c_str() : "");
        const QString best = QString::fromStdString(v.best).remove("\r\n");
        QCOMPARE(
            QStringLiteral("%1 %2 %3 %4%5%6%7")
                .arg(v.points)
                .arg(best.isEmpty() ? "-" : best)
                .arg(v.lengthMs)
                .arg(v.keys)
                .arg(v.gameOver ? " over" : "", v.quit ? " quit" : "", partial ? " partial" : ""),
            summary);
        QCOMPARE(v.complete, !partial);
        if (partial) // without the end line only as the record of a killed program
            QVERIFY(verifyRecording(text).stop->message.find("stops before its end") !=
                    std::string::npos);
    }

    // A recording holds only what a game writes, in its order, and nothing after its end; none
    // can make the check run long or grow. Each row: the recording, then the line and the
    // start of the message it is refused with.
    void hostileRecordingsAreRefused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("why");
        const auto row = [](const char* name, const QByteArray& text, int line, const char* why) {
            QTest::newRow(name) << text << line << QString(why);
        };
        const QByteArray game = recording("quit-paused").toLatin1();
        const QByteArray over = recording("gameover-quit").toLatin1();
        const QByteArray header = "recording\nat 0\nopen\nbest \"\"\n";
        row("points added, expectations and end made to fit",
            resigned(QString(game)
                         .replace("key q\n", "score 99000\nkey q\n")
                         .replace("\"200\"", "\"99200\"")
                         .remove(QRegularExpression("end \\d+\n")))
                .toLatin1(),
            29, "score is not part of a recorded game");
        row("lines after the end", game + "open\nscore 88000\nexpect Label1.Caption \"88000\"\n",
            35, "nothing may follow the end");
        row("empty", "", 1, "this is no recording");
        row("a script", "open\nkey q\n", 1, "this is no recording");
        row("days of play", header + "at 259200000\n", 5, "the game goes on");
        row("a best score badly quoted", "recording\nat 0\nopen\nbest \"1500\n", 4, "bad caption");
        row("a wait", header + "wait 100\n", 5, "wait is not part");
        row("a timer's tick", header + "tick Timer1\n", 5, "tick is not part");
        row("the header out of order", "recording\nopen\nat 0\n", 2, "open cannot stand here");
        row("a key while the box is open",
            recording("gameover-ended").replace("answer", "key m\nanswer").toLatin1(), 38,
            "key while the message box is open");
        row("a million lines", header + QByteArray("pause 1\n").repeated(1'000'000), 524'289,
            "the recording is larger than");
        row("a 100 MB line", header + "ticks 1 " + QByteArray(100'000'000, 'A'), 5,
            "the line is longer");
        row("refused before the player",
            QByteArray(over).replace("open\n", "open\nbest \"\"\nrefused\nplayer \"A\"\n"), 7,
            "player cannot stand here");
        row("a second player line", header + "player \"A\"\nplayer \"B\"\n", 6,
            "player cannot stand here");
        row("a key after the field closed",
            QByteArray(over).replace("key q +1896\n", "key q +1896\nkey x\n"), 57,
            "key after the play field closed");
        row("expectations out of order", QByteArray(over).replace("expect Label1", "expect Label9"),
            57, "expect cannot stand here");
        row("the end too early", QByteArray(over).replace("expect Label4", "end 1\nexpect Label4"),
            58, "end cannot stand here");
        row("control bytes", "recording\n\x1b]0;title\x07" + QByteArray(200, 'x'), 2,
            "unknown command \\x1B]0;title\\x07xxx");
    }
    void hostileRecordingsAreRefused() {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, why);
        const std::string_view bytes(text.constData(), static_cast<std::size_t>(text.size()));
        QElapsedTimer time;
        time.start();
        const std::size_t before = allocated;
        peak = before;
        const Verdict verdict = verifyRecording(bytes);
        QVERIFY2(time.elapsed() < kWorkBoundMs, qPrintable(QString::number(time.elapsed())));
        QVERIFY(peak - before < 2 * 1024 * 1024);
        QVERIFY(verdict.stop);
        QVERIFY2(verdict.stop->message.rfind(why.toStdString(), 0) == 0,
                 verdict.stop->text().c_str());
        QCOMPARE(verdict.stop->line, line);
        QVERIFY(verdict.stop->message.size() <= script::kExcerpt + 60);
    }

    // A window closed some ms after the field's time says so, down to the millisecond.
    void aCloseTellsHowLateItCame() {
        for (const int late : {0, 1, 7}) {
            const QTemporaryDir folder;
            RecordingHost host;
            SilentSoundDevice sound;
            RecordingFile textOnly({}, RecordingFile::Mode::Atomic);
            Recorder recorder(host, textOnly);
            PlayField field(recorder, sound, folder.path().toStdString(), {});
            std::int64_t now = 0;
            recorder.follow(field, [&now] { return now; });
            recorder.gameOpening();
            field.show();
            recorder.gameOpened();
            now = field.now() + late;
            recorder.windowClosing();
            field.close();
            const std::string text = recorder.takeFinished().value_or("");
            const std::string close =
                late ? "\nclose +" + std::to_string(late) + "\n" : "\nclose\n";
            QVERIFY2(text.find(close) != std::string::npos, text.c_str());
        }
    }

    // What the folder's record file could not take is told beside the transcript.
    void aRecordThatCannotBeSavedIsToldAside() {
        const QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("record.dat"));
        std::istringstream in("open\nkey q\n");
        std::ostringstream out, err;
        QCOMPARE(runReplay(in, out, err, folder.path().toStdString()), 0);
        QVERIFY2(err.str().starts_with("zelto-replay: ") &&
                     out.str().find("zelto-replay") == std::string::npos,
                 err.str().c_str());
    }

    // A script's message boxes nest only so deep: the stack never runs out.
    void scriptsNestMessageBoxesOnlySoDeep() {
        std::string text = "open\nrecording\n";
        for (int i = 0; i < 20000; ++i)
            text += "call GameOver\n";
        std::istringstream in(text);
        std::ostringstream out, err;
        const QTemporaryDir folder;
        QCOMPARE(runReplay(in, out, err, folder.path().toStdString()), 2);
        QCOMPARE(err.str(), "line 11: message boxes open inside each other more than 8 deep\n");
    }

    // Only a regular file is read, and only up to the cap, never waiting.
    // The caps hold to the byte: here 8 bytes a text and 4 a line. Each row: the text, the
    // lines read whole, and the start of the message it stops with (none: read to its end).
    void linesStopAtTheirCaps_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("read");
        QTest::addColumn<QString>("stop");
        QTest::newRow("a line as long as the cap") << QByteArray("abcd\nef") << 2 << "";
        QTest::newRow("a last line as long as the cap") << QByteArray("ab\nabcd") << 2 << "";
        QTest::newRow("a line past the cap") << QByteArray("abcde\n") << 0 << "the line is longer";
        QTest::newRow("a last line past it")
            << QByteArray("ab\nabcde") << 1 << "the line is longer";
        QTest::newRow("a text as long as the cap") << QByteArray("abc\nabc\n") << 2 << "";
        QTest::newRow("an empty line past the text's cap")
            << QByteArray("abc\nabc\n\n") << 2 << "the recording is larger";
        QTest::newRow("a line past the text's cap")
            << QByteArray("abc\nabc\nx") << 2 << "the recording is larger";
    }
    void linesStopAtTheirCaps() {
        QFETCH(QByteArray, text);
        QFETCH(int, read);
        QFETCH(QString, stop);
        script::Limits limits;
        limits.maxBytes = 8;
        limits.maxLineBytes = 4;
        script::Lines lines(std::string_view(text.constData(), std::size_t(text.size())), limits);
        int whole = 0;
        QString stopped;
        try {
            while (lines.next())
                ++whole;
        } catch (const script::Stop& at) {
            stopped = QString::fromStdString(at.message);
            QCOMPARE(at.line, long(whole + 1));
        }
        QCOMPARE(whole, read);
        QVERIFY2(stop.isEmpty() ? stopped.isEmpty() : stopped.startsWith(stop),
                 qPrintable(stopped));
    }

    // The play a check simulates is capped wherever time goes on, in a run of ticks too.
    void playStopsAtItsCap() {
        VerifyOptions options;
        options.limits.maxPlayMs = 1000;
        const QStringList lines = recording("gameover-quit").split('\n');
        const Verdict verdict = verifyRecording(lines.join('\n').toStdString(), options);
        QVERIFY(verdict.stop);
        QVERIFY2(verdict.stop->message.starts_with("the game goes on for more than 1000 ms") &&
                     lines.value(int(verdict.stop->line) - 1).startsWith("ticks "),
                 verdict.stop->text().c_str());
    }

    // A name goes only into a whole recording, and the named recording checks out as its own.
    void onlyWholeRecordingsTakeAName_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("named");
        const QString game = recording("gameover-quit");
        QTest::newRow("a whole recording") << game << "Ada" << true;
        QTest::newRow("no name") << game << "" << false;
        QTest::newRow("a name too long") << game << QString(21, 'a') << false;
        QTest::newRow("a script") << "open\nkey q\n"
                                  << "Ada" << false;
        QTest::newRow("a killed program's") << recording("killed") << "Ada" << false;
        QTest::newRow("without its best score")
            << QString(game).remove(QRegularExpression("best [^\n]*\n")) << "Ada" << false;
    }
    void onlyWholeRecordingsTakeAName() {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(bool, named);
        const auto result = script::withPlayer(text.toStdString(), name.toStdString());
        QCOMPARE(result.has_value(), named);
        if (result) {
            const Verdict verdict = verifyRecording(*result);
            QVERIFY2(verdict.checksOut(), verdict.stop ? verdict.stop->text().c_str() : "");
            QCOMPARE(verdict.player, name.toStdString());
        }
    }

    void onlyRegularFilesAreRead() {
        QTemporaryDir folder;
        const std::string fifo = folder.filePath("fifo").toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        const std::string large = folder.filePath("large").toStdString();
        std::filesystem::resize_file((writeFile(large, ""), large), 5 << 20);
        const auto openFiles = [] {
            return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                 std::filesystem::directory_iterator());
        };
        const auto before = openFiles();
        for (const std::string& path :
             {folder.path().toStdString(), fifo, std::string("/dev/zero"), large}) {
            std::string problem;
            QVERIFY(!readRecordingFile(path, {}, problem));
            QVERIFY2(problem.find("folder") != std::string::npos ||
                         problem.find("regular") != std::string::npos ||
                         problem.find("larger") != std::string::npos,
                     problem.c_str());
        }
        std::string problem;
        QVERIFY(!readRecordingFile(folder.filePath("none").toStdString(), {}, problem));
        QCOMPARE(problem, std::string(std::strerror(ENOENT)));
        QCOMPARE(openFiles(), before); // none of them left open
    }
};

QTEST_GUILESS_MAIN(RecordingTest)
#include "test_recording.moc"
