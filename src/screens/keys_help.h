// The keys help screen: the game's keys, one to a line.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zelto {

/// Form3: nine labels and a button that closes the window, by a click, Alt+E, or Space, Return
/// or Enter on the button, which is the one place the focus can be; Escape does not close it.
/// A label's text wraps at blanks to the label's width, and only what lies inside its box is
/// drawn. The window has its own task-bar button and the system's default colours. The player's
/// extra keys, when there are any, stand below its design, one to a line (setExtraKeys).
class Form3 final : public QWidget {
    Q_OBJECT

public:
    explicit Form3(QWidget* parent = nullptr);

    /// Shows `lines` ("← = Sinistra") below the button, the window growing to hold them; none
    /// leaves the window as designed.
    void setExtraKeys(const QStringList& lines);

    QLabel* const Label1; ///< "A = Attiva la musica" and 64 blanks
    QLabel* const Label2;
    QLabel* const Label3;
    QLabel* const Label4;
    QLabel* const Label5;
    QLabel* const Label6;
    QLabel* const Label7;
    QLabel* const Label8;
    QLabel* const Label9;
    QPushButton* const Command1; ///< "&Esci"
    QLabel* const ExtraKeys;     ///< the player's extra keys, hidden without any
};

} // namespace zelto
