// Talking to a score board (docs/board-api.md) over HTTP or HTTPS in the background: every
// exchange bounded in time, in redirects and in size, and its answer read as what it should be
// or set aside as garbage. No windows.
#pragma once

#include <QDateTime>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QJsonValue;

namespace zelto {

/// The game's exchanges with a score board: "zelto.board". Each exchange is a debug line; one
/// that failed is one info line more, from whoever asked, saying what for (the scores window
/// marks it, which is where a player looks); a game the board refused for good, or a key that
/// cannot be kept, warns by default. A game with the board answering well prints nothing.
Q_DECLARE_LOGGING_CATEGORY(lcBoard)

/// The address of `path` ("/api/v1/scores") on the board at `board`, which may have a path.
QUrl boardUrl(const QUrl& board, const QString& path);

/// A game as the board keeps it.
struct BoardEntry {
    qint64 rank = 0;
    qint64 id = 0;
    QString name; // empty for a game without a player line
    qint64 score = 0;
    qint64 lengthMs = 0;
    qint64 keys = 0;
    QDateTime submitted;
};

/// The entry in `json`, or nothing unless it has an entry's every field, of its type.
std::optional<BoardEntry> readEntry(const QJsonValue& json);
/// The table in `body` (GET /api/v1/scores): its entries, and the games the board holds in all.
std::optional<std::pair<QList<BoardEntry>, qint64>> readTable(const QByteArray& body);

/// What came of one exchange.
struct BoardAnswer {
    int status = 0;     // the HTTP status; 0 when no answer came whole
    QByteArray body;    // the whole body, within its cap
    QString problem;    // with status 0: why (no connection, TLS, too slow, too large, ...)
    int retryAfter = 0; // seconds, from a Retry-After header
    QUrl location;      // a redirect's Location, resolved

    /// The error an error answer gives ({"error": "…"}), else its status.
    QString error() const;
    /// What went wrong, in a line: the problem, or the status and the error.
    QString failure() const;
};

/// Requests to boards, in the event loop. Every request gives up when no byte has come for
/// kQuietMs or the whole exchange takes longer than kDeadlineMs, follows at most kMaxRedirects
/// redirects (never from https to http), and stops reading as soon as its body passes its cap,
/// announced or not. Nothing opens a connection before the first request.
class BoardClient final : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kAnswerCap = 512 * 1024; // JSON: the top 100 take some 15 KB
    static constexpr int kQuietMs = 10000;
    static constexpr int kDeadlineMs = 30000;
    static constexpr int kMaxRedirects = 3;

    explicit BoardClient(QObject* parent = nullptr);
    ~BoardClient() override;

    /// Called once with the answer, in the event loop, unless the context has gone by then.
    using Done = std::function<void(const BoardAnswer&)>;
    void get(const QUrl& url, qint64 cap, QObject* context, Done done);
    /// Submits the recording `body` with the player's `key` (64 hex digits).
    void submit(const QUrl& board, const QByteArray& body, const QString& key, QObject* context,
                Done done);

private:
    void follow(QNetworkReply* reply, qint64 cap, QObject* context, Done done);
    /// Posts `body` to `url`, following up to `redirects` redirects itself.
    void post(const QUrl& url, const QByteArray& body, const QString& key, int redirects,
              QObject* context, Done done);
    QNetworkAccessManager* network();

    QNetworkAccessManager* network_ = nullptr;
};

} // namespace zelto
