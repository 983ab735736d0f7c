// Reading numbers from captions, and writing them back.
#include "field/text.h"
#include "scoring/caption_number.h"

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
        QTest::addColumn<int>("whole");
        QTest::newRow("plain") << QByteArray("1500") << 1500.0 << 1500;
        QTest::newRow("record line") << QByteArray("1500\r\n") << 1500.0 << 1500;
        QTest::newRow("empty") << QByteArray("") << 0.0 << 0;
        QTest::newRow("letters") << QByteArray("abc") << 0.0 << 0;
        QTest::newRow("digits then letters") << QByteArray("12abc") << 12.0 << 12;
        QTest::newRow("blanks inside") << QByteArray("1 5 0 0") << 1500.0 << 1500;
        QTest::newRow("tabs and line feeds") << QByteArray("\t1\n2\n") << 12.0 << 12;
        QTest::newRow("carriage return ends it") << QByteArray("12\r34") << 12.0 << 12;
        QTest::newRow("leading blanks") << QByteArray("   7") << 7.0 << 7;
        QTest::newRow("minus") << QByteArray("-250") << -250.0 << -250;
        QTest::newRow("plus") << QByteArray("+3") << 3.0 << 3;
        QTest::newRow("blank after sign") << QByteArray("- 5") << -5.0 << -5;
        QTest::newRow("fraction") << QByteArray("12.5") << 12.5 << 12;
        QTest::newRow("half rounds to even up") << QByteArray("13.5") << 13.5 << 14;
        QTest::newRow("point first") << QByteArray(".5") << 0.5 << 0;
        QTest::newRow("lone point") << QByteArray(".") << 0.0 << 0;
        QTest::newRow("exponent") << QByteArray("1.5e3") << 1500.0 << 1500;
        QTest::newRow("exponent with D") << QByteArray("2D2") << 200.0 << 200;
        QTest::newRow("negative exponent") << QByteArray("25e-1") << 2.5 << 2;
        QTest::newRow("exponent without digits") << QByteArray("7e") << 7.0 << 7;
        QTest::newRow("second point ends it") << QByteArray("1.2.3") << 1.2 << 1;
        QTest::newRow("comma ends it") << QByteArray("1,500") << 1.0 << 1;
        QTest::newRow("over 32 bits saturates")
            << QByteArray("99999999999") << 99999999999.0 << INT_MAX;
        QTest::newRow("below 32 bits saturates")
            << QByteArray("-99999999999") << -99999999999.0 << INT_MIN;
        QTest::newRow("beyond a double") << QByteArray("1e400") << DBL_MAX << INT_MAX;
        QTest::newRow("beyond a double negative") << QByteArray("-1e400") << -DBL_MAX << INT_MIN;
        QTest::newRow("underflow") << QByteArray("1e-400") << 0.0 << 0;
    }
    void readsTheLeadingNumber() {
        QFETCH(QByteArray, caption);
        QFETCH(double, value);
        QFETCH(int, whole);
        const std::string_view text(caption.constData(), static_cast<std::size_t>(caption.size()));
        QCOMPARE(readCaptionNumber(text), value);
        QCOMPARE(readCaptionWhole(text), whole);
    }

    void wholeReadingRoundsHalfToEven_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<int>("whole");
        QTest::newRow("0.5") << QByteArray("0.5") << 0;
        QTest::newRow("1.5") << QByteArray("1.5") << 2;
        QTest::newRow("2.5") << QByteArray("2.5") << 2;
        QTest::newRow("-2.5") << QByteArray("-2.5") << -2;
        QTest::newRow("600.5 stays at 600") << QByteArray("600.5") << 600;
        QTest::newRow("600.51") << QByteArray("600.51") << 601;
    }
    void wholeReadingRoundsHalfToEven() {
        QFETCH(QByteArray, caption);
        QFETCH(int, whole);
        QCOMPARE(readCaptionWhole(caption.toStdString()), whole);
    }

    void scoreCaptionReadsStrictlyAndNeverFails_data() {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<double>("value");
        QTest::newRow("number") << QByteArray("150") << 150.0;
        QTest::newRow("blanks around") << QByteArray(" 150 ") << 150.0;
        QTest::newRow("not a number falls back") << QByteArray("abc") << 0.0;
        QTest::newRow("blanks inside fall back") << QByteArray("1 5") << 15.0;
    }
    void scoreCaptionReadsStrictlyAndNeverFails() {
        QFETCH(QByteArray, caption);
        QFETCH(double, value);
        QCOMPARE(readScoreCaption(caption.toStdString()), value);
    }

    void numbersWriteInShortestForm_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("whole") << 1500.0 << "1500";
        QTest::newRow("million keeps digits") << 1000000.0 << "1000000";
        QTest::newRow("negative") << -80.0 << "-80";
        QTest::newRow("fraction uses a point") << 12.5 << "12.5";
        QTest::newRow("tenth") << 0.1 << "0.1";
    }
    void numbersWriteInShortestForm() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(formatNumber(value)), text);
    }

    void positionsWriteAsTheirSinglePrecisionValue() {
        QCOMPARE(QString::fromStdString(formatNumber(0.1f)), QString("0.1"));
        QCOMPARE(QString::fromStdString(formatNumber(3840.0f)), QString("3840"));
    }
};

QTEST_APPLESS_MAIN(CaptionNumber)
#include "test_caption_number.moc"
