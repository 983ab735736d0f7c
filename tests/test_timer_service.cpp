// The timer service on the virtual clock: periods, table order, re-timing, lateness, nesting.
#include "field/timer_service.h"

#include <QtTest>
#include <limits>
#include <utility>

using namespace zelto;

/// Four timers in table order, all off at 100 ms, driven by a script of words: "e1"/"d1"
/// enables/disables timer 1, "i1=40" sets its interval, "a130"/"s130" advances/steps to 130
/// ("amax": the largest time), "r3" runs timer 3's tick, "?" logs "NOW>NEXTDUE", "#" the ticks
/// delivered. Each tick logs "INDEX@NOW"; a word "0@300:i0=100" runs "i0=100" inside that tick.
struct Bench {
    Clock clock;
    Timer timers[4]{{100, false}, {100, false}, {100, false}, {100, false}};
    QStringList log;
    QList<std::pair<QString, QString>> inTick;
    TimerService service{clock, [this](std::size_t index) {
                             const QString tick = QStringLiteral("%1@%2").arg(index).arg(clock.now);
                             log << tick;
                             for (const auto& [when, word] : inTick)
                                 if (when == tick)
                                     run(word);
                         }};

    QString play(const QString& script) {
        for (Timer& timer : timers)
            service.add(timer);
        for (const QString& word : script.split(' ')) {
            if (word.contains(':'))
                inTick << std::pair(word.section(':', 0, 0), word.section(':', 1));
            else
                run(word);
        }
        return log.join(' ');
    }
    void run(const QString& word) {
        const QString arg = word.mid(1);
        const qint64 ms = arg == "max" ? std::numeric_limits<qint64>::max() : arg.toLongLong();
        if (word[0] == 'e' || word[0] == 'd')
            timers[arg.toInt()].setEnabled(word[0] == 'e');
        else if (word[0] == 'i')
            timers[arg.left(1).toInt()].setInterval(arg.mid(2).toInt());
        else if (word[0] == 'a' || word[0] == 's')
            word[0] == 'a' ? service.advanceTo(ms) : service.stepTo(ms);
        else if (word[0] == 'r')
            service.runTick(arg.toUInt());
        else if (word[0] == '#')
            log << '#' + QString::number(service.ticksDelivered());
        else
            log << QStringLiteral("%1>%2").arg(clock.now).arg(service.nextDue().value_or(-1));
    }
};

class TimerServiceTest : public QObject {
    Q_OBJECT

private slots:
    void anEnabledTimerFirstTicksOnePeriodAfterItIsAdded() {
        Clock clock{5000};
        Timer off(100, false), on(100, true);
        QList<std::size_t> ticked;
        TimerService service(clock, [&](std::size_t index) { ticked << index; });
        service.add(off);
        service.add(on);
        QCOMPARE(service.nextDue(), std::optional<std::int64_t>(5100));
        service.advanceTo(5100);
        QCOMPARE(ticked, QList<std::size_t>{1});
    }

    // Rows: "SCRIPT | LOG".
    void playsAsScripted_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("1 ms ticks every 16") << "i0=1 e0 s50 | 0@16 0@32 0@48";
        QTest::newRow("16 ms") << "i0=16 e0 s50 | 0@16 0@32 0@48";
        QTest::newRow("17 ms") << "i0=17 e0 s50 | 0@17 0@34";
        QTest::newRow("50 ms") << "i0=50 e0 s160 | 0@50 0@100 0@150";
        // Only a new value restarts the period; off, the interval is only stored. runTick
        // ignores Enabled.
        QTest::newRow("re-timing")
            << "r3 a30 e1 a80 e1 i1=100 i2=30 s130 i1=40 e2 s200 | 3@0 1@130 2@160 1@170 2@190";
        QTest::newRow("due order, then table order, even late")
            << "i3=50 i0=50 e3 e0 i2=20 e2 a50 | 2@50 0@50 3@50";
        QTest::newRow("late: one tick, the period from it; slightly late keeps the cadence")
            << "i0=200 e0 a400 ? a1000 ? a1210 ? # | 0@400 400>600 0@1000 1000>1200 0@1210 "
               "1210>1400 #3";
        QTest::newRow("a tick re-times and stops its own timer")
            << "0@300:i0=100 0@500:d0 i0=300 e0 s2000 | 0@300 0@400 0@500";
        // Time moves on inside timer 0's tick (a message box): it waits for its tick to
        // return, then, being late, ticks once.
        QTest::newRow("nested advance")
            << "0@100:a150 0@100:? 0@100:a350 e0 e1 a100 | 0@100 1@150 150>200 1@350 0@350";
        QTest::newRow("the clock stops at its last moment, and never runs back")
            << QStringLiteral("e0 amax smax ? a5 ? | 0@%1 %1>%2 %1>%2")
                   .arg(Clock::kLastMoment)
                   .arg(Clock::kLastMoment + 100);
    }
    void playsAsScripted() {
        QFETCH(QString, row);
        QCOMPARE(Bench().play(row.section(" | ", 0, 0)), row.section(" | ", 1));
    }
};

QTEST_APPLESS_MAIN(TimerServiceTest)
#include "test_timer_service.moc"
