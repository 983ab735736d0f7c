#include "screens/screens.h"

#include "kit/window_kit.h"
#include "platform/logging.h"
#include "screens/about_box.h"
#include "screens/commands.h"
#include "screens/keys_help.h"
#include "screens/settings_window.h"
#include "screens/start_menu.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QShortcut>
#include <exception>
#include <utility>

namespace zelto {

namespace {

/// Shows `window`, creating it first with `create` when there is none; an existing one keeps
/// its state and is only brought to the front. A created window deletes itself when it is
/// closed, which clears `window`.
template <typename Window, typename Create>
void showOnce(QPointer<Window>& window, Create create) {
    if (!window) {
        window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

Screens::Screens(std::function<void()> showPlayField, SettingsStore& settings, QObject* parent)
    : QObject(parent), showPlayField_(std::move(showPlayField)), settings_(settings),
      menu_(std::make_unique<Form2>()) {
    connect(menu_->Command1, &QPushButton::clicked, this, &Screens::showAboutBox);
    connect(menu_->Command2, &QPushButton::clicked, this, &Screens::showKeysHelp);
    connect(menu_->Command3, &QPushButton::clicked, this, &Screens::showPlayField);
    connect(menu_->Command4, &QPushButton::clicked, this, &Screens::endProgram);
    // A shortcut of the menu's window, which leaves its four buttons as they are.
    connect(new QShortcut(QKeySequence(kSettingsShortcut), menu_.get()), &QShortcut::activated,
            this, &Screens::showSettings);
    connect(&settings_, &SettingsStore::changed, this, [this] {
        if (keysHelp_)
            keysHelp_->setExtraKeys(extraKeyLines(settings_.current()));
    });
}

Screens::~Screens() {
    // Closed windows have already deleted themselves, which nulled these pointers.
    delete aboutBox_.data();
    delete keysHelp_.data();
    delete settingsWindow_.data();
}

frmAbout* Screens::aboutBox() const {
    return aboutBox_;
}

Form3* Screens::keysHelp() const {
    return keysHelp_;
}

SettingsWindow* Screens::settingsWindow() const {
    return settingsWindow_;
}

void Screens::showMenu() {
    menu_->show();
    menu_->raise();
    menu_->activateWindow();
}

void Screens::showAboutBox() {
    showOnce(aboutBox_, [] { return new frmAbout; });
}

void Screens::showKeysHelp() {
    showOnce(keysHelp_, [this] {
        auto* keys = new Form3;
        keys->setExtraKeys(extraKeyLines(settings_.current()));
        return keys;
    });
}

void Screens::showSettings() {
    showOnce(settingsWindow_, [this] { return new SettingsWindow(settings_); });
}

void Screens::showPlayField() {
    // The play field is the caller's code; a failure there must not unwind through Qt's
    // event dispatch, and the menu goes on working.
    try {
        showPlayField_();
    } catch (const std::exception& error) {
        qCDebug(lcScreens, "the play field could not be shown: %s", error.what());
    }
}

void Screens::endProgram() {
    QCoreApplication::exit(0);
}

} // namespace zelto
