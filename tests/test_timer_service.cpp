// The timer service on the virtual clock: periods, ordering, re-timing, lateness, nesting.
#include "field/form1.h"

#include <QtTest>
#include <string>
#include <vector>

using namespace zelto;

namespace {

// Each timer's handler logs "<timer>@<time>" and may run a per-test action.
std::vector<std::string> ticks;
std::function<void(Form1&, TimerId)> onTick;

template <TimerId Id>
void logTick(Form1& form) {
    ticks.push_back(std::to_string(static_cast<int>(Id)) + "@" + std::to_string(form.now()));
    if (onTick)
        onTick(form, Id);
}

template <std::size_t... I>
Form1Handlers makeLoggingHandlers(std::index_sequence<I...>) {
    Form1Handlers handlers;
    ((handlers.tick[I] = logTick<static_cast<TimerId>(I)>), ...);
    return handlers;
}

const Form1Handlers kLogging = makeLoggingHandlers(std::make_index_sequence<kTimerCount>{});

std::string tickOf(TimerId id, std::int64_t at) {
    return std::to_string(static_cast<int>(id)) + "@" + std::to_string(at);
}

/// A form whose design-enabled timers are all switched off, so each test starts quiet.
struct QuietForm {
    Clock clock;
    Form1 form{clock, Form1Setup{nullptr, nullptr, &kLogging, ".", {}}};
    QuietForm() {
        for (int i = 0; i < kTimerCount; ++i)
            form.timer(static_cast<TimerId>(i)).setEnabled(false);
        ticks.clear();
        onTick = nullptr;
    }
    void waitUntil(std::int64_t ms) { form.stepTo(ms); }
};

} // namespace

class TimerService : public QObject {
    Q_OBJECT

private slots:
    void designTimersCountFromOpening() {
        Clock clock{5000};
        Form1 form(clock, Form1Setup{nullptr, nullptr, &kLogging, ".", {}});
        ticks.clear();
        form.advanceTo(5099);
        QVERIFY(ticks.empty());
        form.advanceTo(5100);
        // Timer6, Timer7, Timer10, Timer13 (100 ms) all fall due at once: table order.
        const std::vector<std::string> expected{
            tickOf(TimerId::Timer6, 5100), tickOf(TimerId::Timer7, 5100),
            tickOf(TimerId::Timer10, 5100), tickOf(TimerId::Timer13, 5100)};
        QCOMPARE(ticks, expected);
    }

    void periodIsAtLeastTheShortest_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("ticksIn160ms");
        QTest::newRow("1 ms ticks every 16") << 1 << 10;
        QTest::newRow("2 ms ticks every 16") << 2 << 10;
        QTest::newRow("16 ms") << 16 << 10;
        QTest::newRow("17 ms") << 17 << 9;
        QTest::newRow("50 ms") << 50 << 3;
    }
    void periodIsAtLeastTheShortest() {
        QFETCH(int, interval);
        QFETCH(int, ticksIn160ms);
        QuietForm quiet;
        quiet.form.Timer1.setInterval(interval);
        quiet.form.Timer1.setEnabled(true);
        quiet.waitUntil(160);
        QCOMPARE(static_cast<int>(ticks.size()), ticksIn160ms);
    }

    void enablingStartsOnePeriodLaterAndTheSameValueChangesNothing() {
        QuietForm quiet;
        quiet.form.advanceTo(30);
        quiet.form.Timer2.setEnabled(true); // due at 130
        quiet.form.advanceTo(80);
        quiet.form.Timer2.setEnabled(true); // already on: still due at 130
        quiet.waitUntil(230);
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer2, 130),
                                                  tickOf(TimerId::Timer2, 230)}));
    }

    void retimingRestartsOnlyOnANewValue_data() {
        QTest::addColumn<int>("newInterval");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<std::int64_t>("firstTick");
        QTest::newRow("new value restarts from now") << 40 << true << std::int64_t{100};
        QTest::newRow("same value keeps the period") << 100 << true << std::int64_t{100};
        QTest::newRow("disabled timer only stores it") << 40 << false << std::int64_t{-1};
    }
    void retimingRestartsOnlyOnANewValue() {
        QFETCH(int, newInterval);
        QFETCH(bool, enabled);
        QFETCH(std::int64_t, firstTick);
        QuietForm quiet;
        quiet.form.Timer3.setEnabled(enabled);
        quiet.form.advanceTo(60);
        quiet.form.Timer3.setInterval(newInterval);
        QCOMPARE(quiet.form.Timer3.Interval(), newInterval);
        QCOMPARE(quiet.form.Timer3.Enabled(), enabled);
        quiet.waitUntil(100);
        if (firstTick < 0)
            QVERIFY(ticks.empty());
        else
            QCOMPARE(ticks.front(), tickOf(TimerId::Timer3, firstTick));
    }

    void laterEnableUsesTheStoredInterval() {
        QuietForm quiet;
        quiet.form.Timer21.setInterval(30);
        quiet.form.Timer21.setEnabled(true);
        quiet.waitUntil(60);
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer21, 30),
                                                  tickOf(TimerId::Timer21, 60)}));
    }

    void ticksRunInDueOrderThenTableOrder() {
        QuietForm quiet;
        // TimerAlieno is last in the table; Timer16 comes before Timer14 and Timer15.
        for (Timer* timer : {&quiet.form.TimerAlieno, &quiet.form.Timer15, &quiet.form.Timer16,
                             &quiet.form.Timer1})
            timer->setInterval(50);
        for (Timer* timer : {&quiet.form.TimerAlieno, &quiet.form.Timer15, &quiet.form.Timer16,
                             &quiet.form.Timer1})
            timer->setEnabled(true);
        quiet.form.Timer2.setInterval(20);
        quiet.form.Timer2.setEnabled(true);
        quiet.form.advanceTo(50); // a single late call still keeps due order
        QCOMPARE(ticks, (std::vector<std::string>{
                            tickOf(TimerId::Timer2, 50), tickOf(TimerId::Timer1, 50),
                            tickOf(TimerId::Timer16, 50), tickOf(TimerId::Timer15, 50),
                            tickOf(TimerId::TimerAlieno, 50)}));
    }

    void aLateTimerDeliversOneTickAndRestartsItsPeriod() {
        QuietForm quiet;
        quiet.form.Timer4.setEnabled(true); // 200 ms: due at 200
        quiet.form.advanceTo(1000);         // stalled for four periods
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer4, 1000)}));
        QCOMPARE(quiet.form.nextDue(), std::optional<std::int64_t>(1200));
        quiet.form.advanceTo(1210); // slightly late: the cadence holds
        QCOMPARE(quiet.form.nextDue(), std::optional<std::int64_t>(1400));
    }

    void handlersMayRetimeAndStopTheirOwnTimer() {
        QuietForm quiet;
        onTick = [](Form1& form, TimerId id) {
            if (id == TimerId::Timer5 && form.now() == 300)
                form.Timer5.setInterval(100); // restart from now: 400, 500
            if (id == TimerId::Timer5 && form.now() == 500)
                form.Timer5.setEnabled(false);
        };
        quiet.form.Timer5.setEnabled(true);
        quiet.waitUntil(2000);
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer5, 300),
                                                  tickOf(TimerId::Timer5, 400),
                                                  tickOf(TimerId::Timer5, 500)}));
    }

    void nestedAdvanceSkipsTheTimerWhoseHandlerRuns() {
        QuietForm quiet;
        // Timer6 "opens a message box" at its first tick, inside which time moves on.
        onTick = [](Form1& form, TimerId id) {
            if (id == TimerId::Timer6 && form.now() == 100) {
                form.advanceTo(150);
                form.advanceTo(350);
            }
        };
        quiet.form.Timer6.setEnabled(true);
        quiet.form.Timer7.setEnabled(true);
        quiet.form.advanceTo(100);
        // Timer7 ticked inside the box; Timer6 waited for its handler to return and then,
        // being late, delivered one tick.
        QCOMPARE(ticks, (std::vector<std::string>{
                            tickOf(TimerId::Timer6, 100), tickOf(TimerId::Timer7, 150),
                            tickOf(TimerId::Timer7, 350), tickOf(TimerId::Timer6, 350)}));
    }

    void theClockStopsAtItsLastMoment() {
        QuietForm quiet;
        quiet.form.Timer6.setEnabled(true);
        const std::int64_t never = std::numeric_limits<std::int64_t>::max();
        quiet.form.advanceTo(never);
        quiet.waitUntil(never);
        QCOMPARE(quiet.form.now(), Clock::kLastMoment);
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer6, Clock::kLastMoment)}));
        QCOMPARE(quiet.form.nextDue(), std::optional<std::int64_t>(Clock::kLastMoment + 100));
    }

    void runTickIgnoresEnabled() {
        QuietForm quiet;
        quiet.form.runTick(TimerId::Timer14);
        QCOMPARE(ticks, (std::vector<std::string>{tickOf(TimerId::Timer14, 0)}));
        QVERIFY(!quiet.form.Timer14.Enabled());
    }
};

QTEST_APPLESS_MAIN(TimerService)
#include "test_timer_service.moc"
