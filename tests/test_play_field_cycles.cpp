// A thousand games opened and closed offscreen: a closed play field must leave nothing behind,
// neither objects nor memory. Under the sanitize preset LeakSanitizer checks the memory at
// exit as well.
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"

#include <QApplication>
#include <QFile>
#include <QtTest>
#include <malloc.h>
#include <unistd.h>

using namespace zelto;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

/// What a play field's window may leave behind, counted.
struct Leftovers {
    qsizetype topLevelWidgets = 0;
    qsizetype widgets = 0;
    qsizetype applicationChildren = 0;
    qsizetype clockChildren = 0;
    int clockListeners = 0;
    friend bool operator==(const Leftovers&, const Leftovers&) = default;
};

char* toString(const Leftovers& l) {
    return qstrdup(QByteArray::number(l.topLevelWidgets) + " top-level widgets, " +
                   QByteArray::number(l.widgets) + " widgets, " +
                   QByteArray::number(l.applicationChildren) + " children of the application, " +
                   QByteArray::number(l.clockChildren) + " of the clock, " +
                   QByteArray::number(l.clockListeners) + " listeners to the clock");
}

/// Counts the paints of play-field windows, so that the games are known to have been drawn.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<PlayFieldWindow*>(watched))
            ++paints;
        return false;
    }
};

/// The game clock, which can tell how many windows still listen to it.
class ListenedClock : public GameClock {
public:
    using GameClock::GameClock;
    int listeners() const { return receivers(SIGNAL(advanced())); }
};

/// Resident memory of this process in bytes.
qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

/// Bytes the allocator has handed out and not got back; finer than resident memory, which
/// does not grow while a leak is carved out of freed pages.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
}

/// The program's one play field with its clock on virtual time, as the game holds them.
struct Program {
    QTemporaryDir folder;
    QtHost host{[](const QString&, const QString&) {}};
    SilentSoundDevice sound;
    PlayField field{host, sound, folder.path().toStdString(), {}};
    ListenedClock clock{field};
    QPointer<PlayFieldWindow> window;
    std::int64_t time = 0;

    Program() {
        clock.setTimeSource([this] { return time; });
    }

    Leftovers leftovers() const {
        return {QApplication::topLevelWidgets().size(), QApplication::allWidgets().size(),
                qApp->children().size(), clock.children().size(), clock.listeners()};
    }

    /// One game: open, paint, a few ticks with a shot in flight, then the quit key and the
    /// deferred delete. False when the game or its window did not go.
    bool cycle() {
        showPlayField(field, clock, window);
        QCoreApplication::processEvents();
        QTest::keyClick(window, Qt::Key_M);
        for (int step = 0; step < 3; ++step) {
            time += 100;
            clock.advance();
            QCoreApplication::processEvents();
        }
        QTest::keyClick(window, Qt::Key_Q);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !field.isOpen() && window.isNull();
    }
};

} // namespace

class PlayFieldCyclesTest : public QObject {
    Q_OBJECT

private slots:
    void aThousandGamesLeaveNothingBehind() {
        constexpr int kWarmUp = 100;
        constexpr int kCycles = 1000;
        // Allocator noise stays far below these; a leak of a few hundred bytes per game (one
        // snapshot, one region, one small object) goes above the heap's bound.
        constexpr qint64 kAllowedResidentGrowth = 512 * 1024;
        constexpr qint64 kAllowedHeapGrowth = 64 * 1024;
        Program program;
        PaintCounter counter;
        qApp->installEventFilter(&counter);
        // The first game also makes what Qt makes once for the first window.
        QVERIFY(program.cycle());
        const Leftovers before = program.leftovers();
        for (int i = 1; i < kWarmUp; ++i)
            QVERIFY2(program.cycle(), qPrintable(QStringLiteral("game %1 stayed").arg(i)));
        // Caches filled once (pictures, glyphs, fonts) are part of the warm-up.
        QCOMPARE(program.leftovers(), before);
        const qint64 resident = residentBytes();
        const qint64 heap = heapInUse();
        for (int i = kWarmUp; i < kCycles; ++i)
            QVERIFY2(program.cycle(), qPrintable(QStringLiteral("game %1 stayed").arg(i)));
        QCOMPARE(program.leftovers(), before);
        QVERIFY2(counter.paints >= kCycles, qPrintable(QString::number(counter.paints)));

        const qint64 residentGrowth = residentBytes() - resident;
        const qint64 heapGrowth = heapInUse() - heap;
        qInfo("after %d games, since game %d: resident memory %+lld KiB, heap in use %+lld B",
              kCycles, kWarmUp, static_cast<long long>(residentGrowth / 1024),
              static_cast<long long>(heapGrowth));
        if (kUnderAddressSanitizer) {
            // Freed memory waits in quarantine there; LeakSanitizer checks at exit instead.
            return;
        }
        QVERIFY(resident > 0);
        QVERIFY2(residentGrowth < kAllowedResidentGrowth,
                 qPrintable(QStringLiteral("grew by %1 KiB").arg(residentGrowth / 1024)));
        QVERIFY2(heapGrowth < kAllowedHeapGrowth,
                 qPrintable(QStringLiteral("grew by %1 bytes").arg(heapGrowth)));
    }
};

QTEST_MAIN(PlayFieldCyclesTest)
#include "test_play_field_cycles.moc"
