// The score board's parts without HTTP, on real SQLite files: games written from many threads
// at once are each kept once, in rank order, a name contested by many keys gets one owner; the
// schema is migrated once and a newer one refused; a client's rate and the memory it takes are
// bounded; a game is the same game however it is dressed; and the forms of --db.
#include "board/board.h"
#include "test_support.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace zelto::board;
using namespace std::chrono_literals;

class BoardTest : public QObject {
    Q_OBJECT

private slots:
    void databases_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found"); // describe(), user, options; empty: refused
        QTest::newRow("a file") << "board.sqlite"
                                << "SQLite board.sqlite  ";
        QTest::newRow("host and port") << "postgresql://ada@db.example.org:5433/scores"
                                       << "PostgreSQL scores on db.example.org:5433 ada ";
        QTest::newRow("unix socket, options")
            << "postgres:///scores?host=/run/postgresql&sslmode=require&bad;x=y"
            << "PostgreSQL scores on /run/postgresql  sslmode=require";
        QTest::newRow("no database") << "postgresql://localhost/"
                                     << "";
        QTest::newRow("a path") << "postgresql://localhost/a/b"
                                << "";
    }
    void databases() {
        QFETCH(QString, text);
        QFETCH(QString, found);
        QString problem;
        const auto database = Database::parse(text, problem);
        QCOMPARE(database ? database->describe() + ' ' + database->user + ' ' + database->options
                          : QString(),
                 found);
        QCOMPARE(problem.isEmpty(), database.has_value());
    }

    // Eight threads add the same 30 games, and each its own game under each of three names.
    void manyWritersAtOnce() {
        QTemporaryDir folder;
        Database database;
        database.name = folder.filePath("board.sqlite");
        Store store(database);
        store.migrate();
        std::atomic<int> added{0}, duplicates{0}, taken{0};
        std::vector<std::thread> writers;
        for (int writer = 0; writer < 8; ++writer) {
            writers.emplace_back([&, writer] {
                for (int n = 0; n < 33; ++n) {
                    NewGame game;
                    game.game = n < 30 ? QByteArray::number(n)
                                       : "named" + QByteArray::number(n * 8 + writer);
                    game.bytes = game.game;
                    game.keyHash = QByteArray::number(writer);
                    if (n >= 30)
                        game.name = "Name " + std::to_string(n);
                    game.score = n * 7 % 5 * 100;
                    game.submitted = 1000 + n % 4;
                    game.recording = "bytes";
                    const auto outcome = store.add(game).outcome;
                    (outcome == Store::Outcome::Added       ? added
                     : outcome == Store::Outcome::Duplicate ? duplicates
                                                            : taken)++;
                }
            });
        }
        for (std::thread& writer : writers)
            writer.join();
        QCOMPARE(added.load(), 30 + 3);
        QCOMPARE(duplicates.load(), 30 * 7);
        QCOMPARE(taken.load(), 3 * 7);
        std::int64_t total = 0;
        const auto entries = store.page(100, 0, total);
        QCOMPARE(total, 33);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            QCOMPARE(e.rank, std::int64_t(i + 1));
            QCOMPARE(store.find(e.id)->rank, e.rank);
            if (i > 0) {
                const Entry& p = entries[i - 1];
                QVERIFY(std::tuple(-p.score, p.submitted, p.id) <
                        std::tuple(-e.score, e.submitted, e.id));
            }
        }
        QCOMPARE(store.recording(entries[0].id), QByteArray("bytes"));
        // The first page is read again once the table has grown.
        NewGame best;
        best.game = best.bytes = best.keyHash = best.recording = "best";
        best.score = 1000;
        store.add(best);
        QCOMPARE(store.page(1, 0, total).front().score, 1000);
        QCOMPARE(total, 34);
    }

    void schemaVersions() {
        QTemporaryDir folder;
        Database database;
        database.name = folder.filePath("board.sqlite");
        {
            Store store(database);
            store.migrate();
            store.migrate();
        }
        {
            auto db = QSqlDatabase::addDatabase("QSQLITE", "poke");
            db.setDatabaseName(database.name);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("SELECT COUNT(*), MAX(version) FROM schema_version") &&
                    query.next());
            QCOMPARE(query.value(0).toInt(), 1);
            QCOMPARE(query.value(1).toInt(), Store::kSchemaVersion);
            QVERIFY(query.exec("UPDATE schema_version SET version = version + 1"));
        }
        QSqlDatabase::removeDatabase("poke");
        Store newer(database);
        QVERIFY_THROWS_EXCEPTION(StoreError, newer.migrate());
    }

    // A token a second, three clients at most: a full table turns new clients away until a
    // minute passes; a bucket is carried over that minute, then forgotten.
    void rates() {
        RateLimiter limiter(60, 3);
        const auto start = RateLimiter::Clock::now();
        for (int i = 0; i < 60; ++i)
            QCOMPARE(limiter.take("a", start), 0);
        QCOMPARE(limiter.take("a", start), 1);
        QCOMPARE(limiter.take("a", start + 1s), 0);
        QCOMPARE(limiter.take("a", start + 1500ms), 1);
        QCOMPARE(limiter.take("b", start + 2s), 0);
        QCOMPARE(limiter.take("c", start + 2s), 0);
        QCOMPARE(limiter.take("d", start + 2s), 60);
        QCOMPARE(limiter.take("a", start + 61s), 0);
        QCOMPARE(limiter.take("d", start + 61s), 0);
    }

    // Each row changes gameover-quit.zrp: "PATTERN|REPLACEMENT", and whether it is the same game.
    void sameGame_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("same");
        QTest::newRow("a comment") << "^|# kept\n" << true;
        QTest::newRow("a player") << "(best .*\n)|\\1player \"Ada\"\n" << true;
        QTest::newRow("a pause") << "(key m \\+3\n)|\\1pause 900\n" << true;
        QTest::newRow("answered later") << "answer \\+1353|answer +20" << true;
        QTest::newRow("a tick code's unused bits") << "ticks 19 GH144H0|ticks 19 GH144H1" << true;
        QTest::newRow("a key changed") << "key z \\+2|key x +2" << false;
        QTest::newRow("a key later") << "key z \\+2|key z +3" << false;
    }
    void sameGame() {
        QFETCH(QString, change);
        QFETCH(bool, same);
        const QString text = QString::fromStdString(
            zelto::test::readFile(ZELTO_SOURCE_DIR "/tests/data/recordings/gameover-quit.zrp"));
        const QStringList parts = change.split('|');
        const QString changed = QString(text).replace(QRegularExpression(parts[0]), parts[1]);
        const zelto::script::Limits limits;
        QVERIFY(changed != text);
        QCOMPARE(gameIdentity(changed.toStdString(), limits) ==
                     gameIdentity(text.toStdString(), limits),
                 same);
    }
};

QTEST_GUILESS_MAIN(BoardTest)
#include "test_board.moc"
