// The start menu, the keys help screen and the about box: their buttons and keys, how often
// each window opens, how the program ends, and how they look.
#include "platform/logging.h"
#include "screens/about_box.h"
#include "screens/keys_help.h"
#include "screens/screens.h"
#include "screens/settings_window.h"
#include "screens/start_menu.h"
#include "settings/settings.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>

using namespace zelto;

class TestScreens : public QObject {
    Q_OBJECT

private slots:
    void init() {
        playCalls_ = 0;
        requests_.clear();
        frmAbout::setOpenWebPage([this](const QUrl& page) { requests_.append(page); });
        screens_ = std::make_unique<Screens>([this] { ++playCalls_; }, settings_);
        screens_->showMenu();
        QVERIFY(QTest::qWaitForWindowActive(&screens_->menu()));
        QCOMPARE(QApplication::focusWidget(), screens_->menu().Command1);
    }

    void cleanup() {
        screens_.reset();
        settings_.change(Settings());
        frmAbout::setOpenWebPage({});
    }

    void menuKeysPressTheirButtonOnEveryPress_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("opens"); // "none": Play, which calls the caller each time
        QTest::newRow("Alt+I") << "Command1" << (Qt::ALT | Qt::Key_I) << "about";
        QTest::newRow("Alt+K") << "Command2" << (Qt::ALT | Qt::Key_K) << "keys";
        QTest::newRow("Alt+P") << "Command3" << (Qt::ALT | Qt::Key_P) << "none";
        // No default button: Enter goes to whichever button has the focus.
        QTest::newRow("keypad Enter on Keyboard")
            << "Command2" << (Qt::KeypadModifier | Qt::Key_Enter) << "keys";
        QTest::newRow("Return on Play") << "Command3" << QKeyCombination(Qt::Key_Return) << "none";
    }

    void menuKeysPressTheirButtonOnEveryPress() {
        QFETCH(QString, button);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, opens);
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();

        press(this->button(button), key);
        press(this->button(button), key);

        QCOMPARE(playCalls_, opens == "none" ? 2 : 0);
        // One window at most, modeless and with no owner; the play field is the caller's.
        QWidget* opened = window(opens);
        QCOMPARE(opened != nullptr, opens != "none");
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore + (opened != nullptr));
        if (opened) {
            QTRY_COMPARE(QApplication::activeWindow(), opened); // raised by the second press
            QCOMPARE(opened->parentWidget(), nullptr);
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        QVERIFY(screens_->menu().isVisible());
    }

    void programOutlivesTheMenuAndEndsOnEsciLeavingTheWindowsAlone() {
        screens_->showKeysHelp();
        bool ranOnWithoutMenu = false;
        QTimer::singleShot(0, this, [&] { screens_->menu().close(); });
        QTimer::singleShot(300, this, [&] {
            ranOnWithoutMenu = screens_->keysHelp() && screens_->keysHelp()->isVisible();
            screens_->showMenu();
            press(button("Command4"), Qt::ALT | Qt::Key_E);
        });
        const QObject scope; // fails the test, rather than hanging, when the program does not end
        QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(-1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(ranOnWithoutMenu);
        // No window was closed, so none of their close handling ran.
        QVERIFY(screens_->keysHelp() && screens_->keysHelp()->isVisible());
    }

    void windowsHaveAFixedFrameAndCloseOnlyOnTheirKeys_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("clientSize");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("closes");
        const QSize menu(312, 275), keys(133, 201), about(366, 237);
        const QKeyCombination escape(Qt::Key_Escape), enter(Qt::Key_Return);
        // Esci is not a cancel button; OK is the about box's default and cancel button.
        QTest::newRow("Escape on the menu") << "menu" << menu << escape << false;
        QTest::newRow("Escape on the keys") << "keys" << keys << escape << false;
        QTest::newRow("Return on Esci") << "keys" << keys << enter << true;
        QTest::newRow("Alt+E") << "keys" << keys << (Qt::ALT | Qt::Key_E) << true;
        QTest::newRow("Return on OK") << "about" << about << enter << true;
        QTest::newRow("Escape on OK") << "about" << about << escape << true;
    }

    void windowsHaveAFixedFrameAndCloseOnlyOnTheirKeys() {
        QFETCH(QString, kind);
        QFETCH(QSize, clientSize);
        QFETCH(QKeyCombination, key);
        QFETCH(bool, closes);
        const QPointer<QWidget> shown = show(kind);
        QCOMPARE(QList({shown->size(), shown->minimumSize(), shown->maximumSize()}),
                 QList<QSize>(3, clientSize));
        QVERIFY(!(shown->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // The icon comes once the window has painted itself.
        QTRY_VERIFY(shown->windowIcon().availableSizes().contains(QSize(16, 16)) &&
                    shown->windowIcon().availableSizes().contains(QSize(32, 32)));

        QVERIFY(QTest::qWaitForWindowActive(shown));
        QCOMPARE(QApplication::focusWidget(), shown->findChild<QPushButton*>());
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        QCOMPARE(shown->isHidden(), closes);
        QTRY_COMPARE(shown.isNull(), closes); // deleted, not just hidden
        QVERIFY(show(kind)->isVisible());     // so asking again makes one afresh
    }

    void attivaLaMusicaIsDrawnWhollyInsideTheWindow() {
        // Centred with the blanks that fit, the text sits left in its box, which reaches 28 px
        // past the window's right edge; centred without them, the edge would cut into "musica".
        Form3 keys;
        const QImage shot = keys.grab().toImage();
        const QRect box = keys.Label1->geometry();
        QList<int> inked; // the columns with ink
        for (int x = box.left(); x < shot.width(); ++x)
            for (int y = box.top(); y <= box.bottom(); ++y)
                if (shot.pixelColor(x, y) != keys.palette().color(QPalette::Window)) {
                    inked.append(x);
                    break;
                }
        QVERIFY2(inked.last() < keys.width() - 4, qPrintable(QString::number(inked.last())));
        QVERIFY(inked.last() - inked.first() + 2 >=
                QFontMetrics(keys.Label1->font()).horizontalAdvance("A = Attiva la musica"));
    }

    void theAboutBoxAndEachBannerClickAskingForTheMakersPage_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("fails");
        QTest::newRow("two clicks on the banner") << "Image1" << 2 << false;
        QTest::newRow("a click on the title") << "lblTitle" << 1 << false;
        QTest::newRow("a page that cannot be opened") << "Image1" << 1 << true;
    }

    void theAboutBoxAndEachBannerClickAskingForTheMakersPage() {
        QFETCH(QString, target);
        QFETCH(int, clicks);
        QFETCH(bool, fails);
        if (fails) {
            frmAbout::setOpenWebPage([](const QUrl&) { throw std::runtime_error("no browser"); });
            QVERIFY(!lcScreens().isDebugEnabled()); // a player's terminal stays clean
            QLoggingCategory::setFilterRules(QStringLiteral("zelto.*.debug=true"));
            QTest::ignoreMessage(QtDebugMsg, "the web page could not be opened: no browser");
        }
        frmAbout box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.lblVersion->text(), QStringLiteral("Versione %1").arg(ZELTO_VERSION));
        QCOMPARE(QFontInfo(box.lblVersion->font()).pixelSize(), 13); // 9.75 points at 96 dpi
        // The notice with the web address fits its label.
        const QLabel* notice = box.lblDescription;
        QVERIFY(notice->fontMetrics()
                    .boundingRect(notice->rect(), Qt::TextWordWrap, notice->text())
                    .height() <= notice->height());
        auto* clicked = box.findChild<QLabel*>(target);
        // A point that shows inside the window: the banner's left part is cut off.
        const QPoint at =
            clicked->mapFrom(&box, clicked->geometry().intersected(box.rect()).center());
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(clicked, Qt::LeftButton, {}, at);
        QLoggingCategory::setFilterRules({});
        QCOMPARE(requests_,
                 QList<QUrl>(target == "Image1" && !fails ? clicks : 0, frmAbout::makersPage()));
        QVERIFY(box.isVisible());
    }

    void theSettingsWindowTakesTheNextKeyAndKeepsItOnOK_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("keys"); // the command's extra keys then, Space Fire's before
        QTest::newRow("W for turbo") << Command::TurboOn << QKeyCombination(Qt::Key_W) << "W";
        QTest::newRow("an access key taken as a key")
            << Command::Fire << (Qt::ALT | Qt::Key_F) << "Space, Alt+F";
        QTest::newRow("Space moved")
            << Command::Stop << QKeyCombination(Qt::Key_Space) << "Down, Space";
        QTest::newRow("a letter of the game")
            << Command::Fire << (Qt::SHIFT | Qt::Key_M) << "Space";
        QTest::newRow("Escape: none")
            << Command::Fire << QKeyCombination(Qt::Key_Escape) << "Space";
    }
    void theSettingsWindowTakesTheNextKeyAndKeepsItOnOK() {
        QFETCH(Command, command);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, keys);
        screens_->showSettings();
        SettingsWindow& window = *screens_->settingsWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier); // "&Frecce e Spazio"
        window.AddKey[int(command)]->click();
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        const auto names = [](const QList<QKeyCombination>& list) {
            QStringList named;
            for (const QKeyCombination k : list)
                named.append(QKeySequence(k).toString());
            return named.join(", ");
        };
        QCOMPARE(names(window.edited().keys[int(command)]), keys);
        QCOMPARE(settings_.current(), Settings()); // nothing taken before OK
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(names(settings_.current().keys[int(command)]), keys);
        // A key has one command: Space went from Fire to Stop.
        QCOMPARE(
            settings_.current().keys[int(Command::Fire)].contains(QKeyCombination(Qt::Key_Space)),
            command != Command::Stop);
        QTRY_VERIFY(!screens_->settingsWindow());
    }

private:
    /// Presses `key` on `button`, focused in its active window; no waiting for an animated click.
    static void press(QPushButton* button, QKeyCombination key) {
        button->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(button->window()));
        button->setFocus();
        QTest::keyClick(button, key.key(), key.keyboardModifiers());
    }
    QPushButton* button(const QString& name) const {
        return screens_->menu().findChild<QPushButton*>(name);
    }
    QWidget* window(const QString& kind) const {
        return kind == "menu"    ? &screens_->menu()
               : kind == "about" ? static_cast<QWidget*>(screens_->aboutBox())
               : kind == "keys"  ? screens_->keysHelp()
                                 : nullptr;
    }
    QWidget* show(const QString& kind) {
        kind == "menu"    ? screens_->showMenu()
        : kind == "about" ? screens_->showAboutBox()
                          : screens_->showKeysHelp();
        return window(kind);
    }

    int playCalls_ = 0;
    QList<QUrl> requests_;
    SettingsStore settings_;
    std::unique_ptr<Screens> screens_;
};

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
