// A thousand games opened and closed offscreen: a closed play field must leave nothing behind,
// neither objects nor memory. Under the sanitize preset LeakSanitizer checks the memory at
// exit as well.
#include "screens/program.h"

#include <QApplication>
#include <QtTest>
#include <malloc.h>

using namespace zelto;

namespace {

/// The program as the game builds it, on virtual time.
struct Running : MessageBoxes {
    QTemporaryDir folder;
    SilentSoundDevice sound;
    std::int64_t time = 0;
    int paints = 0;
    Program app{setup()};
    Session& session = app.session();

    SessionSetup setup() {
        return SessionSetup::onClock(folder.path().toStdString(), sound, *this, time);
    }
    void show(const QString&, const QString&) override {}
    bool answer() override { return false; }

    /// What a play field's window may leave behind, counted.
    QList<qsizetype> leftovers() const {
        return {QApplication::topLevelWidgets().size(), QApplication::allWidgets().size(),
                qApp->children().size(), session.children().size(), app.children().size()};
    }

    /// One game: open, paint, a few ticks with a shot in flight, then the quit key and the
    /// deferred delete. False when the game or its window did not go.
    bool cycle() {
        app.showPlayField();
        QCoreApplication::processEvents();
        QWidget* window = app.window();
        paints += window->isVisible() && !window->visibleRegion().isEmpty();
        QTest::keyClick(window, Qt::Key_M);
        for (int step = 0; step < 3; ++step) {
            time += 100;
            session.advance();
            QCoreApplication::processEvents();
        }
        QTest::keyClick(window, Qt::Key_Q);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !session.isOpen() && !app.window();
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
        Running program;
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
