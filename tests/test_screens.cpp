// The start menu: what its buttons and access keys open, how often, and how the program ends.
#include "screens/about_box.h"
#include "screens/fonts.h"
#include "screens/keys_help.h"
#include "screens/screens.h"
#include "screens/start_menu.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace zelto;

namespace {

/// Presses `button`, by a click or by Alt and its access key in its active window.
void press(QPushButton* button, bool byAccessKey) {
    if (!byAccessKey) {
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    button->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(button->window()));
    const QChar key = button->text().at(button->text().indexOf(QLatin1Char('&')) + 1);
    QTest::keyClick(button->window(), key.toLower().toLatin1(), Qt::AltModifier);
    QTRY_VERIFY(!button->isDown()); // an access key shows the button down, then clicks it
}

/// Runs the program's event loop until the program ends; -1 when it has not after 5 s.
int runProgram() {
    QTimer giveUp;
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    giveUp.start(5000);
    return QCoreApplication::exec();
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void eachButtonDoesItsActionOnEveryPress_data();
    void eachButtonDoesItsActionOnEveryPress();
    void openWindowIsRaisedAndClosedOneCreatedAfresh_data();
    void openWindowIsRaisedAndClosedOneCreatedAfresh();
    void esciEndsTheProgramAtOnceLeavingTheWindowsAlone_data();
    void esciEndsTheProgramAtOnceLeavingTheWindowsAlone();
    void closingTheMenuLeavesTheProgramRunningUntilTheLastWindow();
    void enterPressesTheFocusedButtonWithoutADefaultOne_data();
    void enterPressesTheFocusedButtonWithoutADefaultOne();
    void windowsHaveAFixedClientSizeAndTheProgramIcon_data();
    void windowsHaveAFixedClientSizeAndTheProgramIcon();
    void fontsHaveTheirPixelSizeAndEveryCharacterShown();

private:
    QPushButton* button(const char* name) const {
        return screens_->menu().findChild<QPushButton*>(QLatin1String(name));
    }
    QWidget* window(const QString& kind) const {
        if (kind == QLatin1String("menu"))
            return &screens_->menu();
        if (kind == QLatin1String("about"))
            return screens_->aboutBox();
        return kind == QLatin1String("keys") ? screens_->keysHelp() : nullptr;
    }

    int playCalls_ = 0;
    std::unique_ptr<Screens> screens_;
};

void TestScreens::init() {
    playCalls_ = 0;
    screens_ = std::make_unique<Screens>([this] { ++playCalls_; });
    screens_->showMenu();
    QVERIFY(QTest::qWaitForWindowActive(&screens_->menu()));
}

void TestScreens::cleanup() {
    screens_.reset();
}

void TestScreens::eachButtonDoesItsActionOnEveryPress_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<bool>("byAccessKey");
    QTest::addColumn<QString>("opens");
    QTest::addColumn<int>("playCalls");
    QTest::newRow("click Info") << QByteArray("Command1") << false << "about" << 0;
    QTest::newRow("Alt+I") << QByteArray("Command1") << true << "about" << 0;
    QTest::newRow("click Keyboard") << QByteArray("Command2") << false << "keys" << 0;
    QTest::newRow("Alt+K") << QByteArray("Command2") << true << "keys" << 0;
    QTest::newRow("click Play") << QByteArray("Command3") << false << "none" << 2;
    QTest::newRow("Alt+P") << QByteArray("Command3") << true << "none" << 2;
}

void TestScreens::eachButtonDoesItsActionOnEveryPress() {
    QFETCH(QByteArray, button);
    QFETCH(bool, byAccessKey);
    QFETCH(QString, opens);
    QFETCH(int, playCalls);
    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();

    press(this->button(button), byAccessKey);
    press(this->button(button), byAccessKey);

    QCOMPARE(playCalls_, playCalls);
    QCOMPARE(screens_->aboutBox() != nullptr, opens == QLatin1String("about"));
    QCOMPARE(screens_->keysHelp() != nullptr, opens == QLatin1String("keys"));
    // One new window at most, modeless and with no owner; the play field is the caller's.
    QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore + (opens != "none" ? 1 : 0));
    if (QWidget* opened = window(opens)) {
        QVERIFY(opened->isVisible());
        QCOMPARE(opened->parentWidget(), nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
    QVERIFY(screens_->menu().isVisible());
}

void TestScreens::openWindowIsRaisedAndClosedOneCreatedAfresh_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("opens");
    QTest::newRow("Info") << QByteArray("Command1") << "about";
    QTest::newRow("Keyboard") << QByteArray("Command2") << "keys";
}

void TestScreens::openWindowIsRaisedAndClosedOneCreatedAfresh() {
    QFETCH(QByteArray, button);
    QFETCH(QString, opens);
    press(this->button(button), false);
    const QPointer<QWidget> first = window(opens);
    QVERIFY(QTest::qWaitForWindowActive(first));

    press(this->button(button), true); // from the menu, which becomes active for it
    QTRY_COMPARE(QApplication::activeWindow(), first.data());
    QCOMPARE(window(opens), first.data());

    QTest::mouseClick(first->findChild<QPushButton*>(), Qt::LeftButton); // its own button
    QTRY_VERIFY(!first);                                                 // deleted, not just hidden
    QCOMPARE(window(opens), nullptr);
    press(this->button(button), false);
    QVERIFY(window(opens) && window(opens)->isVisible());
}

void TestScreens::esciEndsTheProgramAtOnceLeavingTheWindowsAlone_data() {
    QTest::addColumn<bool>("byAccessKey");
    QTest::newRow("click") << false;
    QTest::newRow("Alt+E") << true;
}

void TestScreens::esciEndsTheProgramAtOnceLeavingTheWindowsAlone() {
    QFETCH(bool, byAccessKey);
    screens_->showKeysHelp();
    QTimer::singleShot(0, this, [&] { press(button("Command4"), byAccessKey); });

    QCOMPARE(runProgram(), 0);
    // No window was closed, so none of their close handling ran.
    QVERIFY(screens_->keysHelp() && screens_->keysHelp()->isVisible());
    QVERIFY(screens_->menu().isVisible());
}

void TestScreens::closingTheMenuLeavesTheProgramRunningUntilTheLastWindow() {
    screens_->showAboutBox();
    bool ranOnWithoutMenu = false;
    QTimer::singleShot(0, this, [&] { screens_->menu().close(); });
    QTimer::singleShot(300, this, [&] {
        ranOnWithoutMenu = screens_->aboutBox() && screens_->aboutBox()->isVisible();
        if (ranOnWithoutMenu)
            screens_->aboutBox()->close();
    });

    QCOMPARE(runProgram(), 0);
    QVERIFY(ranOnWithoutMenu);
}

void TestScreens::enterPressesTheFocusedButtonWithoutADefaultOne_data() {
    QTest::addColumn<QByteArray>("focus"); // empty: where the focus starts
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("opens");
    QTest::addColumn<int>("playCalls");
    QTest::newRow("Return on Info, the first focus")
        << QByteArray() << int(Qt::Key_Return) << "about" << 0;
    QTest::newRow("keypad Enter on Keyboard")
        << QByteArray("Command2") << int(Qt::Key_Enter) << "keys" << 0;
    QTest::newRow("Return on Play") << QByteArray("Command3") << int(Qt::Key_Return) << "none" << 1;
}

void TestScreens::enterPressesTheFocusedButtonWithoutADefaultOne() {
    QFETCH(QByteArray, focus);
    QFETCH(int, key);
    QFETCH(QString, opens);
    QFETCH(int, playCalls);
    Form2& menu = screens_->menu();
    for (const QPushButton* each : menu.findChildren<QPushButton*>())
        QVERIFY2(!each->isDefault() && !each->autoDefault(), qPrintable(each->text()));
    if (focus.isEmpty())
        QCOMPARE(QApplication::focusWidget(), menu.Command1);
    else
        button(focus)->setFocus();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    QCOMPARE(playCalls_, playCalls);
    QCOMPARE(screens_->aboutBox() != nullptr, opens == QLatin1String("about"));
    QCOMPARE(screens_->keysHelp() != nullptr, opens == QLatin1String("keys"));
}

void TestScreens::windowsHaveAFixedClientSizeAndTheProgramIcon_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("clientSize");
    QTest::newRow("menu") << "menu" << QSize(312, 275);
    QTest::newRow("keys help") << "keys" << QSize(133, 201);
    QTest::newRow("about box") << "about" << QSize(366, 237);
}

void TestScreens::windowsHaveAFixedClientSizeAndTheProgramIcon() {
    QFETCH(QString, kind);
    QFETCH(QSize, clientSize);
    screens_->showAboutBox();
    screens_->showKeysHelp();
    const QWidget* shown = window(kind);
    QCOMPARE(shown->size(), clientSize);
    QCOMPARE(shown->minimumSize(), shown->maximumSize());
    QVERIFY(
        !(shown->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // The icon comes once the window has painted itself.
    QTRY_VERIFY(shown->windowIcon().availableSizes().contains(QSize(16, 16)) &&
                shown->windowIcon().availableSizes().contains(QSize(32, 32)));
}

void TestScreens::fontsHaveTheirPixelSizeAndEveryCharacterShown() {
    QCOMPARE(QFontInfo(msSansSerif(8.25, true)).pixelSize(), 11);
    QCOMPARE(QFontInfo(msSansSerif(9.75, false)).pixelSize(), 13);
    QCOMPARE(QFontInfo(msSansSerif(12, true)).pixelSize(), 16);
    QCOMPARE(QFontInfo(timesNewRoman(18, true)).pixelSize(), 24);
    // Every character of every window is in its font, none drawn as an empty box; a line
    // break is not drawn.
    screens_->showAboutBox();
    screens_->showKeysHelp();
    for (const QWidget* shown : {window("menu"), window("about"), window("keys")}) {
        for (const QLabel* label : shown->findChildren<QLabel*>()) {
            for (const QChar character : QString(label->text()).remove(QLatin1Char('\n')))
                QVERIFY2(QFontMetrics(label->font()).inFont(character), qPrintable(label->text()));
        }
    }
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
