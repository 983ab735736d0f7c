#include "screens/score_keeper.h"

#include "base/caption_number.h"
#include "online/sender.h"
#include "platform/logging.h"
#include "replay/verify.h"
#include "screens/scores_window.h"
#include "settings/settings.h"
#include "shell/session.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace zelto {

ScoreKeeper::ScoreKeeper(ScoreKeeperHost& program, MessageBoxes& boxes)
    : program_(program), boxes_(boxes) {}

ScoreKeeper::~ScoreKeeper() {
    delete window_.data();
}

ScoresWindow* ScoreKeeper::window() const {
    return window_;
}

void ScoreKeeper::keep(const QString& folder) {
    if (!table_)
        connect(&program_.session(), &Session::gameRecorded, this, [this](const std::string& text) {
            // The session is inside the input that ended the game, the field's window closing.
            QTimer::singleShot(0, this, [this, text] { enter(text); });
        });
    table_.emplace(folder);
}

void ScoreKeeper::show(const QString& text, const QString& title) {
    boxes_.show(text, title);
    // The box is answered inside the tick that opened it, which must end before the field may.
    QTimer::singleShot(0, this, &ScoreKeeper::afterGameOver);
}

void ScoreKeeper::afterGameOver() {
    Session& session = program_.session();
    if (!table_ || !session.isOpen() || session.isWatching() || named_)
        return;
    const double points = readCaptionNumber(session.field().form()->Label1.caption);
    if (points < 1 ||
        !table_->wouldEnter(static_cast<long long>(points), QDateTime::currentDateTimeUtc()))
        return;
    named_ = askName(static_cast<long long>(points)).value_or(QString());
    if (!named_->isEmpty())
        session.close(); // the recording ends, and enters the table as the game's
}

void ScoreKeeper::enter(const std::string& text) {
    const std::optional<QString> named = std::exchange(named_, std::nullopt);
    const QDateTime ended = QDateTime::currentDateTimeUtc();
    const Verdict verdict = verifyRecording(text);
    if (!table_ || !verdict.finished() || (named && named->isEmpty()) ||
        !table_->wouldEnter(verdict.points, ended))
        return;
    const std::optional<QString> name = named ? named : askName(verdict.points);
    if (!name)
        return;
    Settings settings = program_.settings().current();
    settings.playerName = *name;
    program_.settings().change(settings);
    ScoreEntry entered;
    const auto place = table_->add(text, *name, ended, &entered);
    if (Sender* sender = program_.sender()) {
        QFile copy(table_->pathOf(entered));
        if (place && copy.open(QIODevice::ReadOnly))
            sender->post(entered.file, copy.read(Sender::kLargestGame + 1));
        QStringList kept;
        for (const ScoreEntry& entry : table_->entries())
            kept << entry.file;
        sender->outbox().forgetAnswersBut(kept);
    }
    showScores(place.value_or(-1));
}

std::optional<QString> ScoreKeeper::askName(long long points) {
    NameBox box(points, suggestedPlayerName(program_.settings().current().playerName));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.name();
}

void ScoreKeeper::showScores(int marked) {
    if (!window_) {
        window_ = new ScoresWindow;
        window_->setAttribute(Qt::WA_DeleteOnClose);
        connect(window_, &ScoresWindow::watchRequested, this, &ScoreKeeper::watch);
        connect(window_, &ScoresWindow::watchBoardRequested, this, &ScoreKeeper::watchBoard);
        connect(window_, &ScoresWindow::boardChosen, this, &ScoreKeeper::join);
        const auto canWatch = [this] { window_->setCanWatch(!program_.session().isOpen()); };
        connect(&program_.session(), &Session::changed, window_, canWatch);
        canWatch();
    }
    const QList<ScoreEntry> entries = table_ ? table_->entries() : QList<ScoreEntry>();
    window_->setEntries(table_ ? table_->folder() : QString(), entries, marked);
    if (lcScores().isDebugEnabled()) {
        QStringList rows;
        for (const ScoreEntry& entry : entries)
            rows << QStringLiteral("%1 %2").arg(entry.points).arg(entry.name);
        qCDebug(lcScores, "the scores window shows: %s", qPrintable(rows.join(", ")));
    }
    showOnline(true);
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ScoreKeeper::showOnline(bool ask) {
    if (!window_)
        return;
    Sender* sender = program_.sender();
    const QString board = program_.settings().current().boardUrl;
    QMap<QString, Delivery> deliveries =
        sender ? sender->outbox().deliveries() : QMap<QString, Delivery>();
    for (Delivery& delivery : deliveries) {
        if (delivery.state == Delivery::State::Sent && delivery.board == board)
            delivery.entry.rank = ranks_.value(delivery.entry.id, delivery.entry.rank);
    }
    window_->setDeliveries(board, deliveries, sender ? sender->problem() : QString());
    // A game that has come onto this board since it was asked changes its table; the count is
    // taken on every call, so that the games sent before the window opened ask nothing more.
    const auto sent =
        std::count_if(deliveries.cbegin(), deliveries.cend(), [&board](const Delivery& d) {
            return d.state == Delivery::State::Sent && d.board == board;
        });
    const bool more = sent > std::exchange(sent_, sent);
    ask = ask || more;
    BoardClient* client = sender ? sender->client() : nullptr;
    if (!ask || !client)
        return;
    window_->setBoardTable({}, -1, {});
    const QUrl url = sender->board();
    client->get(boardUrl(url, QStringLiteral("/api/v1/scores?limit=100")), BoardClient::kAnswerCap,
                window_, [this](const BoardAnswer& answer) {
                    const auto table = answer.status == 200 ? readTable(answer.body) : std::nullopt;
                    const QString problem = table ? QString()
                                            : answer.status == 200
                                                ? QStringLiteral("its answer is no table")
                                                : answer.failure();
                    if (!table)
                        qCInfo(lcBoard, "the board's table cannot be read: %s",
                               qPrintable(problem));
                    window_->setBoardTable(table ? table->first : QList<BoardEntry>(),
                                           table ? table->second : -1, problem);
                });
    for (const Delivery& delivery : std::as_const(deliveries)) {
        if (delivery.state != Delivery::State::Sent || delivery.board != board)
            continue;
        const qint64 id = delivery.entry.id;
        client->get(boardUrl(url, QStringLiteral("/api/v1/games/%1").arg(id)),
                    BoardClient::kAnswerCap, window_, [this, id](const BoardAnswer& answer) {
                        const auto entry = readEntry(QJsonDocument::fromJson(answer.body).object());
                        if (answer.status == 200 && entry && entry->id == id) {
                            ranks_.insert(id, entry->rank);
                            showOnline(false);
                        } else {
                            qCInfo(lcBoard, "the rank of game %lld cannot be read: %s", id,
                                   qPrintable(answer.status == 200 ? QStringLiteral("no entry")
                                                                   : answer.failure()));
                        }
                    });
    }
}

void ScoreKeeper::join(const QString& address) {
    if (!address.isEmpty() && !isBoardAddress(address)) {
        window_->setBoardTable({}, -1,
                               QStringLiteral("\"%1\" is no http or https address").arg(address));
        return;
    }
    Settings settings = program_.settings().current();
    settings.boardUrl = address.isEmpty() ? address : QUrl(address).toString();
    ranks_.clear();
    program_.settings().change(settings);
    showOnline(true);
}

void ScoreKeeper::watch(int row, const QString& path) {
    if (program_.session().isOpen())
        return;
    std::string problem;
    const auto text = readRecordingFile(path.toStdString(), {}, problem);
    watchText(row, text, problem);
}

void ScoreKeeper::watchBoard(int row, qint64 id) {
    Sender* sender = program_.sender();
    BoardClient* client = sender ? sender->client() : nullptr;
    if (program_.session().isOpen() || !client)
        return;
    const QUrl url =
        boardUrl(sender->board(), QStringLiteral("/api/v1/games/%1/recording").arg(id));
    client->get(url, qint64(script::Limits().maxBytes), window_,
                [this, row, id](const BoardAnswer& answer) {
                    if (program_.session().isOpen())
                        return;
                    if (answer.status == 200)
                        return watchText(row, answer.body.toStdString(), {});
                    qCInfo(lcBoard, "the recording of game %lld cannot be read: %s", id,
                           qPrintable(answer.failure()));
                    watchText(row, std::nullopt, answer.failure().toStdString());
                });
}

void ScoreKeeper::watchText(int row, const std::optional<std::string>& text, std::string problem) {
    if (text) {
        const Verdict verdict = verifyRecording(*text);
        if (verdict.checksOut())
            return program_.watch(script::readAll(*text, script::Limits()));
        problem = verdict.stop->text();
    }
    window_->showProblem(row, QString::fromStdString(script::excerpt(problem)));
}

} // namespace zelto
