// A million random keys and waits through the replay driver, with the game's invariants
// checked after every step.
#include "base/caption_number.h"
#include "replay/replay.h"
#include "test_support.h"

#include <QtTest>
#include <cmath>
#include <random>
#include <regex>
#include <sstream>

using namespace zelto;
using namespace zelto::test;

namespace {

bool finite(const Image& image) {
    return std::isfinite(image.left) && std::isfinite(image.top) && std::isfinite(image.width) &&
           std::isfinite(image.height);
}

// Empty, or a whole line of digits.
bool validRecord(const std::string& bytes) {
    return std::regex_match(bytes, std::regex(R"((\d+\r\n)?)"));
}

} // namespace

class KeyFuzzer : public QObject {
    Q_OBJECT

private slots:
    void randomKeysAndWaitsKeepTheInvariants() {
        QTemporaryDir dir;
        std::ostringstream sink;
        ReplayDriver driver(sink, dir.path().toStdString());
        std::mt19937 random(20261206);
        std::uniform_int_distribution<int> anyCode(0, 255);
        std::uniform_int_distribution<int> percent(0, 999);
        std::uniform_int_distribution<int> wait(0, 120);
        const char commands[] = "mszxplka"; // all but quit, which is rarer
        const auto recordFile = std::filesystem::path(dir.path().toStdString()) / "record.dat";

        double lastScore = 0;
        int games = 0;
        int gameOvers = 0;
        for (int step = 0; step < 1'000'000; ++step) {
            PlayField& field = driver.field();
            if (!field.isOpen()) {
                QVERIFY(!driver.execute("open"));
                lastScore = 0;
                ++games;
            }
            const int roll = percent(random);
            std::string line;
            if (roll < 1)
                line = "key q";
            else if (roll < 500)
                line = std::string("key ") + commands[roll % 8];
            else if (roll < 700)
                line = "key #" + std::to_string(anyCode(random));
            else
                line = "wait " + std::to_string(wait(random));
            const auto error = driver.execute(line);
            QVERIFY2(!error, (line + ": " + error.value_or("")).c_str());
            if (!field.isOpen())
                continue;
            const Form1& form = *field.form();
            const double score = readCaptionNumber(form.Label1.caption);
            // The score never falls, and the best score never lies below it.
            QVERIFY2(score >= lastScore, form.Label1.caption.c_str());
            QVERIFY(readCaptionWhole(form.Label4.caption) >= readCaptionWhole(form.Label1.caption));
            lastScore = score;
            int shotsShown = 0;
            for (auto shot : kVolley)
                shotsShown += (form.*shot).visible ? 1 : 0;
            QVERIFY(shotsShown == 0 || shotsShown == 5);
            for (auto image : objectsOf<Image>())
                QVERIFY(finite(form.*image));
            // Every record written is a whole line of digits.
            const std::string out = sink.str();
            if (!out.empty()) {
                if (out.find("record") != std::string::npos)
                    QVERIFY(validRecord(readFile(recordFile)));
                if (out.find("msgbox") != std::string::npos)
                    ++gameOvers;
                sink.str({});
            }
        }
        qInfo("%d games, %d game overs", games, gameOvers);
        QVERIFY(games > 10);
        QVERIFY(gameOvers > 10);
    }
};

QTEST_GUILESS_MAIN(KeyFuzzer)
#include "test_key_fuzzer.moc"
