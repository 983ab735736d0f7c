// The table of best games on screen, and the box that asks a new entry's name.
#pragma once

#include "input/gamepads.h"
#include "scores/score_table.h"

#include <QDialog>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace zelto {

/// "Punteggi": the table's entries, a row each (rank, name, score, date, length), the new one
/// in bold on a pale ground, and three buttons: "&Guarda" watches the row (see watchRequested),
/// "&Salva" saves a copy of its recording where the player chooses, and "&Esci" closes the
/// window, as Escape does. The arrows move between the rows, Return or Enter on a row watches
/// it. A controller's d-pad up and down move between the rows, left and right between the rows
/// and the buttons, South watches the row or presses the button, East closes the window.
class ScoresWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ScoresWindow(QWidget* parent = nullptr);

    /// Shows `entries` of the table in `folder`, the one at `marked` set apart and current.
    void setEntries(const QString& folder, const QList<ScoreEntry>& entries, int marked = -1);
    /// Whether a row can be watched now (not while a game is open).
    void setCanWatch(bool can);
    /// The row that has the focus, or -1 when there is none.
    int currentRow() const;
    /// Says in a box why the recording at `row` cannot be watched or saved.
    void showProblem(int row, const QString& why);
    /// Saves a copy of the recording at `row` under a name the player chooses.
    void save(int row);
    void press(PadButton button);

    QTreeWidget* const table;
    QPushButton* const watchButton;
    QPushButton* const saveButton;
    QPushButton* const closeButton;

signals:
    /// The player asks to watch the game whose recording is the file `path`.
    void watchRequested(int row, const QString& path);

private:
    struct Texts;
    static Texts texts();
    void updateButtons();

    QString folder_;
    QList<ScoreEntry> entries_;
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
