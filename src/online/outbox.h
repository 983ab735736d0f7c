// The games on their way to a score board, what the board said of each, and the player's key.
#pragma once

#include "online/board_client.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

namespace zelto {

/// What became of a game sent to a board.
struct Delivery {
    enum class State { Waiting, Sent, Refused };
    State state = State::Waiting;
    QString board;     // Sent, Refused: the board that answered
    BoardEntry entry;  // Sent: the board's entry of the game, as it answered
    QString reason;    // Refused: the board's message
    QDateTime settled; // Sent, Refused: when the answer came
};

/// The outbox in `folder` ($XDG_STATE_HOME/zelto/outbox): NAME.zrp for each game waiting, its
/// recording as it goes to the board, and answers/NAME.json for each game the board has
/// answered for good. Every file is written whole (QSaveFile), and a game leaves only once its
/// answer is written, so that a program killed at any moment loses no game and finds the
/// games answered before it died answered. Several programs may use one outbox: the board
/// holds a game sent twice once.
class Outbox {
public:
    explicit Outbox(QString folder) : folder_(std::move(folder)) {}
    const QString& folder() const { return folder_; }

    /// Keeps the game `recording` under `name` (a file name ending in .zrp, such as its name in
    /// the table of best games); false when it cannot be written.
    bool put(const QString& name, const QByteArray& recording);
    /// The names of the games waiting, in the order of their names (the table's names are the
    /// moments the games ended).
    QStringList waiting() const;
    /// The recording of a game waiting, up to `cap` bytes; nothing once it has gone.
    std::optional<QByteArray> recording(const QString& name, qint64 cap) const;
    /// Writes what the board said for good of the game `name`, then lets the game go.
    bool settle(const QString& name, const Delivery& delivery);
    /// Every game waiting or answered, by name.
    QMap<QString, Delivery> deliveries() const;
    /// Forgets the answers of games not in `names`, and leftovers of programs killed while
    /// writing; games waiting stay.
    void forgetAnswersBut(const QStringList& names);

private:
    QString folder_;
};

/// The player's key for score boards, in `file` ($XDG_CONFIG_HOME/zelto/board-key): 64
/// lower-case hex digits and a line end. Made once, at the first need, from the system's
/// random source, and written whole with mode 600, linked into place only where no key is yet
/// (two programs making it at once both end with the one that got there first). A damaged key
/// file is set aside as FILE.damaged for a new key, with a warning. Nothing, with a warning,
/// when the key can be neither read nor made.
std::optional<QString> playerKey(const QString& file);

} // namespace zelto
