// The play-field window behind "&Play": its shape, the keys it passes on, closing,
// repainting only what changed, the real-time clock behind it, one game at most, a fresh
// one after the quit key, "&Esci" leaving the record file alone, the pause, and controllers
// (SDL's virtual ones) on the field and the menu.
#include "screens/field_input.h"
#include "screens/game_clock.h"
#include "screens/gamepad_control.h"
#include "screens/keys_help.h"
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
#include <SDL.h>

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
    FieldInput input{field, clock};
    QPointer<PlayFieldWindow> window;
    Screens screens{[this] { showPlayField(input, window); }};
    GamepadControl pads{screens, input};
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

/// A controller plugged in for the test: SDL's virtual joystick with a game controller's
/// buttons and axes. Each change is read at once, as the polling would.
struct VirtualPad {
    Gamepads& pads;
    SDL_Joystick* joystick = nullptr;

    explicit VirtualPad(Gamepads& gamepads) : pads(gamepads) {
        pads.start();
        send("plug");
    }
    ~VirtualPad() { send("unplug"); }
    /// Space-separated inputs: a button by SDL's name ("a", "dpleft"), the left stick's
    /// sideways position ("-20000"), "unplug" or "plug".
    void send(const QString& inputs) {
        for (const QString& input : inputs.split(' ', Qt::SkipEmptyParts)) {
            bool isNumber = false;
            const int x = input.toInt(&isNumber);
            if (input == "plug") {
                SDL_VirtualJoystickDesc desc{};
                desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
                desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
                desc.naxes = SDL_CONTROLLER_AXIS_MAX;
                desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
                joystick = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
            } else if (input == "unplug" && joystick) {
                SDL_JoystickClose(std::exchange(joystick, nullptr));
                SDL_JoystickDetachVirtual(0);
            } else if (isNumber) {
                SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, Sint16(x));
            } else {
                const int button = SDL_GameControllerGetButtonFromString(qPrintable(input));
                SDL_JoystickSetVirtualButton(joystick, button, 1);
                pads.poll();
                SDL_JoystickSetVirtualButton(joystick, button, 0);
            }
            pads.poll();
        }
    }
};

/// The codes the field's key handler has had, as text.
QString typedCodes(const QSignalSpy& typed) {
    QString codes;
    for (const QList<QVariant>& call : typed)
        codes += QChar(call.front().toInt());
    return codes;
}

/// Whether anything white stands in the middle of the window, where "Pausa" goes.
bool middleLit(QWidget* window) {
    const QImage middle =
        window->grab(QRect(340, 285, 120, 30))
            .toImage()
            .convertToFormat(QImage::Format_Grayscale8); // 120 bytes a line, no padding
    return *std::max_element(middle.constBits(), middle.constBits() + middle.sizeInBytes()) > 200;
}

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
            // No pause while the box is open, whatever asks for it.
            QTest::keyClick(shell.window, Qt::Key_Pause);
            emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            QVERIFY(!shell.input.isPaused());
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

    void pauseStopsTheRulesTime_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("pauses");
        QTest::newRow("Pause key") << "Pause" << true;
        QTest::newRow("Escape") << "Escape" << true;
        QTest::newRow("controller's Start") << "start" << true;
        QTest::newRow("another program takes the focus") << "away" << true;
        QTest::newRow("the game's menu takes the focus") << "menu" << false;
    }
    void pauseStopsTheRulesTime() {
        QFETCH(QString, how);
        QFETCH(bool, pauses);
        Program shell;
        VirtualPad pad(shell.pads.gamepads());
        const auto toggle = [&](const QString& way) {
            if (way == "away")
                emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            else if (way == "menu")
                shell.screens.showMenu();
            else if (way == "start")
                pad.send(way);
            else
                QTest::keyClick(shell.window, way == "Pause" ? Qt::Key_Pause : Qt::Key_Escape);
        };
        QSignalSpy typed(&shell.input, &FieldInput::typed);
        shell.wait(100);
        const std::int64_t before = shell.field.now();
        toggle(how);
        QCOMPARE(shell.input.isPaused(), pauses);
        QCOMPARE(middleLit(shell.window), pauses);
        shell.wait(5000);
        QTest::keyClick(shell.window, Qt::Key_X);
        QTest::keyClick(shell.window, Qt::Key_Q);
        QCOMPARE(typed.count(), pauses ? 0 : 2);
        if (!pauses)
            return;
        QCOMPARE(shell.field.now(), before);
        QVERIFY(!shell.clock.isArmed());
        toggle(how == "away" ? QStringLiteral("Pause") : how);
        shell.wait(100);
        QCOMPARE(shell.field.now(), before + 100);
        QVERIFY(!middleLit(shell.window));
        // Closed while paused, the game goes as ever and takes its pause with it.
        toggle(QStringLiteral("Pause"));
        shell.window->close();
        QVERIFY(!shell.field.isOpen() && !shell.input.isPaused());
    }

    void controllerTypesTheKeys_data() {
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("codes");
        QTest::newRow("buttons") << "a b x rightshoulder leftshoulder dpleft dpright back"
                                 << "mplkzxq";
        QTest::newRow("north: music off, on, off") << "y y y"
                                                   << "sas";
        QTest::newRow("north after the keyboard's s: on") << "key:s y"
                                                          << "sa";
        QTest::newRow("stick: one push each way, dead zone and hysteresis")
            << "-20000 -30000 -12000 -17000 -5000 -17000 20000 12000 17000 0 3000"
            << "zzx";
        QTest::newRow("plugged out and in again mid-game") << "a unplug a plug a unplug"
                                                           << "mm";
        QTest::newRow("paused: only Start gets through") << "start a y dpleft start a"
                                                         << "m";
    }
    void controllerTypesTheKeys() {
        QFETCH(QString, inputs);
        QFETCH(QString, codes);
        Program shell;
        QSignalSpy typed(&shell.input, &FieldInput::typed);
        VirtualPad pad(shell.pads.gamepads());
        for (const QString& input : inputs.split(' ')) {
            if (input.startsWith("key:"))
                QTest::keyClicks(shell.window, input.mid(4));
            else
                pad.send(input);
        }
        QCOMPARE(typedCodes(typed), codes);
        // Read on a timer while plugged in, and not at all once none is.
        QCOMPARE(shell.pads.gamepads().isPolling(), pad.joystick != nullptr);
    }

    void controllerWorksTheMenu() {
        Program program(true, true);
        VirtualPad pad(program.pads.gamepads());
        Form2& menu = program.screens.menu();
        QTRY_COMPARE(QApplication::activeWindow(), &menu);
        pad.send("dpup");
        QCOMPARE(menu.focusWidget(), menu.Command4); // round from the first to the last
        pad.send("dpdown dpdown a");
        QVERIFY(program.screens.keysHelp());
        QTRY_COMPARE(QApplication::activeWindow(), program.screens.keysHelp());
        pad.send("b");
        QTRY_VERIFY(!program.screens.keysHelp());
        pad.send("dpdown a"); // to the menu, whether or not it has the focus back
        QCOMPARE(windowsOfTheField(), 1);
    }
};

QTEST_MAIN(PlayFieldWindowTest)
#include "test_play_field_window.moc"
