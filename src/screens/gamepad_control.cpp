#include "screens/gamepad_control.h"

#include "kit/window_kit.h"
#include "screens/about_box.h"
#include "screens/keys_help.h"
#include "screens/play_field_window.h"
#include "screens/scores_window.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "shell/session.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <algorithm>
#include <array>

namespace zelto {

namespace {

struct KeyOf {
    PadButton button;
    char code;
};
// The buttons that type a key on the play field; North and Start are handled apart.
constexpr KeyOf kFieldKeys[] = {
    {PadButton::Left, 'z'}, {PadButton::Right, 'x'},         {PadButton::South, 'm'},
    {PadButton::East, 'p'}, {PadButton::RightShoulder, 'l'}, {PadButton::LeftShoulder, 'k'},
    {PadButton::Back, 'q'},
};

PlayFieldWindow* openFieldWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<PlayFieldWindow*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

/// South presses `button`, East closes `window`.
void answer(PadButton pressed, QWidget& window, QAbstractButton& button) {
    if (pressed == PadButton::South)
        button.click();
    else if (pressed == PadButton::East)
        window.close();
}

} // namespace

GamepadControl::GamepadControl(Screens& screens, Session& session, QObject* parent)
    : QObject(parent), screens_(screens), session_(session) {
    connect(&pads_, &Gamepads::pressed, this, &GamepadControl::press);
    // Starting SDL takes a few milliseconds, which must not hold up the first window.
    afterFirstPaint(screens_.menu(), [this] { pads_.startWhenPlugged(); });
}

void GamepadControl::press(PadButton button) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            if (button == PadButton::South)
                dialog->accept();
            else if (button == PadButton::East)
                dialog->reject();
        }
        return;
    }
    QWidget* target = QApplication::activeWindow();
    if (!target)
        target = openFieldWindow();
    if (!target)
        target = &screens_.menu();

    if (auto* field = qobject_cast<PlayFieldWindow*>(target)) {
        if (button == PadButton::North) {
            session_.toggleMusic();
        } else if (button == PadButton::Start) {
            session_.togglePause();
            // Resumed from another program's window: the keyboard belongs to the game again.
            if (!session_.isPaused() && !field->isActiveWindow())
                field->activateWindow();
        } else if (const auto key = std::find_if(
                       std::begin(kFieldKeys), std::end(kFieldKeys),
                       [button](const KeyOf& entry) { return entry.button == button; });
                   key != std::end(kFieldKeys)) {
            session_.type(key->code);
        }
    } else if (target == &screens_.menu()) {
        Form2& menu = screens_.menu();
        const std::array<QPushButton*, 4> buttons{menu.Command1, menu.Command2, menu.Command3,
                                                  menu.Command4};
        const auto focused = std::find(buttons.begin(), buttons.end(), menu.focusWidget());
        const int at = focused == buttons.end() ? 0 : int(focused - buttons.begin());
        if (button == PadButton::Up || button == PadButton::Down) {
            const int step = button == PadButton::Up ? -1 : 1;
            buttons[(at + step + 4) % 4]->setFocus(Qt::TabFocusReason);
        } else if (button == PadButton::South) {
            buttons[at]->click();
        }
    } else if (auto* scores = qobject_cast<ScoresWindow*>(target)) {
        scores->press(button);
    } else if (Form3* keys = screens_.keysHelp(); keys && target == keys) {
        answer(button, *keys, *keys->Command1);
    } else if (frmAbout* about = screens_.aboutBox(); about && target == about) {
        answer(button, *about, *about->cmdOK);
    }
}

} // namespace zelto
