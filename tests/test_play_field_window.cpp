// The play-field window behind "&Play": its shape, the keys it passes on, closing,
// repainting only what changed, the real-time clock behind it, one game at most, a fresh
// one after the quit key, and "&Esci" leaving the record file alone.
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "test_support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace zelto;
using namespace zelto::test;

namespace {

/// The program as main builds it, with its record file in a scratch folder and time stepped
/// by the test (or real time).
struct Program {
    QTemporaryDir folder;
    QtHost host{[this](const QString&, const QString&) { whileBoxOpen(); }};
    RecordingSoundDevice sound;
    PlayField field{host, sound, folder.path().toStdString(), {}};
    GameClock clock{field};
    QPointer<PlayFieldWindow> window;
    Screens screens{[this] { showPlayField(field, clock, window); }};
    std::int64_t time = 0;
    std::function<void()> whileBoxOpen = [] {};

    /// With the play field open, unless `menuOnly`.
    explicit Program(bool virtualTime = true, bool menuOnly = false) {
        if (virtualTime)
            clock.setTimeSource([this] { return time; });
        screens.showMenu();
        if (!menuOnly)
            play();
    }
    ~Program() {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void play() { QTest::mouseClick(screens.menu().Command3, Qt::LeftButton); }
    Form1& form() { return *field.form(); }
    void wait(std::int64_t ms) {
        time += ms;
        clock.advance();
    }
};

int windowsOfTheField() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<PlayFieldWindow*>(widget) && widget->isVisible() ? 1 : 0;
    return count;
}

/// Collects the areas the window is asked to paint.
struct PaintLog : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

} // namespace

class PlayFieldWindowTest : public QObject {
    Q_OBJECT

private slots:
    void isAFramelessFixedFieldSizedWindowWithFocus() {
        Program shell;
        QVERIFY(QTest::qWaitForWindowExposed(shell.window));
        QCOMPARE(shell.window->size(), QSize(800, 600));
        QVERIFY(shell.window->windowFlags().testFlag(Qt::FramelessWindowHint));
        QTRY_COMPARE(QApplication::focusWidget(), shell.window.data());
    }

    void onlyTypedCharactersReachTheField_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<float>("shipMoves");
        QTest::newRow("x goes right") << int(Qt::Key_X) << "x" << false << 100.0f;
        QTest::newRow("auto-repeated z goes left") << int(Qt::Key_Z) << "z" << true << -100.0f;
        QTest::newRow("capital X is another key") << int(Qt::Key_X) << "X" << false << 0.0f;
        QTest::newRow("arrow without a character") << int(Qt::Key_Right) << "" << false << 0.0f;
        QTest::newRow("character beyond one byte (U+0178)")
            << int(Qt::Key_unknown) << QString(QChar(0x0178)) << false << 0.0f;
    }
    void onlyTypedCharactersReachTheField() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, autoRepeat);
        QFETCH(float, shipMoves);
        Program shell;
        const float start = shell.form().Image1.left;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
        QApplication::sendEvent(shell.window, &press);
        shell.wait(100);
        QCOMPARE(shell.form().Image1.left - start, shipMoves);
    }

    void quitKeyClosesFieldAndWindow() {
        Program shell;
        QSignalSpy closed(shell.window.data(), &PlayFieldWindow::closed);
        QTest::keyClick(shell.window, Qt::Key_Q, Qt::NoModifier);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!shell.field.isOpen());
        QVERIFY(!shell.clock.isArmed());
        QTRY_VERIFY(shell.window.isNull());
        QVERIFY(QFile::exists(shell.folder.filePath("record.dat")));
    }

    void repaintsOnlyWhatChanged() {
        Program shell;
        QVERIFY(QTest::qWaitForWindowExposed(shell.window));
        QCoreApplication::processEvents(); // the first, full paint
        PaintLog log;
        shell.window->installEventFilter(&log);
        shell.wait(100); // the movers on a 100 ms period fall one step
        QTRY_VERIFY(!log.painted.isEmpty());
        QVERIFY(log.painted.contains(QRect(744, 0, 30, 39)));      // Image7, old and new
        QVERIFY(!log.painted.intersects(QRect(256, 496, 50, 64))); // the ship stood still
        QVERIFY(!log.painted.intersects(QRect(72, 576, 600, 17))); // so did the labels

        log.painted = QRegion();
        QTest::keyClick(shell.window, Qt::Key_P); // stops nothing that shows
        shell.wait(10);
        QTest::qWait(50);
        QVERIFY(log.painted.isEmpty());
    }

    void messageBoxGoesOnDeliveringTicks() {
        Program shell;
        const float shipStart = shell.form().Image1.left;
        bool boxShown = false;
        shell.whileBoxOpen = [&] {
            boxShown = true;
            // A timer still running while the box is open must go on ticking.
            shell.form().Timer3.setEnabled(true);
            shell.time += 100;
            QTRY_VERIFY_WITH_TIMEOUT(shell.form().Image1.left > shipStart, 1000);
        };
        shell.form().Image7.top = 8400; // below the bottom line: the next step ends the game
        shell.time += 100;              // the clock's own timer delivers that step
        QTRY_VERIFY(boxShown);
    }

    void stalledEventLoopDeliversOneTickPerTimer() {
        Program shell(false);                            // real time
        const float rockStart = shell.form().Image7.top; // Timer6, 100 ms, 28 a step
        const float slowStart = shell.form().Image2.top; // Timer4, 200 ms, 10 a step
        QThread::msleep(500); // the program hangs; the event loop delivers nothing
        QSignalSpy advanced(&shell.clock, &GameClock::advanced);
        QVERIFY(advanced.wait(1000));
        QCOMPARE(shell.form().Image7.top - rockStart, 28.0f);
        QCOMPARE(shell.form().Image2.top - slowStart, 10.0f);
        QVERIFY(shell.clock.isArmed());
    }

    void playTwiceKeepsTheOneRunningGame() {
        Program program;
        program.wait(1000);
        const float fallen = program.field.form()->Image7.top;
        QVERIFY(fallen > 0);
        program.play();
        QCOMPARE(windowsOfTheField(), 1);
        QCOMPARE(program.field.form()->Image7.top, fallen);
    }

    void playAfterTheQuitKeyStartsAFreshGame() {
        Program program;
        program.wait(1000);
        QTest::keyClick(program.window, 'q');
        QTRY_VERIFY(!program.window);
        QVERIFY(!program.field.isOpen());
        program.wait(500);
        program.play();
        QCOMPARE(windowsOfTheField(), 1);
        QCOMPARE(program.field.form()->Image7.top, 0.0f);
        QCOMPARE(program.field.form()->Label1.caption, std::string("0"));
        // The new game's timers count from the new opening.
        QCOMPARE(program.field.nextDue(), std::optional<std::int64_t>(1600));
    }

    void esciDuringAGameLeavesTheRecordFileAlone() {
        Program program(true, true);
        const std::string record = program.folder.filePath("record.dat").toStdString();
        writeFile(record, "1500\r\n");
        program.play();
        // A new record that only the quit key or the game's end would save.
        program.field.form()->setLabel1Caption("2000");
        QTimer::singleShot(
            0, [&] { QTest::mouseClick(program.screens.menu().Command4, Qt::LeftButton); });
        QTimer giveUp;
        QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
        giveUp.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(readFile(record), std::string("1500\r\n"));
        QVERIFY(program.field.isOpen()); // no close handling ran
    }
};

QTEST_MAIN(PlayFieldWindowTest)
#include "test_play_field_window.moc"
