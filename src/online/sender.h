// Sending the player's finished games to a score board, in the background, until it answers.
#pragma once

#include "online/outbox.h"

#include <QObject>
#include <QTimer>

namespace zelto {

/// Sends the games of an outbox to the board of the player's choosing, one at a time, in the
/// order of their names: a game stays in the outbox until the board has kept it (200, 201) or
/// refused it for good (400, 409, 413, 422), which the outbox keeps as its answer. Any other
/// outcome (no connection, a timeout, a 429 or 503, an answer that is no entry) leaves the
/// game waiting, and the outbox is tried again after a pause that doubles from kFirstPauseMs
/// to kLongestPauseMs (at least the Retry-After the board asked for), and at once whenever a
/// new game comes. The board holds a game sent twice once, so that a program killed after
/// sending and before learning its answer sends it again without harm.
///
/// Without a board nothing is kept, nothing is sent and no connection opens.
class Sender final : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstPauseMs = 10000;
    static constexpr int kLongestPauseMs = 15 * 60 * 1000;
    static constexpr qint64 kLargestGame = 1024 * 1024; // the board takes no more

    /// An outbox in `folder`, the player's key in `keyFile`; no board yet.
    Sender(const QString& folder, QString keyFile, QObject* parent = nullptr);

    /// The board games go to from now on (an http or https address, see isBoardAddress), or
    /// none when it is empty. A new board gets the games waiting at once.
    void setBoard(const QUrl& board);
    const QUrl& board() const { return board_; }
    /// Requests to the board, for whoever asks it more (null without a board).
    BoardClient* client() { return board_.isEmpty() ? nullptr : &client_; }

    /// A finished game, its recording named, to send under `name` (see Outbox::put). Nothing
    /// without a board.
    void post(const QString& name, const QByteArray& recording);
    const Outbox& outbox() const { return outbox_; }
    Outbox& outbox() { return outbox_; }
    /// Why the last attempt left games waiting, or empty while none failed.
    const QString& problem() const { return problem_; }
    /// The pause before the games waiting are tried again, or 0 when no attempt is due.
    int pauseMs() const { return retry_.isActive() ? retry_.interval() : 0; }

signals:
    /// A game has been posted, answered for good, or an attempt has failed.
    void changed();

private:
    void sendNext();
    void answered(const QString& name, const BoardAnswer& answer);

    Outbox outbox_;
    QString keyFile_;
    QString key_;
    QUrl board_;
    BoardClient client_;
    QTimer retry_;
    QString problem_;
    QString sending_; // the game under way, if any
    int failures_ = 0;
};

} // namespace zelto
