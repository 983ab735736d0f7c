// A thousand games opened and closed offscreen: a closed play field must leave nothing behind,
// neither objects nor memory. Under the sanitize preset LeakSanitizer checks the memory at
// exit as well.
#include "screens/field_input.h"
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"

#include <QApplication>
#include <QtTest>
#include <malloc.h>

using namespace zelto;

namespace {

/// The game clock, which can tell how many windows still listen to it.
class ListenedClock : public GameClock {
public:
    using GameClock::GameClock;
    int listeners() const { return receivers(SIGNAL(advanced())); }
};

/// The program's one play field with its clock on virtual time, as the game holds them.
struct Program {
    QTemporaryDir folder;
    QtHost host{[](const QString&, const QString&) {}};
    SilentSoundDevice sound;
    PlayField field{host, sound, folder.path().toStdString(), {}};
    ListenedClock clock{field};
    FieldInput input{field, clock};
    QPointer<PlayFieldWindow> window;
    std::int64_t time = 0;
    int paints = 0;

    Program() {
        clock.setTimeSource([this] { return time; });
    }

    /// What a play field's window may leave behind, counted.
    QList<qsizetype> leftovers() const {
        return {QApplication::topLevelWidgets().size(), QApplication::allWidgets().size(),
                qApp->children().size(), clock.children().size(), clock.listeners()};
    }

    /// One game: open, paint, a few ticks with a shot in flight, then the quit key and the
    /// deferred delete. False when the game or its window did not go.
    bool cycle() {
        showPlayField(input, window);
        QCoreApplication::processEvents();
        paints += window->isVisible() && !window->visibleRegion().isEmpty();
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

/// Bytes the allocator has handed out and not got back.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
}

} // namespace

class PlayFieldCyclesTest : public QObject {
    Q_OBJECT

private slots:
    void aThousandGamesLeaveNothingBehind() {
        constexpr int kWarmUp = 100;
        constexpr int kCycles = 1000;
        // Allocator noise stays far below this; a leak of a few hundred bytes per game (one
        // snapshot, one region, one small object) goes above it.
        constexpr qint64 kAllowedHeapGrowth = 64 * 1024;
        Program program;
        // The first games also make what Qt makes once (pictures, glyphs, fonts).
        for (int i = 0; i < kWarmUp; ++i)
            QVERIFY(program.cycle());
        const QList<qsizetype> before = program.leftovers();
        const qint64 heap = heapInUse();
        for (int i = kWarmUp; i < kCycles; ++i)
            QVERIFY2(program.cycle(), qPrintable(QStringLiteral("game %1 stayed").arg(i)));
        QCOMPARE(program.leftovers(), before);
        QCOMPARE(program.paints, kCycles);
        const qint64 growth = heapInUse() - heap;
        qInfo("heap in use after %d more games: %+lld bytes", kCycles - kWarmUp,
              static_cast<long long>(growth));
#if !defined(__SANITIZE_ADDRESS__)
        // Under AddressSanitizer freed memory waits in quarantine; LeakSanitizer checks instead.
        QVERIFY2(growth < kAllowedHeapGrowth, qPrintable(QString::number(growth)));
#endif
    }
};

QTEST_MAIN(PlayFieldCyclesTest)
#include "test_play_field_cycles.moc"
