// The table of best games: names carried by recordings, the order and its ties, the tenth
// entry making way, a damaged index rebuilt from the recordings, and the way a game enters it
// in the program: the name box after a game over or the quit key, and the scores window.
#include "platform/logging.h"
#include "replay/verify.h"
#include "screens/program.h"
#include "screens/score_keeper.h"
#include "screens/scores_window.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "test_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace zelto;
using namespace zelto::test;

namespace {

/// Recordings of earlier versions, without a player line: by points.
std::string game(long long points) {
    return readFile(ZELTO_SOURCE_DIR "/tests/data/recordings/" +
                    std::string(points == 150 ? "gameover-ended" : "quit-paused") + ".zrp");
}

QDateTime minute(int m) {
    return QDateTime(QDate(2026, 12, 1), QTime(20, m), Qt::UTC);
}

/// "POINTS@MINUTE NAME" of each entry, best first.
QString listed(ScoreTable& table) {
    QStringList rows;
    for (const ScoreEntry& e : table.entries())
        rows << QStringLiteral("%1@%2 %3").arg(e.points).arg(e.ended.time().minute()).arg(e.name);
    return rows.join(", ");
}

/// The program as main builds it, keeping its table in a scratch folder, on a virtual clock,
/// its game's box answered at once; every name box is answered by the next of `names` (typed
/// over the name offered, which goes to `offered`; empty: Escape).
struct Running : MessageBoxes {
    QTemporaryDir folder;
    SilentSoundDevice sound;
    std::int64_t time = 0;
    Program app{setup()};
    Session& session = app.session();
    QStringList names, offered;
    QTimer answering;

    Running() {
        app.keepScores(folder.filePath("scores"));
        app.screens().showMenu();
        answering.callOnTimeout([this] {
            auto* box = qobject_cast<NameBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            offered << box->nameEdit->text();
            const QString name = names.isEmpty() ? QString() : names.takeFirst();
            QTest::keyClicks(box->nameEdit, name);
            QTest::keyClick(box, name.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
        answering.start(5);
    }
    SessionSetup setup() {
        return SessionSetup::onClock(folder.path().toStdString(), sound, *this, time);
    }
    bool over = false;
    void show(const QString&, const QString&) override { over = true; }
    bool answer() override { return false; }
    /// A game that scores with volleys, played until the rocks end it or, after `quitAfter`
    /// ms, the quit key; then its name box is answered.
    void play(char steer, std::int64_t quitAfter = 0) {
        const qsizetype asked = offered.size();
        over = false;
        app.showPlayField();
        session.type(steer);
        for (const std::int64_t start = time;
             !over && time < start + (quitAfter ? quitAfter : 40000);) {
            time += 5;
            session.advance();
            if ((time - start) % 1000 == 200)
                session.type('m');
        }
        if (quitAfter)
            session.type('q');
        QTRY_COMPARE(offered.size(), asked + 1);
    }
};

} // namespace

class ScoresTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The name offered first is the login name; none is kept from a test to the next.
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    }

    void namesCarriedByARecording_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("carried");
        QTest::newRow("a name") << "Ada" << true;
        QTest::newRow("20 characters") << "Ada Lovelace Byron 1" << true;
        QTest::newRow("21 characters") << "Ada Lovelace Byron 12" << false;
        QTest::newRow("20 two-byte characters") << QString(20, QChar(0xe8)) << true;
        QTest::newRow("21 two-byte characters") << QString(21, QChar(0xe8)) << false;
        QTest::newRow("20 four-byte characters") << QString("\U0001F680").repeated(20) << true;
        QTest::newRow("quotes and backslashes") << "\"A\\\" \\n" << true;
        QTest::newRow("a tab") << "Ada\tB" << false;
        QTest::newRow("delete") << "Ada\x7f" << false;
        QTest::newRow("a C1 control") << "Ada\u0085" << false;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("nothing") << "" << false;
    }
    void namesCarriedByARecording() {
        QFETCH(QString, name);
        QFETCH(bool, carried);
        const std::string text = game(200);
        QCOMPARE(verifyRecording(text).player, ""); // an earlier recording, unnamed
        const auto named = script::withPlayer(text, name.toStdString());
        QCOMPARE(named.has_value(), carried);
        if (!carried)
            return;
        // Named again: one player line, right after the best one, and the game checks out.
        const std::string renamed = *script::withPlayer(*named, name.toStdString());
        QVERIFY(renamed.find("best \"\"\nplayer \"") != std::string::npos);
        const Verdict verdict = verifyRecording(renamed);
        QVERIFY2(verdict.finished(), verdict.stop ? verdict.stop->text().c_str() : "");
        QCOMPARE(QString::fromStdString(verdict.player), name);
        QCOMPARE(verdict.points, 200);
    }

    // Each row: games entered (POINTS@MINUTE, one name for all), the table, the last place.
    void orderTiesAndTheTenth_data() {
        QTest::addColumn<QString>("games");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("place");
        QString tenOf150 = "150@1";
        for (int m = 2; m <= 10; ++m)
            tenOf150 += QStringLiteral(" 150@%1").arg(m);
        const QString nineOf150 = tenOf150.section(' ', 0, 8).replace(" ", " Ada, ") + " Ada";
        QTest::newRow("higher first, equal: earlier first")
            << "200@5 150@1 200@3"
            << "200@3 Ada, 200@5 Ada, 150@1 Ada" << 0;
        QTest::newRow("an eleventh better game: the tenth goes") << tenOf150 + " 200@11"
                                                                 << "200@11 Ada, " + nineOf150 << 0;
        QTest::newRow("an eleventh equal game, later: out")
            << tenOf150 + " 150@11" << nineOf150 + ", 150@10 Ada" << -1;
        QTest::newRow("an eleventh equal game, earlier: in") << tenOf150 + " 150@0"
                                                             << "150@0 Ada, " + nineOf150 << 0;
    }
    void orderTiesAndTheTenth() {
        QFETCH(QString, games);
        QFETCH(QString, table);
        QFETCH(int, place);
        QTemporaryDir folder;
        ScoreTable scores(folder.filePath("scores"));
        std::optional<int> last;
        for (const QString& g : games.split(' '))
            last = scores.add(game(g.section('@', 0, 0).toInt()), "Ada",
                              minute(g.section('@', 1).toInt()));
        QCOMPARE(last.value_or(-1), place);
        QCOMPARE(listed(scores), table);
        // A recording for each entry, no more, each named.
        const QStringList files = QDir(scores.folder()).entryList({"*.zrp"}, QDir::Files);
        QCOMPARE(files.size(), table.count(',') + 1);
        for (const QString& file : files)
            QCOMPARE(
                verifyRecording(readFile(scores.folder().toStdString() + '/' + file.toStdString()))
                    .player,
                "Ada");
    }

    // Rebuilt from the recordings, each checked: one that names nobody counts, one that does
    // not check out does not, and a damaged index is set aside with a warning.
    void aDamagedIndexIsRebuilt_data() {
        QTest::addColumn<QString>("damage"); // a regular expression and its replacement
        QTest::newRow("missing") << "";
        QTest::newRow("no index") << "[\\s\\S]*|hello\n";
        QTest::newRow("lines swapped") << "\n(.*)\n(.*)\n|\n\\2\n\\1\n";
        QTest::newRow("a field short") << "\t[^\t]*\n|\n";
        QTest::newRow("a name too long") << "Ada\n|Ada Lovelace Byron 12\n";
        QTest::newRow("an eleventh entry") << "\n(.*\n)|\n\\1\\1\\1\\1\\1\\1\\1\\1\\1";
    }
    void aDamagedIndexIsRebuilt() {
        QFETCH(QString, damage);
        QTemporaryDir folder;
        ScoreTable scores(folder.path());
        scores.add(game(200), "Ada", minute(2));
        scores.add(game(150), "Bob", minute(1));
        const QString stamp = minute(3).toString("yyyyMMdd-HHmmsszzz");
        writeFile(folder.filePath(stamp + "-1.zrp").toStdString(), game(150)); // unnamed
        writeFile(folder.filePath(stamp + "-2.zrp").toStdString(), game(150) + "key x\n");
        const std::string index = folder.filePath("index").toStdString();
        if (damage.isEmpty()) {
            QFile::remove(folder.filePath("index"));
        } else {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("damaged and has been rebuilt"));
            writeFile(index, QString::fromStdString(readFile(index))
                                 .replace(QRegularExpression(damage.section('|', 0, 0)),
                                          damage.section('|', 1))
                                 .toStdString());
        }
        QCOMPARE(listed(scores), "200@2 Ada, 150@1 Bob, 150@3 ");
        QCOMPARE(QFile::exists(folder.filePath("index.damaged")), !damage.isEmpty());
        QCOMPARE(listed(scores), "200@2 Ada, 150@1 Bob, 150@3 "); // the index written again
    }

    // A game over asks the name at once and ends the game; the quit key asks it once the game
    // has ended, offering the last name; a name box closed keeps the game out, and the field
    // stays as it was. The scores window shows the table, the new game current.
    void gamesEnterByTheNameBox() {
        Running running;
        running.names = {"Ada Lovelace Byron 12", "Bob", ""}; // the box takes 20 characters
        running.play('x');
        QTRY_VERIFY(running.app.scores().window());
        QVERIFY(!running.session.isOpen()); // ended by its name
        const QString first = QString::number(running.app.scores().table()->entries()[0].points);
        ScoresWindow* window = running.app.scores().window();
        QCOMPARE(window->currentRow(), 0);
        running.play('z', 3000);
        QCOMPARE(running.offered.last(), "Ada Lovelace Byron 1");
        ScoreTable& table = *running.app.scores().table();
        QTRY_COMPARE(table.entries().size(), 2);
        QVERIFY(table.entries()[0].points >= table.entries()[1].points);
        QCOMPARE(window->currentRow(), table.entries()[0].name == "Bob" ? 0 : 1);
        QCOMPARE(QString::number(table.entries()[window->currentRow() ? 0 : 1].points), first);
        // Declined: the game over's field stays, and the quit key asks no more.
        running.play('x');
        QVERIFY(running.session.isOpen() && running.names.isEmpty());
        running.session.type('q');
        QTest::qWait(20);
        QCOMPARE(running.offered.size(), 3);
        QCOMPARE(table.entries().size(), 2);
        // The controller moves between the rows and closes the window; F2 opens it again.
        window->press(PadButton::Down);
        QCOMPARE(window->currentRow(), 1);
        window->press(PadButton::East);
        QTRY_VERIFY(!running.app.scores().window());
        running.app.screens().showMenu();
        QVERIFY(QTest::qWaitForWindowActive(&running.app.screens().menu()));
        QTest::keyClick(&running.app.screens().menu(), Qt::Key_F2);
        QVERIFY(running.app.scores().window());
        QCOMPARE(running.app.scores().window()->table->topLevelItemCount(), 2);
    }
};

QTEST_MAIN(ScoresTest)
#include "test_scores.moc"
