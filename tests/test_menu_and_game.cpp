// The start menu with a real game behind "&Play": one play field at most, a fresh one after
// the quit key, and "&Esci" leaving the record file alone.
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "test_support.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace zelto;
using namespace zelto::test;

namespace {

/// The program as main builds it, with its record file in a scratch folder and time stepped
/// by the test.
struct Program {
    QTemporaryDir folder;
    QtHost host{[](const QString&, const QString&) {}};
    SilentSoundDevice sound;
    PlayField field{host, sound, folder.path().toStdString(), {}};
    GameClock clock{field};
    QPointer<PlayFieldWindow> window;
    Screens screens{[this] { showPlayField(field, clock, window); }};
    std::int64_t time = 0;

    Program() {
        clock.setTimeSource([this] { return time; });
        screens.showMenu();
    }
    ~Program() {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void play() { QTest::mouseClick(screens.menu().Command3, Qt::LeftButton); }
    void wait(std::int64_t ms) {
        time += ms;
        clock.advance();
    }
    std::filesystem::path record() const {
        return std::filesystem::path(folder.path().toStdString()) / "record.dat";
    }
};

int windowsOfTheField() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<PlayFieldWindow*>(widget) && widget->isVisible() ? 1 : 0;
    return count;
}

} // namespace

class MenuAndGame : public QObject {
    Q_OBJECT

private slots:
    void playTwiceKeepsTheOneRunningGame() {
        Program program;
        program.play();
        program.wait(1000);
        const float fallen = program.field.form()->Image7.top;
        QVERIFY(fallen > 0);
        program.play();
        QCOMPARE(windowsOfTheField(), 1);
        QCOMPARE(program.field.form()->Image7.top, fallen);
    }

    void playAfterTheQuitKeyStartsAFreshGame() {
        Program program;
        program.play();
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
        Program program;
        writeFile(program.record(), "1500\r\n");
        program.play();
        // A new record that only the quit key or the game's end would save.
        program.field.form()->setLabel1Caption("2000");
        QTimer::singleShot(
            0, [&] { QTest::mouseClick(program.screens.menu().Command4, Qt::LeftButton); });
        QTimer giveUp;
        QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
        giveUp.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(readFile(program.record()), std::string("1500\r\n"));
        QVERIFY(program.field.isOpen()); // no close handling ran
    }
};

QTEST_MAIN(MenuAndGame)
#include "test_menu_and_game.moc"
