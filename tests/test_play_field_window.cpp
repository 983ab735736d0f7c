// The play-field window behind "&Play", from the menu and back; repainting only what changed;
// the real-time clock behind it; and the keys, controllers (SDL's virtual ones) and pause.
#include "screens/gamepad_control.h"
#include "screens/keys_help.h"
#include "screens/program.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "test_support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QtTest>
#include <SDL.h>

using namespace zelto;
using namespace zelto::test;

namespace {

/// The program as main builds it: its record file in a scratch folder, time stepped by the test,
/// and a message box that runs `whileBoxOpen` instead of waiting for a player.
struct Running : MessageBoxes {
    QTemporaryDir folder;
    RecordingSoundDevice sound;
    std::int64_t time = 0;
    std::function<void()> whileBoxOpen = [] {};
    Program app;
    Session& session = app.session();
    Screens& screens = app.screens();
    GamepadControl& pads = app.gamepads();

    explicit Running(bool virtualTime = true, bool playing = true) : app(setup(virtualTime)) {
        screens.showMenu();
        if (playing)
            play();
    }
    SessionSetup setup(bool virtualTime) {
        SessionSetup setup = SessionSetup::onClock(folder.path().toStdString(), sound, *this, time);
        if (!virtualTime)
            setup.timeSource = nullptr;
        return setup;
    }
    void show(const QString&, const QString&) override { whileBoxOpen(); }
    bool answer() override { return false; }
    ~Running() override {
        if (window())
            window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    PlayFieldWindow* window() { return app.window(); }
    void play() { QTest::mouseClick(screens.menu().Command3, Qt::LeftButton); }
    Form1& form() { return *session.field().form(); }
    void wait(std::int64_t ms) {
        time += ms;
        session.advance();
    }
};

/// SDL's virtual joystick with a game controller's buttons and axes, plugged in for the test.
struct VirtualPad {
    Gamepads& pads;
    SDL_Joystick* joystick = nullptr;

    explicit VirtualPad(Gamepads& gamepads) : pads(gamepads) {
        pads.start();
        send("plug");
    }
    ~VirtualPad() { send("unplug"); }
    /// Space-separated inputs, each read at once as the polling would: a button by SDL's name
    /// ("a", "dpleft"), the left stick's sideways position ("-20000"), "unplug" or "plug".
    void send(const QString& inputs) {
        for (const QString& input : inputs.split(' ')) {
            const auto button = SDL_GameControllerGetButtonFromString(qPrintable(input));
            if (input == "plug") {
                joystick = SDL_JoystickOpen(SDL_JoystickAttachVirtual(
                    SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                    SDL_CONTROLLER_BUTTON_MAX, 0));
            } else if (input == "unplug") {
                SDL_JoystickClose(std::exchange(joystick, nullptr));
                SDL_JoystickDetachVirtual(0);
            } else if (button == SDL_CONTROLLER_BUTTON_INVALID) {
                SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, input.toShort());
            } else {
                SDL_JoystickSetVirtualButton(joystick, button, 1);
                pads.poll();
                SDL_JoystickSetVirtualButton(joystick, button, 0);
            }
            pads.poll();
        }
    }
};

/// Whether anything white stands in the middle of the window, where "Pausa" goes.
bool middleLit(QWidget* window) {
    const QImage middle =
        window->grab(QRect(340, 285, 120, 30))
            .toImage()
            .convertToFormat(QImage::Format_Grayscale8); // 120 bytes a line, no padding
    return *std::max_element(middle.constBits(), middle.constBits() + middle.sizeInBytes()) > 200;
}

/// Collects what the window presents after a change, the field's time each shows and whether
/// a tick was under way then, and counts the window's paint events.
struct PaintLog : QObject {
    QList<QRegion> presents;
    QList<std::int64_t> shownAt;
    QRegion painted;
    int paintEvents = 0;
    int midTick = 0;
    PaintLog(PlayFieldWindow* window, const Session& session) {
        window->installEventFilter(this);
        connect(window, &PlayFieldWindow::presented, this, [this, &session](const QRegion& region) {
            presents << region;
            shownAt << session.field().now();
            midTick += session.isAdvancing();
            painted += region;
        });
    }
    bool eventFilter(QObject*, QEvent* event) override {
        paintEvents += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class PlayFieldWindowTest : public QObject {
    Q_OBJECT

private slots:
    void fromTheMenuToAGameAndBackByMouseKeysAndController() {
        Running program;
        VirtualPad pad(program.pads.gamepads());
        QVERIFY(QTest::qWaitForWindowExposed(program.window()));
        QCoreApplication::processEvents(); // the first, full paint
        PaintLog log(program.window(), program.session);
        QTest::keyClick(program.window(), Qt::Key_P); // stops nothing that shows
        program.wait(100);                            // the movers on a 100 ms period fall one step
        QVERIFY(log.painted.contains(QRect(744, 0, 30, 39)));      // Image7, old and new
        QVERIFY(!log.painted.intersects(QRect(256, 496, 50, 64))); // the ship stood still
        QCOMPARE(program.window()->size(), QSize(800, 600));
        QVERIFY(program.window()->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(program.window()->windowTitle(), "Form1"); // what the window system knows it by
        QTRY_COMPARE(QApplication::focusWidget(), program.window());
        const float fallen = program.form().Image7.top;
        const PlayFieldWindow* first = program.window();
        program.play(); // raises the running game
        QCOMPARE(program.window(), first);
        QCOMPARE(program.form().Image7.top, fallen);

        QSignalSpy closed(program.window(), &PlayFieldWindow::closed);
        QTest::keyClick(program.window(), Qt::Key_Q);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!program.session.isOpen() && !program.session.isArmed());
        QTRY_VERIFY(!program.window());
        const std::string record = program.folder.filePath("record.dat").toStdString();
        const std::string saved = readFile(record);
        program.wait(500);

        Form2& menu = program.screens.menu();
        menu.Command1->setFocus();
        pad.send("dpup");
        QCOMPARE(menu.focusWidget(), menu.Command4); // round from the first to the last
        pad.send("dpdown dpdown a");
        QTRY_VERIFY(program.screens.keysHelp() && program.screens.keysHelp()->isActiveWindow());
        pad.send("b");
        QTRY_VERIFY(!program.screens.keysHelp());
        pad.send("dpdown a"); // Play, on the menu whether or not it has the focus back
        QVERIFY(program.window() && program.window()->isVisible());
        QCOMPARE(program.form().Image7.top, 0.0f);
        // The new game's timers count from the new opening.
        QCOMPARE(program.session.field().nextDue(), std::optional<std::int64_t>(700));

        // Esci ends the program without saving a new record, as the quit key would.
        program.form().setLabel1Caption(std::to_string(std::stoi(saved) + 1000));
        QTimer::singleShot(0, [&] { QTest::mouseClick(menu.Command4, Qt::LeftButton); });
        const QObject scope; // fails the test, rather than hanging, when the program does not end
        QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(-1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(readFile(record), saved);
        QVERIFY(program.session.isOpen()); // no close handling ran
    }

    // The clock's timer wakes the program at most once a frame: the ticks due in it run at
    // their own moments and are presented together, once, straight from the change; no tick
    // waits more than Session::kMostLateMs; a key is presented at once. Also run on X11 (see
    // tests/e2e/controls.sh).
    void aFrameIsOnePresentOfWholeTicks() {
        Running shell;
        QVERIFY(QTest::qWaitForWindowExposed(shell.window()));
        QCoreApplication::processEvents();
        PaintLog log(shell.window(), shell.session);
        const QRect ship(256, 496, 50, 64);
        // Each wake-up as it is due, and the field's time after it: that of its last tick.
        const std::pair<std::int64_t, std::int64_t> frames[] = {{100, 100}, {150, 150}, {164, 160},
                                                                {180, 172}, {196, 188}, {208, 204},
                                                                {224, 220}, {240, 240}};
        for (const auto& [wake, fieldTime] : frames) {
            if (wake == 150) { // the volley starts, its timer 16 ms; the ship's 100 ms
                shell.time = 140;
                QTest::keyClick(shell.window(), Qt::Key_M);
                QTest::keyClick(shell.window(), Qt::Key_X);
                QCOMPARE(log.presents.size(), 1); // the volley at once; "x" shows nothing yet
            }
            QCOMPARE(shell.session.wakeAt(), std::optional(wake));
            shell.time = wake;
            log.presents.clear();
            log.shownAt.clear();
            QSignalSpy woke(&shell.session, &Session::changed);
            QVERIFY(woke.wait(1000));
            QCOMPARE(woke.count(), 1);
            // One present a frame, made once its last tick has run whole.
            QCOMPARE(log.presents.size(), 1);
            QCOMPARE(log.shownAt, QList<std::int64_t>{fieldTime});
            QCOMPARE(shell.session.field().now(), fieldTime);
            // The ship's first step, due at 240, in the frame of its tick.
            QCOMPARE(QRegion(ship).subtracted(log.presents[0]).isEmpty(), wake == 240);
        }
        QCOMPARE(log.paintEvents, 0);
        QCOMPARE(log.midTick, 0);
        // The window shows what painting it afresh gives, on X11 drawn by the X server.
        QWidget* window = shell.window();
        QCOMPARE(window->screen()
                     ->grabWindow(window->winId())
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
                 window->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void messageBoxGoesOnDeliveringTicks() {
        Running shell;
        const float shipStart = shell.form().Image1.left;
        bool boxShown = false;
        shell.whileBoxOpen = [&] {
            boxShown = true;
            // While the box is open, the field stays (the handler runs on), nothing pauses it,
            // and a timer still running goes on ticking.
            shell.form().Timer3.setEnabled(true);
            shell.window()->close();
            QVERIFY(shell.window()->isVisible() && shell.session.isOpen());
            QTest::keyClick(shell.window(), Qt::Key_Pause);
            emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            QVERIFY(!shell.session.isPaused());
            shell.time += 100;
            QTRY_VERIFY_WITH_TIMEOUT(shell.form().Image1.left > shipStart, 1000);
        };
        shell.form().Image7.top = 8400; // below the bottom line: the next step ends the game
        shell.time += 100;              // the clock's own timer delivers that step
        QTRY_VERIFY(boxShown);
    }

    // A recorded game watched to its end by its own quit key, then "&Play": a game like any
    // other, on the player's keys and the clock, and the record file never touched.
    void aGameAfterWatchingIsPlayedAsUsual() {
        Running shell(true, false);
        shell.app.watch({script::Recording{}, script::At{40}, script::Open{}, script::Best{"9\r\n"},
                         script::Key{'x', 0}, script::Key{'q', 0}});
        QVERIFY(!shell.session.isOpen() && !shell.session.isWatching());
        shell.play();
        QVERIFY(shell.window());
        const float start = shell.form().Image1.left;
        QTest::keyClick(shell.window(), Qt::Key_X);
        shell.wait(100);
        QVERIFY(shell.form().Image1.left > start && shell.session.isArmed());
        QCOMPARE(shell.form().Label4.caption, ""); // this folder's best, not the recording's
        QTest::keyClick(shell.window(), Qt::Key_Q);
        QCOMPARE(readFile(shell.folder.filePath("record.dat").toStdString()), "0\r\n");
    }

    void stalledEventLoopDeliversOneTickPerTimer() {
        Running shell(false);                            // real time
        const float rockStart = shell.form().Image7.top; // Timer6, 100 ms, 28 a step
        QThread::msleep(500); // the program hangs; the event loop delivers nothing
        QSignalSpy advanced(&shell.session, &Session::changed);
        QVERIFY(advanced.wait(1000));
        QCOMPARE(shell.form().Image7.top - rockStart, 28.0f);
    }

    void keysControllersAndThePause_data() {
        // The inputs, then the codes the field had, "[" "]" for the pause, and the rules' time
        // after each "wait" of 1000 ms, with "Pausa" if it shows and "idle" if no timer runs.
        QTest::addColumn<QString>("script");
        QTest::newRow("only single-byte characters") << "key:x held:z key:X key: key:\u0178 => xzX";
        // Without settings the arrows type nothing and Space a blank, as they always have.
        QTest::newRow("the letters alone") << "press:Left press:Down press:Space => \x20";
        QTest::newRow("arrows and Space, held too, not with Shift")
            << "arrows press:Left press:Right repeat:Right press:Down press:Space press:Shift+Left "
               "=> zxxpm";
        QTest::newRow("pad") << "a b x rightshoulder leftshoulder dpleft dpright back => mplkzxq";
        QTest::newRow("north: music off, on, on after s") << "y y key:s y => sasa";
        QTest::newRow("stick: one push each way, dead zone and hysteresis")
            << "-20000 -30000 -12000 -17000 -5000 -17000 20000 12000 17000 0 3000 => zzx";
        QTest::newRow("plugged out and in again mid-game") << "a unplug a plug a unplug => mm";
        const QString paused = "[(0 Pausa idle)](1000)";
        QTest::newRow("Pause and Escape keys")
            << "Pause wait key:x key:q Pause wait Escape wait key:x Escape wait => " + paused +
                   "[(1000 Pausa idle)](2000)";
        QTest::newRow("Start: only Start gets through")
            << "start wait a y dpleft key:x start wait a => " + paused + "m";
        QTest::newRow("another program active") << "away wait key:x Pause wait => " + paused;
        QTest::newRow("the game's menu takes the focus") << "menu wait key:x => (1000)x";
        QTest::newRow("closed while paused: the pause goes too") << "Pause close => []";
    }
    void keysControllersAndThePause() {
        QFETCH(QString, script);
        QString got; // outlives the program, which may still write to it as it ends
        Running shell;
        VirtualPad pad(shell.pads.gamepads());
        QObject::connect(&shell.session, &Session::typed, [&](int c) { got += QChar(c); });
        QObject::connect(&shell.session, &Session::pausedChanged,
                         [&](bool paused) { got += paused ? '[' : ']'; });
        for (const QString& input : script.section(" => ", 0, 0).split(' ')) {
            if (input.startsWith("key:") || input.startsWith("held:")) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                              input.section(':', 1), input.startsWith("held:"));
                QApplication::sendEvent(shell.window(), &key);
            } else if (input == "Pause" || input == "Escape") {
                QTest::keyClick(shell.window(), input == "Pause" ? Qt::Key_Pause : Qt::Key_Escape);
            } else if (input.startsWith("press:") || input.startsWith("repeat:")) {
                const QKeyCombination key = QKeySequence(input.section(':', 1))[0];
                QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(),
                                key.key() == Qt::Key_Space ? " " : "", input.startsWith("repeat:"));
                QApplication::sendEvent(shell.window(), &press);
            } else if (input == "arrows") {
                Settings arrows;
                arrows.keys = Settings::arrowsAndSpace();
                shell.app.settings().change(arrows);
            } else if (input == "away") {
                emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            } else if (input == "menu") {
                shell.screens.showMenu();
            } else if (input == "close") {
                shell.window()->close();
            } else if (input == "wait") {
                shell.wait(1000);
                got += "(" + QString::number(shell.session.now()) +
                       (middleLit(shell.window()) ? " Pausa" : "") +
                       (shell.session.isArmed() ? ")" : " idle)");
            } else {
                pad.send(input);
            }
        }
        QCOMPARE(got, script.section(" => ", 1));
        // Read on a timer while plugged in, and not at all once none is.
        QCOMPARE(shell.pads.gamepads().isPolling(), pad.joystick != nullptr);
    }
};

QTEST_MAIN(PlayFieldWindowTest)
#include "test_play_field_window.moc"
