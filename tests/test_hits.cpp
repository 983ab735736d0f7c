// Every shot against every target at the edge of its margin: a shot exactly the margin away on
// either axis, either side, misses; one twip closer it hits and scores the target's points for
// that shot. The target's own tick moves it first, so where it stands is asked of the game.
#include "replay/replay.h"
#include "test_support.h"

#include <QtTest>
#include <array>
#include <sstream>

using namespace zelto;
using namespace zelto::test;

namespace {

struct Target {
    const char* timer;
    const char* image;
    std::array<int, 5> margin; // SnpSparo, SnpSparo2, SparoUltra, SparoUltra2, SparoUltra1
    std::array<int, 5> points;
};

constexpr int kWide = 250;
constexpr std::array<int, 5> kCommonPoints{100, 50, 50, 100, 100};
constexpr Target kTargets[] = {
    {"Timer4", "Image2", {100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}},
    {"Timer16", "Image3", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer13", "Image4", {100, kWide, kWide, kWide, kWide}, {100, 50, 100, 100, 100}},
    {"Timer8", "Image5", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer5", "Image6", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer6", "Image7", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer10", "Image8", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer9", "Image9", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer7", "Image10", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer11", "Image12", {kWide, kWide, kWide, kWide, kWide}, kCommonPoints},
    {"Timer12", "Image13", {kWide, kWide, kWide, kWide, kWide}, {100, 50, 100, 100, 100}},
    {"TimerAlieno", "ImgAlieno", {150, kWide, kWide, kWide, kWide}, {500, 250, 250, 500, 500}},
    {"Timer19", "Imgal2", {150, kWide, kWide, kWide, kWide}, {500, 250, 250, 500, 500}},
    {"Timer15", "ImgAl1", {150, kWide, kWide, kWide, kWide}, {500, 250, 250, 500, 500}},
};
constexpr const char* kShots[] = {"SnpSparo", "SnpSparo2", "SparoUltra", "SparoUltra2",
                                  "SparoUltra1"};

/// Runs the lines in a fresh game and returns what the last one printed, value only.
std::string run(const std::vector<std::string>& lines) {
    static const QTemporaryDir folder; // no game here writes its record
    std::ostringstream out;
    ReplayDriver driver(out, folder.path().toStdString());
    for (const std::string& line : lines) {
        out.str("");
        if (const auto error = driver.execute(line))
            return "! " + *error;
    }
    const std::string printed = out.str();
    return printed.substr(printed.find(" = ") + 3, printed.find('\n') - printed.find(" = ") - 3);
}

} // namespace

class HitsTest : public QObject {
    Q_OBJECT

private slots:
    void shotsHitStrictlyWithinTheirMargins() {
        for (const Target& target : kTargets) {
            const std::string tick = std::string("tick ") + target.timer;
            const std::string image = target.image;
            const int left = std::stoi(run({"open", tick, "print " + image + ".Left"}));
            const int top = std::stoi(run({"open", tick, "print " + image + ".Top"}));
            for (std::size_t shot = 0; shot < std::size(kShots); ++shot) {
                const std::string name = kShots[shot];
                for (const int closer : {0, 1}) {
                    const int d = target.margin[shot] - closer;
                    for (const auto& [dx, dy] : {std::pair(d, 0), {-d, 0}, {0, d}, {0, -d}}) {
                        const std::string score =
                            run({"open", "set " + name + ".Left " + std::to_string(left + dx),
                                 "set " + name + ".Top " + std::to_string(top + dy), tick,
                                 "print Label1.Caption"});
                        const int points = closer ? target.points[shot] : 0;
                        QVERIFY2(score == '"' + std::to_string(points) + '"',
                                 qPrintable(QStringLiteral("%1 on %2 at (%3, %4): %5")
                                                .arg(name.c_str(), target.image)
                                                .arg(dx)
                                                .arg(dy)
                                                .arg(score.c_str())));
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(HitsTest)
#include "test_hits.moc"
