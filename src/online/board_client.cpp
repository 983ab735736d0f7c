#include "online/board_client.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <memory>

namespace zelto {

Q_LOGGING_CATEGORY(lcBoard, "zelto.board", QtWarningMsg)

QUrl boardUrl(const QUrl& board, const QString& path) {
    QUrl url = board;
    QString base = board.path();
    while (base.endsWith('/'))
        base.chop(1);
    const qsizetype query = path.indexOf('?');
    url.setPath(base + path.left(query));
    if (query >= 0)
        url.setQuery(path.mid(query + 1));
    return url;
}

namespace {

/// A whole number of JSON at least `low`, into `out`.
bool whole(const QJsonValue& value, qint64 low, qint64& out) {
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < double(low) || number > 9e15 ||
        number != double(qint64(number)))
        return false;
    out = qint64(number);
    return true;
}

} // namespace

std::optional<BoardEntry> readEntry(const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    BoardEntry entry;
    const QJsonValue name = object.value(QLatin1String("name"));
    entry.submitted =
        QDateTime::fromString(object.value(QLatin1String("submitted")).toString(), Qt::ISODate);
    if (!whole(object.value(QLatin1String("rank")), 1, entry.rank) ||
        !whole(object.value(QLatin1String("id")), 1, entry.id) ||
        !whole(object.value(QLatin1String("score")), 0, entry.score) ||
        !whole(object.value(QLatin1String("length_ms")), 0, entry.lengthMs) ||
        !whole(object.value(QLatin1String("keys")), 0, entry.keys) ||
        !(name.isNull() || (name.isString() && name.toString().size() <= 80)) ||
        !entry.submitted.isValid())
        return std::nullopt;
    entry.name = name.toString();
    return entry;
}

std::optional<std::pair<QList<BoardEntry>, qint64>> readTable(const QByteArray& body) {
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    const QJsonValue scores = object.value(QLatin1String("scores"));
    qint64 total = 0;
    if (!whole(object.value(QLatin1String("total")), 0, total) || !scores.isArray())
        return std::nullopt;
    QList<BoardEntry> entries;
    for (const QJsonValue& value : scores.toArray()) {
        const auto entry = readEntry(value);
        if (!entry || entries.size() >= 100)
            return std::nullopt;
        entries.append(*entry);
    }
    return std::pair(entries, total);
}

QString BoardAnswer::error() const {
    const QJsonValue error = QJsonDocument::fromJson(body).object().value(QLatin1String("error"));
    if (error.isString() && !error.toString().trimmed().isEmpty())
        return error.toString().left(300);
    return QStringLiteral("status %1").arg(status);
}

QString BoardAnswer::failure() const {
    return status ? QStringLiteral("%1 (%2)").arg(error()).arg(status) : problem;
}

BoardClient::BoardClient(QObject* parent) : QObject(parent) {}

BoardClient::~BoardClient() = default;

QNetworkAccessManager* BoardClient::network() {
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
        network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return network_;
}

namespace {

QNetworkRequest request(const QUrl& url) {
    QNetworkRequest request(url);
    request.setTransferTimeout(BoardClient::kQuietMs);
    request.setMaximumRedirectsAllowed(BoardClient::kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("zelto"));
    return request;
}

} // namespace

void BoardClient::get(const QUrl& url, qint64 cap, QObject* context, Done done) {
    follow(network()->get(request(url)), cap, context, std::move(done));
}

void BoardClient::submit(const QUrl& board, const QByteArray& body, const QString& key,
                         QObject* context, Done done) {
    post(boardUrl(board, QStringLiteral("/api/v1/games")), body, key, kMaxRedirects, context,
         std::move(done));
}

// Qt sends a POST to a redirect's address on its own, but on a connection kept alive it can
// fail it as an unknown error, with a warning of its own: redirects of a submission are
// followed here instead, each a request of its own, under the same rules.
void BoardClient::post(const QUrl& url, const QByteArray& body, const QString& key, int redirects,
                       QObject* context, Done done) {
    QNetworkRequest submission = request(url);
    submission.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                            QNetworkRequest::ManualRedirectPolicy);
    submission.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain"));
    submission.setRawHeader("Authorization", "Zelto-Key " + key.toLatin1());
    follow(network()->post(submission, body), kAnswerCap, context,
           [this, url, body, key, redirects, context,
            done = std::move(done)](const BoardAnswer& answer) mutable {
               if (answer.status / 100 != 3 || !answer.location.isValid())
                   return done(answer);
               BoardAnswer failed;
               if (redirects == 0)
                   failed.problem = QStringLiteral("too many redirects");
               else if (answer.location.scheme() != QLatin1String("https") &&
                        (url.scheme() == QLatin1String("https") ||
                         answer.location.scheme() != QLatin1String("http")))
                   failed.problem =
                       QStringLiteral("a redirect to %1").arg(answer.location.scheme());
               else
                   return post(answer.location, body, key, redirects - 1, context, std::move(done));
               done(failed);
           });
}

void BoardClient::follow(QNetworkReply* reply, qint64 cap, QObject* context, Done done) {
    struct Reading {
        QByteArray body;
        QString problem;
    };
    auto reading = std::make_shared<Reading>();
    const auto stop = [reply, reading](const QString& why) {
        if (!reading->problem.isEmpty())
            return; // stopped already
        reading->problem = why;
        reply->abort();
    };
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [stop] {
        stop(QStringLiteral("no whole answer within %1 s").arg(kDeadlineMs / 1000));
    });
    deadline->start(kDeadlineMs);
    const QString tooLarge = QStringLiteral("the answer is larger than %1 bytes").arg(cap);
    // Stopped once the headers are in, not while Qt reads them: an abort there has it report
    // its error twice.
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stop, cap, tooLarge] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > cap)
            QTimer::singleShot(0, reply, [stop, tooLarge] { stop(tooLarge); });
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, reading, stop, cap, tooLarge] {
        if (!reading->problem.isEmpty())
            return;
        if (reading->body.size() + reply->bytesAvailable() > cap)
            return stop(tooLarge);
        reading->body += reply->readAll();
    });
    connect(
        reply, &QNetworkReply::finished, context,
        [reply, reading, cap, tooLarge, done = std::move(done)] {
            reply->deleteLater();
            const qint64 announced =
                reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
            if (announced > cap ||
                (reply->isOpen() && reading->body.size() + reply->bytesAvailable() > cap))
                reading->problem = tooLarge;
            if (reply->isOpen() && reading->problem.isEmpty())
                reading->body += reply->readAll();
            BoardAnswer answer;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            // Errors past 200 are the server's statuses (a 400 is a "protocol" error to
            // Qt); those below mean that no whole answer came: no connection, TLS, a
            // timeout, too many redirects, or this side stopped it.
            if (status && reading->problem.isEmpty() &&
                (reply->error() == QNetworkReply::NoError || reply->error() > 200)) {
                answer.status = status;
                answer.body = reading->body;
                answer.retryAfter = reply->rawHeader("Retry-After").toInt();
                if (const QUrl to =
                        QUrl::fromEncoded(reply->rawHeader("Location"), QUrl::StrictMode);
                    to.isValid() && !to.isEmpty())
                    answer.location = reply->url().resolved(to);
            } else if (!reading->problem.isEmpty()) {
                answer.problem = reading->problem;
            } else if (reply->error() == QNetworkReply::OperationCanceledError) {
                // Not stopped here: Qt gave up on a transfer quiet for too long.
                answer.problem = QStringLiteral("no byte came for %1 s").arg(kQuietMs / 1000);
            } else {
                answer.problem = reply->errorString();
            }
            qCDebug(lcBoard, "%s %s: %s",
                    reply->operation() == QNetworkAccessManager::PostOperation ? "POST" : "GET",
                    qPrintable(reply->request().url().toDisplayString()),
                    qPrintable(answer.status ? QString::number(answer.status) : answer.problem));
            done(answer);
        });
}

} // namespace zelto
