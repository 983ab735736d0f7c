// Where the score board keeps its games: a SQLite file, or a PostgreSQL database that several
// boards share. One code path serves both through Qt SQL: every statement is prepared with bound
// values, and only the schema's column types differ between the two.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelto::board {

/// The database a board uses, as its --db option names it.
struct Database {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString name;     // the SQLite file, or the PostgreSQL database
    QString host;     // a host name, or the folder of a unix socket
    int port = -1;    // -1: the default
    QString user;     // empty: the login's
    QString password; // empty: PGPASSWORD or ~/.pgpass, as libpq finds them
    QString options;  // further libpq options from the URL's query, "key=value;..."

    /// `postgresql://[user[:password]@][host][:port]/dbname[?host=/socket/folder&...]` (or
    /// `postgres://`), else a SQLite file's path. Nothing, with why in `problem`, for a URL
    /// that names no database.
    static std::optional<Database> parse(const QString& text, QString& problem);
    /// For the log: the kind and where, never the password.
    QString describe() const;
};

/// The store cannot be reached or refused a statement; the message is for the log only.
struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// One accepted game, as the table shows it.
struct Entry {
    std::int64_t id = 0;
    std::optional<std::string> name; // nothing for a game without a player line
    std::int64_t score = 0;
    std::int64_t lengthMs = 0;
    int keys = 0;
    std::int64_t submitted = 0; // ms since 1970, UTC
    std::int64_t rank = 0;      // 1 for the best
};

/// A verified game to keep.
struct NewGame {
    QByteArray game;    // the hex SHA-256 of what was played (gameIdentity)
    QByteArray bytes;   // the hex SHA-256 of the recording's bytes
    QByteArray keyHash; // the hex SHA-256 of the submitter's key
    std::optional<std::string> name;
    std::int64_t score = 0;
    std::int64_t lengthMs = 0;
    int keys = 0;
    std::int64_t submitted = 0;
    QByteArray recording;
};

/// Keeps the games. Every call may come from any thread: each thread talks to the database
/// through a connection of its own, opened at its first call and closed with the store. Ranks
/// are counted by the database at each call, so that boards sharing it agree. Calls throw
/// StoreError when the database fails them (after one new connection has been tried).
class Store {
public:
    explicit Store(Database database);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    /// Creates or brings the schema up to the version this program writes, holding off any
    /// other board doing the same. Call it once before anything else.
    void migrate();

    enum class Outcome { Added, Duplicate, NameTaken };
    struct Added {
        Outcome outcome = Outcome::Added;
        Entry entry; // the new game, or the one it duplicates; nothing for NameTaken
    };
    /// Keeps `game` unless the same game is kept already (Duplicate: that one) or its name
    /// belongs to another key (NameTaken); a name not seen before becomes the key's. All or
    /// nothing of it is written.
    Added add(const NewGame& game);
    /// The game whose recording had exactly these bytes (hex SHA-256), with its rank.
    std::optional<Entry> findByBytes(const QByteArray& bytes);
    std::optional<Entry> find(std::int64_t id);
    std::optional<QByteArray> recording(std::int64_t id);
    /// `limit` entries from rank `offset` + 1 on, best first, and the number of games.
    std::vector<Entry> page(int limit, std::int64_t offset, std::int64_t& total);
    /// Whether the database answers.
    bool ping();

    /// The schema version this program writes.
    static constexpr int kSchemaVersion = 1;

private:
    template <typename Work>
    auto withConnection(Work work);
    QString connectionName();
    void dropConnection(const QString& name);

    Database database_;
    int serial_;       // tells this store's connections from another's in the same thread
    std::mutex mutex_; // guards connections_ and firstPage_
    std::vector<QString> connections_;
    /// The first page of the table as it stood when it held `total` games.
    struct Page {
        std::int64_t total;
        std::vector<Entry> entries;
    };
    std::optional<Page> firstPage_;
    static constexpr int kFirstPage = 100;
    std::mutex writing_; // one SQLite writer at a time
};

} // namespace zelto::board
