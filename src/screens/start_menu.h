// The start menu, the program's first window.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zelto {

/// Form2: a black window with three pictures and four buttons. It only lays itself out; what
/// the buttons do is wired up by Screens. Focus starts on "&Info", and no button is the
/// default one, so Enter presses only the focused button.
class Form2 final : public QWidget {
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    QPushButton* const Command1; ///< "&Info"
    QPushButton* const Command2; ///< "&Keyboard"
    QPushButton* const Command3; ///< "&Play"
    QPushButton* const Command4; ///< "&Esci"
    QLabel* const Image1;        ///< the fighter, cut off by the window's bottom edge
    QLabel* const Image2;        ///< a rock, the enemy of the play field
    QLabel* const Image3;        ///< a flame

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace zelto
