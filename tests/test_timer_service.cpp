// The timer service on the virtual clock: periods, table order, re-timing, lateness, nesting.
#include "field/timer_service.h"

#include <QtTest>
#include <functional>
#include <string>
#include <vector>

using namespace zelto;

namespace {

/// Four timers in table order, all off, whose ticks log "index@time".
struct Bench {
    Clock clock;
    std::vector<std::string> ticks;
    std::function<void(std::size_t)> onTick;
    Timer timers[4]{{100, false}, {100, false}, {100, false}, {100, false}};
    TimerService service{clock, [this](std::size_t index) {
                             ticks.push_back(std::to_string(index) + "@" +
                                             std::to_string(clock.now));
                             if (onTick)
                                 onTick(index);
                         }};
    Bench() {
        for (Timer& timer : timers)
            service.add(timer);
    }
    QString log() const {
        QStringList all;
        for (const std::string& tick : ticks)
            all << QString::fromStdString(tick);
        return all.join(' ');
    }
};

} // namespace

class TimerServiceTest : public QObject {
    Q_OBJECT

private slots:
    void anEnabledTimerFirstTicksOnePeriodAfterItIsAdded() {
        Clock clock{5000};
        Timer off(100, false);
        Timer on(100, true);
        std::vector<std::size_t> ticked;
        TimerService service(clock, [&](std::size_t index) { ticked.push_back(index); });
        service.add(off);
        service.add(on);
        service.advanceTo(5099);
        QVERIFY(ticked.empty());
        service.advanceTo(5100);
        QCOMPARE(ticked, std::vector<std::size_t>{1});
    }

    void periodIsAtLeastTheShortest_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("ticksIn160ms");
        QTest::newRow("1 ms ticks every 16") << 1 << 10;
        QTest::newRow("16 ms") << 16 << 10;
        QTest::newRow("17 ms") << 17 << 9;
        QTest::newRow("50 ms") << 50 << 3;
    }
    void periodIsAtLeastTheShortest() {
        QFETCH(int, interval);
        QFETCH(int, ticksIn160ms);
        Bench bench;
        bench.timers[0].setInterval(interval);
        bench.timers[0].setEnabled(true);
        bench.service.stepTo(160);
        QCOMPARE(static_cast<int>(bench.ticks.size()), ticksIn160ms);
    }

    void enablingAndRetimingRestartOnlyOnANewValue() {
        Bench bench;
        bench.service.advanceTo(30);
        bench.timers[1].setEnabled(true); // due at 130
        bench.service.advanceTo(80);
        bench.timers[1].setEnabled(true); // already on: still due at 130
        bench.timers[1].setInterval(100); // the same value: still due at 130
        bench.timers[2].setInterval(30);  // off: only stored
        bench.service.stepTo(130);
        bench.timers[1].setInterval(40);  // a new value restarts from now: 170
        bench.timers[2].setEnabled(true); // with the stored interval: 160, 190
        bench.service.stepTo(200);
        QCOMPARE(bench.log(), QStringLiteral("1@130 2@160 1@170 2@190"));
    }

    void ticksRunInDueOrderThenTableOrder() {
        Bench bench;
        bench.timers[3].setInterval(50);
        bench.timers[0].setInterval(50);
        bench.timers[3].setEnabled(true);
        bench.timers[0].setEnabled(true);
        bench.timers[2].setInterval(20);
        bench.timers[2].setEnabled(true);
        bench.service.advanceTo(50); // one late call still keeps the due order
        QCOMPARE(bench.log(), QStringLiteral("2@50 0@50 3@50"));
    }

    void aLateTimerDeliversOneTickAndRestartsItsPeriod() {
        Bench bench;
        bench.timers[0].setInterval(200);
        bench.timers[0].setEnabled(true);
        bench.service.advanceTo(400); // late by exactly a period
        QCOMPARE(bench.service.nextDue(), std::optional<std::int64_t>(600));
        bench.service.advanceTo(1000); // stalled for two periods
        QCOMPARE(bench.log(), QStringLiteral("0@400 0@1000"));
        QCOMPARE(bench.service.nextDue(), std::optional<std::int64_t>(1200));
        bench.service.advanceTo(1210); // slightly late: the cadence holds
        QCOMPARE(bench.service.nextDue(), std::optional<std::int64_t>(1400));
        QCOMPARE(bench.service.ticksDelivered(), std::uint64_t{3});
    }

    void aTickMayRetimeAndStopItsOwnTimer() {
        Bench bench;
        bench.onTick = [&bench](std::size_t) {
            if (bench.clock.now == 300)
                bench.timers[0].setInterval(100); // from now: 400, 500
            if (bench.clock.now == 500)
                bench.timers[0].setEnabled(false);
        };
        bench.timers[0].setInterval(300);
        bench.timers[0].setEnabled(true);
        bench.service.stepTo(2000);
        QCOMPARE(bench.log(), QStringLiteral("0@300 0@400 0@500"));
    }

    void nestedAdvanceSkipsTheTimerWhoseTickRuns() {
        Bench bench;
        // Timer 0 "opens a message box" at its first tick, inside which time moves on.
        bench.onTick = [&bench](std::size_t index) {
            if (index == 0 && bench.clock.now == 100) {
                bench.service.advanceTo(150);
                QCOMPARE(bench.service.nextDue(), std::optional<std::int64_t>(200));
                bench.service.advanceTo(350);
            }
        };
        bench.timers[0].setEnabled(true);
        bench.timers[1].setEnabled(true);
        bench.service.advanceTo(100);
        // Timer 1 ticked inside the box; timer 0 waited for its tick to return and then, being
        // late, delivered one tick.
        QCOMPARE(bench.log(), QStringLiteral("0@100 1@150 1@350 0@350"));
    }

    void runTickIgnoresEnabled() {
        Bench bench;
        bench.service.runTick(3);
        QCOMPARE(bench.log(), QStringLiteral("3@0"));
        QVERIFY(!bench.timers[3].Enabled());
    }

    void theClockStopsAtItsLastMoment() {
        Bench bench;
        bench.timers[0].setEnabled(true);
        const std::int64_t never = std::numeric_limits<std::int64_t>::max();
        bench.service.advanceTo(never);
        bench.service.stepTo(never);
        QCOMPARE(bench.clock.now, Clock::kLastMoment);
        QCOMPARE(bench.log(), QStringLiteral("0@%1").arg(Clock::kLastMoment));
        QCOMPARE(bench.service.nextDue(), std::optional<std::int64_t>(Clock::kLastMoment + 100));
        bench.service.advanceTo(5); // time never runs backwards
        QCOMPARE(bench.clock.now, Clock::kLastMoment);
    }
};

QTEST_APPLESS_MAIN(TimerServiceTest)
#include "test_timer_service.moc"
