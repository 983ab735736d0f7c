// The keys help screen: its texts, what closes it, and how its first label fits the window.
#include "screens/keys_help.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace zelto;

class TestKeysHelp : public QObject {
    Q_OBJECT

private slots:
    void labelsListTheKeys_data();
    void labelsListTheKeys();
    void onlyEsciClosesTheScreen_data();
    void onlyEsciClosesTheScreen();
    void attivaLaMusicaIsDrawnWhollyInsideTheWindow();
};

void TestKeysHelp::labelsListTheKeys_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << "Label1"
                            << QStringLiteral("A = Attiva la musica") + QString(64, ' ');
    QTest::newRow("Label2") << "Label2"
                            << "S = Ferma la musica";
    QTest::newRow("Label3") << "Label3"
                            << "Z = Sinistra";
    QTest::newRow("Label4") << "Label4"
                            << "X = Destra";
    QTest::newRow("Label5") << "Label5"
                            << "M = Laser";
    QTest::newRow("Label6") << "Label6"
                            << "L = Turbo";
    QTest::newRow("Label7") << "Label7"
                            << "K = Blocca il turbo";
    QTest::newRow("Label8") << "Label8"
                            << "P = Stop";
    QTest::newRow("Label9") << "Label9"
                            << "Q = Esci";
}

void TestKeysHelp::labelsListTheKeys() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    const Form3 keys;
    QCOMPARE(keys.findChild<QLabel*>(label)->text(), text);
    QCOMPARE(keys.Label1->text().size(), 84);
}

void TestKeysHelp::onlyEsciClosesTheScreen_data() {
    QTest::addColumn<int>("key"); // 0 clicks "&Esci"
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("stillOpen");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << true;
    QTest::newRow("Return on the focused Esci")
        << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
    QTest::newRow("keypad Enter on the focused Esci")
        << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false;
    QTest::newRow("click Esci") << 0 << int(Qt::NoModifier) << false;
    QTest::newRow("Alt+E") << int(Qt::Key_E) << int(Qt::AltModifier) << false;
}

void TestKeysHelp::onlyEsciClosesTheScreen() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, stillOpen);
    Form3 keys;
    keys.show();
    keys.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&keys));
    QCOMPARE(QApplication::focusWidget(), keys.Command1);

    if (key == 0)
        QTest::mouseClick(keys.Command1, Qt::LeftButton);
    else
        QTest::keyClick(keys.Command1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QTRY_VERIFY(!keys.Command1->isDown()); // an access key clicks a moment later
    QCOMPARE(keys.isVisible(), stillOpen);
}

void TestKeysHelp::attivaLaMusicaIsDrawnWhollyInsideTheWindow() {
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
    const QFontMetrics metrics(keys.Label1->font());
    QVERIFY2(right < keys.width() - 4, qPrintable(QString::number(right)));
    QVERIFY(right - left + 2 >= metrics.horizontalAdvance("A = Attiva la musica"));
}

QTEST_MAIN(TestKeysHelp)
#include "test_keys_help.moc"
