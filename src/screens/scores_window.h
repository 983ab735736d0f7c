// The table of best games on screen, and the box that asks a new entry's name.
#pragma once

#include "input/gamepads.h"
#include "online/outbox.h"
#include "scores/score_table.h"

#include <QDialog>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace zelto {

/// "Punteggi": two pages. "Le &tue" holds the table's entries, a row each (rank, name, score,
/// date, length, and what became of it on the board), the new one in bold on a pale ground;
/// "&Online" the board's address, which the player may type (Return joins it, an empty one
/// leaves it), and the board's top 100, the player's own games in bold. Below them a line says
/// more of the current row of the table, or of the board (the player's best rank, the games
/// waiting, the last refused, or why the board cannot be read). Three buttons: "&Guarda" watches
/// the row (see watchRequested and watchBoardRequested), "&Salva" saves a copy of the table's
/// recording where the player chooses, and "&Esci" closes the window, as Escape does. The
/// arrows move between the rows, Return or Enter on a row watches it. A controller's d-pad up
/// and down move between the rows, left and right between the rows and the buttons, the
/// shoulders between the pages, South watches the row or presses the button, East closes.
class ScoresWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ScoresWindow(QWidget* parent = nullptr);

    /// Shows `entries` of the table in `folder`, the one at `marked` set apart and current.
    void setEntries(const QString& folder, const QList<ScoreEntry>& entries, int marked = -1);
    /// What became of the games sent to `board` (by the name of their recording), and why the
    /// last attempt to send failed, if it did.
    void setDeliveries(const QString& board, const QMap<QString, Delivery>& deliveries,
                       const QString& problem);
    /// The board's top entries of `total` games; no entries and a `problem` when it could not
    /// be read, neither while it is asked.
    void setBoardTable(const QList<BoardEntry>& entries, qint64 total, const QString& problem);
    /// Whether a row can be watched now (not while a game is open).
    void setCanWatch(bool can);
    /// The row that has the focus on the page shown, or -1 when there is none.
    int currentRow() const;
    /// Says in a box why the recording at `row` of the page shown cannot be watched or saved.
    void showProblem(int row, const QString& why);
    /// Saves a copy of the recording at `row` under a name the player chooses.
    void save(int row);
    void press(PadButton button);

    QTabWidget* const tabs;
    QTreeWidget* const table;
    QTreeWidget* const boardTable;
    QLineEdit* const boardEdit;
    QLabel* const status;
    QPushButton* const watchButton;
    QPushButton* const saveButton;
    QPushButton* const closeButton;

signals:
    /// The player asks to watch the game whose recording is the file `path`.
    void watchRequested(int row, const QString& path);
    /// The player asks to watch the board's game `id`.
    void watchBoardRequested(int row, qint64 id);
    /// The player has typed the address of a board to join, or an empty one to leave it.
    void boardChosen(const QString& address);

private:
    struct Texts;
    static Texts texts();
    QTreeWidget* shown() const;
    void updateButtons();
    /// The column "Online" of the table and the line below the pages.
    void updateMarks();

    QString folder_;
    QList<ScoreEntry> entries_;
    QString board_;
    QMap<QString, Delivery> deliveries_;
    QString sendProblem_;
    QList<BoardEntry> boardEntries_;
    qint64 boardTotal_ = -1; // -1: asked, not answered
    QString boardProblem_;
    bool canWatch_ = true;
};

/// The modal box that asks the name of a game entering the table: the score, "&Nome" and the
/// name, offered ready to be kept or typed over; a name a recording may carry and nothing else
/// can be typed (see script::isPlayerName). Return, Enter or a controller's South keeps it;
/// Escape or East keeps the game out of the table.
class NameBox final : public QDialog {
    Q_OBJECT

public:
    NameBox(long long points, const QString& name, QWidget* parent = nullptr);
    /// The name as typed, without blanks at either end.
    QString name() const;
    void accept() override;

    QLineEdit* const nameEdit;
    QPushButton* const okButton;

private:
    struct Texts;
    static Texts texts();
};

} // namespace zelto
