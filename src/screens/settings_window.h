// The settings window: the player's extra keys, full screen, the music at the start and the
// volumes.
#pragma once

#include "settings/settings.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zelto {

/// Modeless, with the fixed frame of the game's windows. Each command lists its fixed keys
/// and its extra ones; "+" takes the next key pressed in the window as one more (Escape gives
/// up; a fixed key is refused with a word why; a key of another command moves here), "−"
/// drops them all. Nothing changes until "OK" (the default button) hands the edited settings
/// to the store; "Annulla" and Escape close the window without a change.
class SettingsWindow final : public QDialog {
    Q_OBJECT

public:
    explicit SettingsWindow(SettingsStore& store, QWidget* parent = nullptr);

    /// The settings as the window shows them, not yet taken.
    const Settings& edited() const { return edited_; }

    QPushButton* const ArrowsAndSpace; ///< the ready choice of Settings::arrowsAndSpace()
    QPushButton* const LettersOnly;    ///< no extra keys
    QCheckBox* const FullScreen;
    QCheckBox* const MusicAtStart;
    QSlider* const MusicVolume;
    QSlider* const EffectsVolume;
    QPushButton* const OK;
    QPushButton* const Cancel;
    /// By Command: "+", which waits for a key, and "−", which drops the extra keys.
    std::array<QPushButton*, kCommandCount> AddKey{};
    std::array<QPushButton*, kCommandCount> ClearKeys{};

protected:
    /// While a key is awaited, takes the next key pressed in this window, before any shortcut.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Shows the extra keys of edited_.
    void showKeys();
    /// Waits for the key of `command`.
    void awaitKey(Command command);
    /// The awaited key has been pressed.
    void takeKey(const QKeyEvent& event);

    SettingsStore& store_;
    Settings edited_;
    std::optional<Command> awaited_;
    std::array<QLabel*, kCommandCount> keyLabels_{};
    QLabel* const status_;
};

} // namespace zelto
