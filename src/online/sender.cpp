#include "online/sender.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace zelto {

Sender::Sender(const QString& folder, QString keyFile, QObject* parent)
    : QObject(parent), outbox_(folder), keyFile_(std::move(keyFile)) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &Sender::sendNext);
}

void Sender::setBoard(const QUrl& board) {
    if (board == board_)
        return;
    board_ = board;
    failures_ = 0;
    problem_.clear();
    retry_.stop();
    if (!board_.isEmpty())
        QTimer::singleShot(0, this, &Sender::sendNext);
    emit changed();
}

void Sender::post(const QString& name, const QByteArray& recording) {
    if (board_.isEmpty())
        return;
    if (!outbox_.put(name, recording)) {
        problem_ = QStringLiteral("the outbox %1 cannot be written").arg(outbox_.folder());
        qCWarning(lcBoard, "the game %s is not sent: %s", qPrintable(name), qPrintable(problem_));
    }
    emit changed();
    sendNext();
}

void Sender::sendNext() {
    if (board_.isEmpty() || !sending_.isEmpty())
        return;
    retry_.stop();
    const QMap<QString, Delivery> deliveries = outbox_.deliveries();
    for (const QString& name : outbox_.waiting()) {
        if (deliveries.value(name).state != Delivery::State::Waiting) {
            QFile::remove(outbox_.folder() + '/' + name); // answered just before a kill
            continue;
        }
        const auto recording = outbox_.recording(name, kLargestGame + 1);
        if (!recording)
            continue; // sent meanwhile by another program
        if (recording->size() > kLargestGame)
            return answered(
                name, {413, R"x({"error": "larger than the board takes (1 MiB)"})x", {}, 0, {}});
        if (key_.isEmpty())
            key_ = playerKey(keyFile_).value_or(QString());
        if (key_.isEmpty())
            return answered(name, {0, {}, QStringLiteral("no key for score boards"), 0, {}});
        sending_ = name;
        client_.submit(board_, *recording, key_, this, [this, name](const BoardAnswer& answer) {
            sending_.clear();
            answered(name, answer);
        });
        return;
    }
    failures_ = 0;
}

void Sender::answered(const QString& name, const BoardAnswer& answer) {
    Delivery delivery;
    delivery.board = board_.toString();
    delivery.settled = QDateTime::currentDateTimeUtc();
    const auto entry = readEntry(QJsonDocument::fromJson(answer.body).object());
    if ((answer.status == 200 || answer.status == 201) && entry) {
        delivery.state = Delivery::State::Sent;
        delivery.entry = *entry;
        qCDebug(lcBoard, "the game %s is on the board as game %lld, ranked %lld", qPrintable(name),
                entry->id, entry->rank);
    } else if (answer.status == 400 || answer.status == 409 || answer.status == 413 ||
               answer.status == 422) {
        delivery.state = Delivery::State::Refused;
        delivery.reason = answer.error();
        qCWarning(lcBoard, "the board refused the game %s for good: %s", qPrintable(name),
                  qPrintable(delivery.reason));
    }
    if (delivery.state != Delivery::State::Waiting && outbox_.settle(name, delivery)) {
        failures_ = 0;
        problem_.clear();
        emit changed();
        return sendNext();
    }
    problem_ = delivery.state != Delivery::State::Waiting
                   ? QStringLiteral("the answer cannot be kept in %1").arg(outbox_.folder())
               : answer.status / 100 == 2 ? QStringLiteral("the board's answer is no entry")
                                          : answer.failure();
    ++failures_;
    const int pause = std::max(kFirstPauseMs << std::min(failures_ - 1, 7),
                               std::min(answer.retryAfter, 3600) * 1000);
    retry_.start(std::min(pause, kLongestPauseMs));
    qCInfo(lcBoard, "the game %s waits for the board: %s; %lld games tried again in %d s",
           qPrintable(name), qPrintable(problem_), qint64(outbox_.waiting().size()),
           retry_.interval() / 1000);
    emit changed();
}

} // namespace zelto
