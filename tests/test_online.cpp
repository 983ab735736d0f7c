// The game and the score board: what each answer of a board (one on a loopback socket that
// answers as told) makes of a game in the outbox, sent, refused for good or waiting for a
// while, however strange the answer; a game sent once and in order; the player's key.
#include "online/sender.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <sys/stat.h>

using namespace zelto;
using namespace zelto::test;

namespace {

/// A board on 127.0.0.1 that answers every whole request with `answer` and closes, and keeps
/// the bodies it was sent.
struct FakeBoard {
    QTcpServer server;
    QByteArray answer;
    QList<QByteArray> bodies;

    FakeBoard() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                QByteArray request = socket->property("in").toByteArray() + socket->readAll();
                socket->setProperty("in", request);
                const qsizetype end = request.indexOf("\r\n\r\n");
                const QRegularExpression length("content-length: *(\\d+)",
                                                QRegularExpression::CaseInsensitiveOption);
                const auto match = length.match(QString::fromLatin1(request.left(end)));
                const qsizetype size = match.hasMatch() ? match.captured(1).toLongLong() : 0;
                if (end < 0 || request.size() < end + 4 + size)
                    return;
                bodies << request.mid(end + 4);
                socket->write(answer);
                socket->disconnectFromHost();
            });
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()));
    }
};

QByteArray http(const QByteArray& status, const QByteArray& body, const QByteArray& headers = {}) {
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Written with single quotes, which moc reads better than raw strings.
const QByteArray kEntry = QByteArray("{'rank':3,'id':17,'name':'Ada','score':1350,'length_ms':"
                                     "134000,'keys':37,'submitted':'2026-12-07T10:00:00Z'}")
                              .replace('\'', '"');

/// What the outbox says of `name`: "sent ID RANK", "refused REASON" or "waiting".
QString said(const Sender& sender, const QString& name) {
    const Delivery d = sender.outbox().deliveries().value(name);
    return d.state == Delivery::State::Sent
               ? QStringLiteral("sent %1 %2").arg(d.entry.id).arg(d.entry.rank)
           : d.state == Delivery::State::Refused ? "refused " + d.reason
                                                 : QStringLiteral("waiting");
}

} // namespace

class OnlineTest : public QObject {
    Q_OBJECT

private slots:
    // Each row: the board's answer; what becomes of the game; why it waits; the pause after.
    void eachAnswerOfTheBoard_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("pause");
        const QByteArray lineError = "{\"error\": \"line 57: Label1.Caption is \\\"100\\\"\"}";
        QTest::newRow("kept") << http("201 Created", kEntry) << "sent 17 3"
                              << "" << 0;
        QTest::newRow("held already") << http("200 OK", kEntry) << "sent 17 3"
                                      << "" << 0;
        QTest::newRow("does not check out")
            << http("422 Unprocessable", lineError) << "refused line 57: Label1.Caption is \"100\""
            << "" << 0;
        QTest::newRow("a name of another key")
            << http("409 Conflict", "{\"error\": \"this name belongs to another key\"}")
            << "refused this name belongs to another key"
            << "" << 0;
        QTest::newRow("no name") << http("400 Bad Request", "{}") << "refused status 400"
                                 << "" << 0;
        QTest::newRow("too large") << http("413 Too Large", "") << "refused status 413"
                                   << "" << 0;
        QTest::newRow("too many") << http("429 Too Many", "{}", "Retry-After: 120\r\n") << "waiting"
                                  << "status 429" << 120000;
        QTest::newRow("no database")
            << http("503 Unavailable", "{}", "Retry-After: 1\r\n") << "waiting"
            << "status 503" << Sender::kFirstPauseMs;
        QTest::newRow("no such address") << http("404 Not Found", "<html>") << "waiting"
                                         << "status 404 (404)" << Sender::kFirstPauseMs;
        QTest::newRow("kept, but no JSON") << http("201 Created", "<html>") << "waiting"
                                           << "no entry" << Sender::kFirstPauseMs;
        QByteArray shape = kEntry;
        QTest::newRow("kept, a rank in words")
            << http("201 Created", shape.replace("\"rank\":3", "\"rank\":\"3\"")) << "waiting"
            << "no entry" << Sender::kFirstPauseMs;
        QTest::newRow("kept, 600 KB of it, unannounced")
            << "HTTP/1.1 201 Created\r\n\r\n" + QByteArray(600 * 1024, ' ') + kEntry << "waiting"
            << "larger than 524288 bytes" << Sender::kFirstPauseMs;
        QTest::newRow("a gigabyte announced")
            << QByteArray("HTTP/1.1 201 Created\r\nContent-Length: 1000000000\r\n\r\n{")
            << "waiting"
            << "larger than" << Sender::kFirstPauseMs;
        QTest::newRow("redirected forever")
            << QByteArray(
                   "HTTP/1.1 307 Again\r\nLocation: /api/v1/games\r\nContent-Length: 0\r\n\r\n")
            << "waiting"
            << "redirect" << Sender::kFirstPauseMs;
        QTest::newRow("redirected away from the web")
            << QByteArray("HTTP/1.1 308 Away\r\nLocation: ftp://127.0.0.1/\r\n\r\n") << "waiting"
            << "a redirect to ftp" << Sender::kFirstPauseMs;
        QTest::newRow("half an answer")
            << QByteArray("HTTP/1.1 201 Created\r\nContent-Le") << "waiting"
            << "" << Sender::kFirstPauseMs;
    }
    void eachAnswerOfTheBoard() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, outcome);
        QFETCH(QString, problem);
        QFETCH(int, pause);
        const QTemporaryDir home;
        FakeBoard board;
        board.answer = answer;
        Sender sender(home.filePath("outbox"), home.filePath("key"));
        sender.setBoard(board.url());
        if (outcome.startsWith("refused")) // the one message a player sees
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused the game game.zrp"));
        QTest::failOnWarning(QRegularExpression("."));
        sender.post("game.zrp", "recording\n");
        QTRY_VERIFY(!sender.problem().isEmpty() || said(sender, "game.zrp") != "waiting");
        QCOMPARE(said(sender, "game.zrp"), outcome);
        QVERIFY2(sender.problem().contains(problem), qPrintable(sender.problem()));
        QCOMPARE(sender.pauseMs(), pause);
        QCOMPARE(QDir(home.filePath("outbox")).entryList({"*.zrp"}).size(), int(pause > 0));
    }

    // Without a board nothing is kept or sent; with one, the games go in the order of their
    // names, once each: one answered before a kill is not sent again. A second failure waits
    // twice as long.
    void eachGameGoesOnceInOrder() {
        const QTemporaryDir home;
        FakeBoard board;
        board.answer = http("201 Created", kEntry);
        Sender sender(home.filePath("outbox"), home.filePath("key"));
        sender.post("a.zrp", "a");
        QTest::qWait(50);
        QVERIFY(!QFile::exists(home.filePath("outbox")) && board.bodies.isEmpty());
        QVERIFY(sender.outbox().put("c.zrp", "c") && sender.outbox().put("b.zrp", "b"));
        QVERIFY(sender.outbox().put("answered.zrp", "x"));
        QVERIFY(
            sender.outbox().settle("answered.zrp", {Delivery::State::Refused, "", {}, "no", {}}));
        QVERIFY(sender.outbox().put("answered.zrp", "x"));
        sender.setBoard(board.url());
        QTRY_COMPARE(board.bodies, QList<QByteArray>({"b", "c"}));
        QTRY_COMPARE(sender.outbox().waiting(), QStringList()); // the last answer is read after
        QCOMPARE(said(sender, "answered.zrp"), "refused no");

        board.answer = http("503 Unavailable", "{}");
        sender.post("d.zrp", "d");
        QTRY_COMPARE(sender.pauseMs(), Sender::kFirstPauseMs);
        sender.post("e.zrp", "e"); // sent at once, failing again
        QTRY_COMPARE(sender.pauseMs(), 2 * Sender::kFirstPauseMs);
        QCOMPARE(board.bodies.mid(2), QList<QByteArray>({"d", "d"}));
    }

    // Made once, 64 hex digits, mode 600, and kept; a damaged one is set aside for a new one.
    void thePlayersKey() {
        const QTemporaryDir home;
        const QString file = home.filePath("zelto/board-key");
        const auto key = playerKey(file);
        QVERIFY(key && QRegularExpression("^[0-9a-f]{64}$").match(*key).hasMatch());
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(file).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        QCOMPARE(playerKey(file), key);
        QCOMPARE(QDir(home.filePath("zelto")).entryList(QDir::Files), QStringList{"board-key"});
        writeFile(file.toStdString(), key->toUpper().toStdString());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("was damaged"));
        const auto again = playerKey(file);
        QVERIFY(again && again != key);
        QCOMPARE(readFile((file + ".damaged").toStdString()), key->toUpper().toStdString());
    }
};

QTEST_MAIN(OnlineTest)
#include "test_online.moc"
