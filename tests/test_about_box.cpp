// The about box: its texts after load, the ways to close it, and the banner's web page.
#include "screens/about_box.h"
#include "screens/logging.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

using namespace zelto;

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void init() {
        requests_.clear();
        frmAbout::setOpenWebPage([this](const QUrl& page) { requests_.append(page); });
    }
    void cleanup() { frmAbout::setOpenWebPage({}); }

    void loadFillsInCaptionVersionAndTitle();
    void enterEscapeAndOkCloseTheBoxFromItsFirstFocus_data();
    void enterEscapeAndOkCloseTheBoxFromItsFirstFocus();
    void eachBannerClickAsksForTheMakersPageOnce_data();
    void eachBannerClickAsksForTheMakersPageOnce();
    void aPageThatCannotBeOpenedIsToldOnlyWhenAskedFor();

private:
    QList<QUrl> requests_;
};

void TestAboutBox::loadFillsInCaptionVersionAndTitle() {
    const frmAbout box;
    QCOMPARE(box.windowTitle(), QStringLiteral("Informazioni su Zelto"));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Versione 1.0.0"));
    QCOMPARE(box.lblTitle->text(), QStringLiteral("Zelto"));
    // The notice names the page that the banner opens, and fits its label.
    const QLabel* notice = box.lblDescription;
    QVERIFY(notice->text().contains(frmAbout::makersPage().toString()));
    QVERIFY(notice->fontMetrics()
                .boundingRect(notice->rect(), Qt::TextWordWrap, notice->text())
                .height() <= notice->height());
}

void TestAboutBox::enterEscapeAndOkCloseTheBoxFromItsFirstFocus_data() {
    QTest::addColumn<int>("key"); // 0 clicks "OK"
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("click OK") << 0;
}

void TestAboutBox::enterEscapeAndOkCloseTheBoxFromItsFirstFocus() {
    QFETCH(int, key);
    frmAbout box;
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(QApplication::focusWidget(), box.cmdOK);

    if (key == 0)
        QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    else
        QTest::keyClick(&box, Qt::Key(key));

    QTRY_VERIFY(!box.isVisible());
    QVERIFY(requests_.isEmpty());
}

void TestAboutBox::eachBannerClickAsksForTheMakersPageOnce_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("requests");
    QTest::newRow("one click on the banner") << "Image1" << 1 << 1;
    QTest::newRow("three clicks on the banner") << "Image1" << 3 << 3;
    QTest::newRow("a click on the title") << "lblTitle" << 1 << 0;
}

void TestAboutBox::eachBannerClickAsksForTheMakersPageOnce() {
    QFETCH(QString, target);
    QFETCH(int, clicks);
    QFETCH(int, requests);
    frmAbout box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* clicked = box.findChild<QLabel*>(target);
    // A point that shows inside the window: the banner's left part is cut off.
    const QPoint at = clicked->mapFrom(&box, clicked->geometry().intersected(box.rect()).center());

    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(clicked, Qt::LeftButton, {}, at);

    QCOMPARE(requests_, QList<QUrl>(requests, QUrl(QStringLiteral("https://zelto.example.org/"))));
    QVERIFY(box.isVisible());
}

void TestAboutBox::aPageThatCannotBeOpenedIsToldOnlyWhenAskedFor() {
    frmAbout::setOpenWebPage([](const QUrl&) { throw std::runtime_error("no browser"); });
    frmAbout box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(!lcScreens().isDebugEnabled()); // a player's terminal stays clean

    QLoggingCategory::setFilterRules(QStringLiteral("zelto.*.debug=true"));
    QTest::ignoreMessage(QtDebugMsg, "the web page could not be opened: no browser");
    QTest::mouseClick(box.Image1, Qt::LeftButton, {}, box.Image1->mapFrom(&box, QPoint(10, 10)));
    QLoggingCategory::setFilterRules({});
    QVERIFY(box.isVisible());
}

QTEST_MAIN(TestAboutBox)
#include "test_about_box.moc"
