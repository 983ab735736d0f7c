// Reading numbers from captions, and writing them back.
#include "base/caption_number.h"
#include "base/text.h"

#include <QtTest>
#include <cfloat>
#include <climits>

using namespace zelto;

class CaptionNumber : public QObject {
    Q_OBJECT

private slots:
    void readsTheLeadingNumber_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("whole"); // rounded half to even, saturated to 32 bits
        QTest::newRow("record line") << QByteArray("1500\r\n") << 1500.0 << 1500;
        QTest::newRow("empty") << QByteArray("") << 0.0 << 0;
        QTest::newRow("letters") << QByteArray("abc") << 0.0 << 0;
        QTest::newRow("digits then letters") << QByteArray("12abc") << 12.0 << 12;
        QTest::newRow("blanks, tabs, line feeds") << QByteArray(" 1 5\t0\n0") << 1500.0 << 1500;
        QTest::newRow("carriage return ends it") << QByteArray("12\r34") << 12.0 << 12;
        QTest::newRow("blank after minus") << QByteArray("- 250") << -250.0 << -250;
        QTest::newRow("plus") << QByteArray("+3") << 3.0 << 3;
        QTest::newRow("2.5 to even") << QByteArray("2.5") << 2.5 << 2;
        QTest::newRow("13.5 to even") << QByteArray("13.5") << 13.5 << 14;
        QTest::newRow("-2.5 to even") << QByteArray("-2.5") << -2.5 << -2;
        QTest::newRow("600.51") << QByteArray("600.51") << 600.51 << 601;
        QTest::newRow("point first") << QByteArray(".5") << 0.5 << 0;
        QTest::newRow("lone point") << QByteArray(".") << 0.0 << 0;
        QTest::newRow("exponent") << QByteArray("1.5e3") << 1500.0 << 1500;
        QTest::newRow("exponent with D") << QByteArray("2D2") << 200.0 << 200;
        QTest::newRow("negative exponent") << QByteArray("25e-1") << 2.5 << 2;
        QTest::newRow("exponent without digits") << QByteArray("7e") << 7.0 << 7;
        QTest::newRow("exponent with zeros") << QByteArray("1e-00000000000000000003") << 0.001 << 0;
        QTest::newRow("long exponent") << QByteArray("1e1234567890123456") << DBL_MAX << INT_MAX;
        QTest::newRow("long negative exponent") << QByteArray("-1e-1234567890123") << -0.0 << 0;
        QTest::newRow("second point ends it") << QByteArray("1.2.3") << 1.2 << 1;
        QTest::newRow("comma ends it") << QByteArray("1,500") << 1.0 << 1;
        QTest::newRow("over 32 bits") << QByteArray("99999999999") << 99999999999.0 << INT_MAX;
        QTest::newRow("below 32 bits") << QByteArray("-99999999999") << -99999999999.0 << INT_MIN;
        QTest::newRow("beyond a double") << QByteArray("1e400") << DBL_MAX << INT_MAX;
        QTest::newRow("beyond a double, negative") << QByteArray("-1e400") << -DBL_MAX << INT_MIN;
        QTest::newRow("underflow") << QByteArray("1e-400") << 0.0 << 0;
        QTest::newRow("underflow without exponent")
            << QByteArray("0." + QByteArray(400, '0') + "1") << 0.0 << 0;
        QTest::newRow("int32 edge, above") << QByteArray("2147483647.5") << 2147483647.5 << INT_MAX;
        QTest::newRow("int32 edge, below")
            << QByteArray("-2147483648.5") << -2147483648.5 << INT_MIN;
        QTest::newRow("int32 edge, inside")
            << QByteArray("2147483646.4") << 2147483646.4 << 2147483646;
    }
    void readsTheLeadingNumber() {
        QFETCH(QByteArray, caption);
        QFETCH(double, value);
        QFETCH(int, whole);
        // The caption is a view into a longer text: nothing past its end may count.
        const QByteArray longer = caption + "9";
        const std::string_view text(longer.constData(), static_cast<std::size_t>(caption.size()));
        QCOMPARE(readCaptionNumber(text), value);
        QCOMPARE(readCaptionWhole(text), whole);
    }

    void numbersWriteInShortestForm_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("position"); // a single-precision value
        QTest::newRow("negative zero") << -0.0 << "0" << false;
        QTest::newRow("million keeps digits") << 1000000.0 << "1000000" << false;
        QTest::newRow("negative") << -80.0 << "-80" << false;
        QTest::newRow("fraction uses a point") << 12.5 << "12.5" << false;
        QTest::newRow("beyond whole digits") << 1e20 << "1e+20" << false;
        QTest::newRow("position") << 0.1 << "0.1" << true;
    }
    void numbersWriteInShortestForm() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QFETCH(bool, position);
        const std::string written =
            position ? formatNumber(static_cast<float>(value)) : formatNumber(value);
        QCOMPARE(QString::fromStdString(written), text);
    }
};

QTEST_APPLESS_MAIN(CaptionNumber)
#include "test_caption_number.moc"
