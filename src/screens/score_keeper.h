// The table of best games in the running program: what enters it, and its window.
#pragma once

#include "replay/language.h"
#include "scores/score_table.h"
#include "shell/qt_host.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

namespace zelto {

class ScoresWindow;
class Sender;
class Session;
class SettingsStore;

/// What the score keeper uses of the program it runs in (Program is one).
class ScoreKeeperHost {
public:
    virtual Session& session() = 0;
    virtual SettingsStore& settings() = 0;
    /// What sends games to the board, or null while nothing is sent.
    virtual Sender* sender() const = 0;
    /// Plays a checked recording's commands back in the play field's window.
    virtual void watch(std::vector<script::Command> commands) = 0;

protected:
    ~ScoreKeeperHost() = default;
};

/// Enters the program's finished games in the table (once keep() has named its folder) and
/// shows the scores window. A finished game with points that would enter the table asks its
/// name (NameBox): right after its "GameOver" box is answered, when the name given ends the
/// game (the play field closes, as its window's close box would close it); else once the game
/// has ended by the quit key. The recording the session tells (Session::gameRecorded) enters
/// under that name, and the scores window opens with it marked. A name box closed without a
/// name keeps the game out of the table.
///
/// A game that enters the table goes to the board the player has joined
/// (ScoreKeeperHost::sender()), and the scores window shows what became of each game sent, and the
/// board's top 100, asked each time the window is shown.
///
/// It sees the game's box answered by standing between the session and `boxes`.
class ScoreKeeper final : public QObject, public MessageBoxes {
    Q_OBJECT

public:
    ScoreKeeper(ScoreKeeperHost& program, MessageBoxes& boxes);
    ~ScoreKeeper() override;

    /// From now on games enter the table in `folder`.
    void keep(const QString& folder);
    ScoreTable* table() { return table_ ? &*table_ : nullptr; }

    /// Shows the scores window, raised if it is open, the entry at `marked` set apart.
    void showScores(int marked = -1);
    /// The scores window while it is open, else null.
    ScoresWindow* window() const;

    /// Tells the scores window, if it is open, what became of the games sent, and asks the
    /// board for its table and the player's ranks when `ask`.
    void showOnline(bool ask);

    void show(const QString& text, const QString& title) override;
    bool answer() override { return boxes_.answer(); }

private:
    /// A game over's box has been answered.
    void afterGameOver();
    /// A game has ended with its recording `text`.
    void enter(const std::string& text);
    /// The name of a game of `points`, or nothing when the box is closed without one.
    std::optional<QString> askName(long long points);
    /// Plays the recording at `path` back, once it checks out.
    void watch(int row, const QString& path);
    /// Plays the board's game `id` back, once its recording has come and checks out.
    void watchBoard(int row, qint64 id);
    /// Plays the recording `text` back, once it checks out; else says why not, as `problem`
    /// does when there is no text.
    void watchText(int row, const std::optional<std::string>& text, std::string problem);
    /// Joins the board at `address`, or leaves the board when it is empty.
    void join(const QString& address);

    ScoreKeeperHost& program_;
    MessageBoxes& boxes_;
    std::optional<ScoreTable> table_;
    QPointer<ScoresWindow> window_;
    /// The answer to the name box of the game still open: a name, or empty when declined.
    std::optional<QString> named_;
    /// The player's games' ranks on the board now, by their ids there.
    QMap<qint64, qint64> ranks_;
    /// The games the board had answered as kept when it was last asked.
    qsizetype sent_ = 0;
};

} // namespace zelto
