// The player's settings: a change written whole and read back, and a damaged file read as the
// defaults with one warning and left as it is until the player changes a setting.
#include "settings/settings.h"
#include "test_support.h"

#include <QSignalSpy>
#include <QtTest>

using namespace zelto;
using namespace zelto::test;

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void aChangeIsWrittenWholeAndReadBack() {
        const QTemporaryDir home;
        const QString file = home.filePath("zelto/zelto.conf"); // the folder is made too
        SettingsStore store;
        store.open(file);
        QCOMPARE(store.current(), Settings());
        Settings changed;
        changed.keys = Settings::arrowsAndSpace();
        QVERIFY(changed.addKey(Command::Pause, Qt::CTRL | Qt::Key_Comma)); // a comma in its name
        QVERIFY(changed.addKey(Command::FullScreen, Qt::Key_Left));        // taken from Left
        for (const QKeyCombination fixed :
             {Qt::SHIFT | Qt::Key_M, QKeyCombination(Qt::Key_F11), QKeyCombination(Qt::Key_Shift)})
            QVERIFY(!changed.addKey(Command::Fire, fixed));
        changed.fullScreen = true;
        changed.musicAtStart = false;
        changed.musicVolume = 40;
        changed.effectsVolume = 0;
        changed.boardUrl = "https://scores.example.org/zelto";
        const QSignalSpy told(&store, &SettingsStore::changed);
        store.change(Settings());
        QVERIFY(!QFile::exists(file)); // the defaults unchanged are not written
        store.change(changed);
        QCOMPARE(told.count(), 1);

        SettingsStore again;
        again.open(file);
        QCOMPARE(again.current(), changed);
        QCOMPARE(again.current().keys[int(Command::Left)], QList<QKeyCombination>());
        QCOMPARE(again.current().commandFor(Qt::Key_Left), Command::FullScreen);
        QCOMPARE(again.current().commandFor(Qt::SHIFT | Qt::Key_Space), std::nullopt);
        QVERIFY(!QFile::exists(file + ".lock"));
    }

    void aDamagedFileGivesTheDefaultsWithOneWarningUntilAChange_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        QTest::newRow("unparsable") << QByteArray("[game\nfullScreen=true\n") << "cannot be read";
        QTest::newRow("no setting") << QByteArray("\xff\xfe\0\1garbage", 11) << "holds no setting";
        QTest::newRow("misspelt") << QByteArray("[game]\nfullscreen=true\n")
                                  << "game/fullscreen, which is no setting";
        QTest::newRow("no flag") << QByteArray("[game]\nmusicAtStart=no\n") << "neither true";
        QTest::newRow("too loud") << QByteArray("[volume]\nmusic=101\n") << "not a volume";
        QTest::newRow("no number") << QByteArray("[volume]\neffects=loud\n") << "not a volume";
        QTest::newRow("no key") << QByteArray("[keys]\nfire=Spacebar\n") << "which is no key";
        QTest::newRow("a chord") << QByteArray("[keys]\nfire=\"Left, Right\"\n") << "is no key";
        QTest::newRow("a letter") << QByteArray("[keys]\nfire=M\n") << "game's own or taken";
        QTest::newRow("no board") << QByteArray("[board]\nurl=ftp://scores.example.org\n")
                                  << "not an http or https address";
        QTest::newRow("key twice")
            << QByteArray("[keys]\nleft=Left\nright=Left\n") << "game's own or taken";
    }
    void aDamagedFileGivesTheDefaultsWithOneWarningUntilAChange() {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        const QTemporaryDir home;
        const QString file = home.filePath("zelto.conf");
        writeFile(file.toStdString(), content.toStdString());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^" + QRegularExpression::escape(file) + ": .*" +
                                                QRegularExpression::escape(why)));
        QTest::failOnWarning(QRegularExpression("."));
        SettingsStore store;
        store.open(file);
        QCOMPARE(store.current(), Settings());
        store.change(Settings());
        QCOMPARE(readFile(file.toStdString()), content.toStdString());

        Settings quieter;
        quieter.musicVolume = 50;
        store.change(quieter);
        SettingsStore again;
        again.open(file);
        QCOMPARE(again.current(), quieter);
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
