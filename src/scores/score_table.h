// The table of the player's best games: the ten best finished games, each kept as a copy of
// its recording, named, beside an index, in a folder that several programs may change at once.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <string_view>

namespace zelto {

/// One game of the table.
struct ScoreEntry {
    QString name;         // the player's, or empty for a recording that names none
    long long points = 0; // its score
    QDateTime ended;      // when it ended, in UTC to the millisecond
    qint64 lengthMs = 0;  // from the field's opening to the last moment it ran
    QString file;         // its recording, a file of the table's folder
};

/// Whether `a` ranks before `b`: the higher score first; of equal scores the game that ended
/// earlier, then the recording's file name, so that no two entries tie.
bool ranksBefore(const ScoreEntry& a, const ScoreEntry& b);

/// The table in `folder` (made when a game first enters): a recording NAME.zrp for each entry
/// and the index "index", one line per entry, best first, after the line "zelto scores 1":
///   POINTS <tab> ENDED (ISO 8601, UTC) <tab> LENGTH_MS <tab> NAME.zrp <tab> PLAYER
/// Every change happens under the lock file "lock", on the index as it stands then, and every
/// file is replaced whole (written beside it and renamed), so that two programs may end games
/// at once. An index that cannot be read as such is set aside as "index.damaged", with one
/// warning (zelto.scores), and the table is rebuilt from the recordings that check out: no
/// entry is lost while its recording exists.
class ScoreTable {
public:
    static constexpr int kSize = 10;

    explicit ScoreTable(QString folder) : folder_(std::move(folder)) {}
    const QString& folder() const { return folder_; }
    QString pathOf(const ScoreEntry& entry) const { return folder_ + '/' + entry.file; }

    /// The entries, best first, without those whose recording has gone.
    QList<ScoreEntry> entries();
    /// Whether a finished game of `points` ending at `ended` would enter the table as it is.
    bool wouldEnter(long long points, const QDateTime& ended);
    /// Enters the game recorded in `recording` under `name` (see script::withPlayer), ended at
    /// `ended`; the tenth entry makes way for a better game, and its recording goes. The place
    /// it took (0 for the best), or nothing when the named copy is no finished game with points
    /// that checks out, when it ranks below the tenth, or when the table cannot be written (a
    /// warning says why). The entry as entered goes to `entered`, when given.
    std::optional<int> add(std::string_view recording, const QString& name, const QDateTime& ended,
                           ScoreEntry* entered = nullptr);

private:
    /// The index's entries; nothing when there is an index that cannot be read.
    std::optional<QList<ScoreEntry>> readIndex() const;
    /// The index as it stands, rebuilt when it is damaged or missing beside recordings, without
    /// the entries whose recording has gone. Called under the lock.
    QList<ScoreEntry> current();
    /// `entries` without those whose recording has gone.
    QList<ScoreEntry> present(QList<ScoreEntry> entries) const;
    QList<ScoreEntry> rebuild();
    bool writeIndex(const QList<ScoreEntry>& entries);

    QString folder_;
};

/// The name the name box offers: `last`, the one last given, else the login name, cut to a
/// name a recording may carry.
QString suggestedPlayerName(const QString& last);

} // namespace zelto
