// The program's own windows: the start menu, which opens the about box, the keys help screen,
// the settings window and the play field.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace zelto {

class Form2;
class Form3;
class frmAbout;
class SettingsStore;
class SettingsWindow;

/// The menu's shortcut to the settings window.
inline constexpr QKeyCombination kSettingsShortcut = Qt::CTRL | Qt::Key_Comma;

/// Owns the start menu and opens the windows it leads to. The about box, the keys help screen
/// and the settings window exist at most once each: asking for one that is open raises and
/// activates it, and one closed by the user is gone, so that asking again creates it afresh.
/// All of them are modeless and have no owner, and the menu stays open beneath them.
class Screens final : public QObject {
    Q_OBJECT

public:
    /// `showPlayField` is called for every press of "&Play"; it raises the running game or
    /// starts a new one, and Screens creates nothing for it.
    /// The settings window changes `settings`, and the keys help screen shows their keys.
    Screens(std::function<void()> showPlayField, SettingsStore& settings,
            QObject* parent = nullptr);
    /// Releases the windows that are still open, without their close handling.
    ~Screens() override;

    /// Shows the start menu, the program's first window.
    void showMenu();

    Form2& menu() const { return *menu_; }
    /// The about box while it is open, otherwise null.
    frmAbout* aboutBox() const;
    /// The keys help screen while it is open, otherwise null.
    Form3* keysHelp() const;
    /// The settings window while it is open, otherwise null.
    SettingsWindow* settingsWindow() const;

    /// "&Info": shows the about box.
    void showAboutBox();
    /// "&Keyboard": shows the keys help screen.
    void showKeysHelp();
    /// Ctrl+, on the menu (kSettingsShortcut): shows the settings window.
    void showSettings();
    /// "&Play": hands over to the play field.
    void showPlayField();
    /// "&Esci": ends the program at once, leaving every window and file as it is; the
    /// program's event loop returns 0.
    void endProgram();

private:
    std::function<void()> showPlayField_;
    SettingsStore& settings_;
    std::unique_ptr<Form2> menu_;
    QPointer<frmAbout> aboutBox_;
    QPointer<Form3> keysHelp_;
    QPointer<SettingsWindow> settingsWindow_;
};

} // namespace zelto
