// The start menu, the keys help screen and the about box: what their buttons and keys do, how
// often each window opens, how the program ends, and how they look.
#include "screens/about_box.h"
#include "screens/fonts.h"
#include "screens/keys_help.h"
#include "screens/logging.h"
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
#include <stdexcept>

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

    void init() {
        playCalls_ = 0;
        requests_.clear();
        frmAbout::setOpenWebPage([this](const QUrl& page) { requests_.append(page); });
        screens_ = std::make_unique<Screens>([this] { ++playCalls_; });
        screens_->showMenu();
        QVERIFY(QTest::qWaitForWindowActive(&screens_->menu()));
    }

    void cleanup() {
        screens_.reset();
        frmAbout::setOpenWebPage({});
    }

    void eachButtonDoesItsActionOnEveryPress_data() {
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

    void eachButtonDoesItsActionOnEveryPress() {
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

    void openWindowIsRaisedAndClosedOneCreatedAfresh_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("opens");
        QTest::newRow("Info") << QByteArray("Command1") << "about";
        QTest::newRow("Keyboard") << QByteArray("Command2") << "keys";
    }

    void openWindowIsRaisedAndClosedOneCreatedAfresh() {
        QFETCH(QByteArray, button);
        QFETCH(QString, opens);
        press(this->button(button), false);
        const QPointer<QWidget> first = window(opens);
        QVERIFY(QTest::qWaitForWindowActive(first));

        press(this->button(button), true); // from the menu, which becomes active for it
        QTRY_COMPARE(QApplication::activeWindow(), first.data());
        QCOMPARE(window(opens), first.data());

        QTest::mouseClick(first->findChild<QPushButton*>(), Qt::LeftButton); // its own button
        QTRY_VERIFY(!first); // deleted, not just hidden
        QCOMPARE(window(opens), nullptr);
        press(this->button(button), false);
        QVERIFY(window(opens) && window(opens)->isVisible());
    }

    void esciEndsTheProgramAtOnceLeavingTheWindowsAlone_data() {
        QTest::addColumn<bool>("byAccessKey");
        QTest::newRow("click") << false;
        QTest::newRow("Alt+E") << true;
    }

    void esciEndsTheProgramAtOnceLeavingTheWindowsAlone() {
        QFETCH(bool, byAccessKey);
        screens_->showKeysHelp();
        QTimer::singleShot(0, this, [&] { press(button("Command4"), byAccessKey); });

        QCOMPARE(runProgram(), 0);
        // No window was closed, so none of their close handling ran.
        QVERIFY(screens_->keysHelp() && screens_->keysHelp()->isVisible());
        QVERIFY(screens_->menu().isVisible());
    }

    void closingTheMenuLeavesTheProgramRunningUntilTheLastWindow() {
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

    void enterPressesTheFocusedButtonWithoutADefaultOne_data() {
        QTest::addColumn<QByteArray>("focus"); // empty: where the focus starts
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("opens");
        QTest::addColumn<int>("playCalls");
        QTest::newRow("Return on Info, the first focus")
            << QByteArray() << int(Qt::Key_Return) << "about" << 0;
        QTest::newRow("keypad Enter on Keyboard")
            << QByteArray("Command2") << int(Qt::Key_Enter) << "keys" << 0;
        QTest::newRow("Return on Play")
            << QByteArray("Command3") << int(Qt::Key_Return) << "none" << 1;
    }

    void enterPressesTheFocusedButtonWithoutADefaultOne() {
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

    void windowsHaveAFixedClientSizeAndTheProgramIcon_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("clientSize");
        QTest::newRow("menu") << "menu" << QSize(312, 275);
        QTest::newRow("keys help") << "keys" << QSize(133, 201);
        QTest::newRow("about box") << "about" << QSize(366, 237);
    }

    void windowsHaveAFixedClientSizeAndTheProgramIcon() {
        QFETCH(QString, kind);
        QFETCH(QSize, clientSize);
        screens_->showAboutBox();
        screens_->showKeysHelp();
        const QWidget* shown = window(kind);
        QCOMPARE(shown->size(), clientSize);
        QCOMPARE(shown->minimumSize(), shown->maximumSize());
        QVERIFY(!(shown->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // The icon comes once the window has painted itself.
        QTRY_VERIFY(shown->windowIcon().availableSizes().contains(QSize(16, 16)) &&
                    shown->windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    void fontsHaveTheirPixelSizeAndEveryCharacterShown() {
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
                const QString drawn = QString(label->text()).remove(QLatin1Char('\n'));
                for (const QChar character : drawn)
                    QVERIFY2(QFontMetrics(label->font()).inFont(character),
                             qPrintable(label->text()));
            }
        }
    }

    void keysThatCloseAWindow_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");
        // "&Esci" is the keys screen's only button, and not its cancel button; "OK" is both the
        // about box's default and cancel button.
        QTest::newRow("Escape on the keys") << "keys" << int(Qt::Key_Escape) << 0 << false;
        QTest::newRow("Return on Esci") << "keys" << int(Qt::Key_Return) << 0 << true;
        QTest::newRow("keypad Enter on Esci")
            << "keys" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Alt+E") << "keys" << int(Qt::Key_E) << int(Qt::AltModifier) << true;
        QTest::newRow("Return on OK") << "about" << int(Qt::Key_Return) << 0 << true;
        QTest::newRow("keypad Enter on OK")
            << "about" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Escape on the about box") << "about" << int(Qt::Key_Escape) << 0 << true;
    }

    void keysThatCloseAWindow() {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        kind == "keys" ? screens_->showKeysHelp() : screens_->showAboutBox();
        const QPointer<QWidget> shown = window(kind);
        QVERIFY(QTest::qWaitForWindowActive(shown));
        // Focus starts on the window's one button.
        QCOMPARE(QApplication::focusWidget(), shown->findChild<QPushButton*>());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        QTRY_COMPARE(shown.isNull(), closes);
        QVERIFY(requests_.isEmpty());
    }

    void attivaLaMusicaIsDrawnWhollyInsideTheWindow() {
        // Centred with the blanks that fit, the text sits left in its box, which reaches 28 px
        // past the window's right edge; centred without them, the edge would cut into "musica".
        Form3 keys;
        keys.show();
        QVERIFY(QTest::qWaitForWindowExposed(&keys));
        const QImage shot = keys.grab().toImage();
        const QRect box = keys.Label1->geometry();
        int left = shot.width();
        int right = -1;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x < shot.width(); ++x) {
                if (shot.pixelColor(x, y) != keys.palette().color(QPalette::Window)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        QVERIFY2(right < keys.width() - 4, qPrintable(QString::number(right)));
        QVERIFY(right - left + 2 >=
                QFontMetrics(keys.Label1->font()).horizontalAdvance("A = Attiva la musica"));
    }

    void theAboutBoxShowsTheVersionAndTheWebAddress() {
        const frmAbout box;
        QCOMPARE(box.lblVersion->text(), QStringLiteral("Versione %1").arg(ZELTO_VERSION));
        // The notice names the page that the banner opens, and fits its label.
        const QLabel* notice = box.lblDescription;
        QVERIFY(notice->text().contains(frmAbout::makersPage().toString()));
        QVERIFY(notice->fontMetrics()
                    .boundingRect(notice->rect(), Qt::TextWordWrap, notice->text())
                    .height() <= notice->height());
    }

    void eachBannerClickAsksForTheMakersPageOnce_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("requests");
        QTest::newRow("one click on the banner") << "Image1" << 1 << 1;
        QTest::newRow("three clicks on the banner") << "Image1" << 3 << 3;
        QTest::newRow("a click on the title") << "lblTitle" << 1 << 0;
    }

    void eachBannerClickAsksForTheMakersPageOnce() {
        QFETCH(QString, target);
        QFETCH(int, clicks);
        QFETCH(int, requests);
        frmAbout box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto* clicked = box.findChild<QLabel*>(target);
        // A point that shows inside the window: the banner's left part is cut off.
        const QPoint at =
            clicked->mapFrom(&box, clicked->geometry().intersected(box.rect()).center());
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(clicked, Qt::LeftButton, {}, at);
        QCOMPARE(requests_, QList<QUrl>(requests, frmAbout::makersPage()));
        QVERIFY(box.isVisible());
    }

    void aPageThatCannotBeOpenedIsToldOnlyWhenAskedFor() {
        frmAbout::setOpenWebPage([](const QUrl&) { throw std::runtime_error("no browser"); });
        frmAbout box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(!lcScreens().isDebugEnabled()); // a player's terminal stays clean
        QLoggingCategory::setFilterRules(QStringLiteral("zelto.*.debug=true"));
        QTest::ignoreMessage(QtDebugMsg, "the web page could not be opened: no browser");
        QTest::mouseClick(box.Image1, Qt::LeftButton, {},
                          box.Image1->mapFrom(&box, QPoint(10, 10)));
        QLoggingCategory::setFilterRules({});
        QVERIFY(box.isVisible());
    }

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
    QList<QUrl> requests_;
    std::unique_ptr<Screens> screens_;
};

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
