// The player's settings: extra keys for the play field, full screen, the music at the start of
// a game, the volumes and the score board, kept in a file between runs.
#pragma once

#include <QKeyCombination>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <array>
#include <optional>

namespace zelto {

/// The settings file: "zelto.settings". Its warnings show by default, since a player's
/// settings are at risk.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

/// What a key does on the play field: the nine commands of the rules, each of which the rules
/// see as its letter only, then the window's own pause and full screen.
enum class Command {
    Left,
    Right,
    Stop,
    Fire,
    TurboOn,
    TurboOff,
    MusicOn,
    MusicOff,
    Quit,
    Pause,
    FullScreen
};
inline constexpr int kCommandCount = 11;

/// The letter a command types for the rules ('z' for Left), or 0 for the window's own.
char commandCode(Command command);

/// Whether `key` is one of the game's fixed keys (the nine letters with any modifiers, Pause,
/// Escape, F11) or no key of its own (a modifier, Caps Lock, an unknown key), which cannot be
/// an extra key.
bool isFixedKey(QKeyCombination key);
/// A key press as the extra keys are compared: the key with Shift, Control, Alt and Meta, the
/// keypad flag left out.
QKeyCombination pressedKey(int key, Qt::KeyboardModifiers modifiers);

/// Whether `text` can name a score board: an http or https address with a host, and no query,
/// no fragment and no user name in it.
bool isBoardAddress(const QString& text);

/// Every setting; constructed, the defaults: the letters alone, a window, the music on at the
/// start, both volumes full.
struct Settings {
    using KeyLists = std::array<QList<QKeyCombination>, kCommandCount>;

    /// The extra keys of each command, by Command; no key is in two lists, none is fixed.
    KeyLists keys{};
    /// The play field opens on the whole screen, as F11 puts it.
    bool fullScreen = false;
    /// The music plays when a game opens; off, the session types "s" at once.
    bool musicAtStart = true;
    /// Percent of the sound server's normal volume, 0 to 100: the music, and the explosion
    /// and the laser.
    int musicVolume = 100;
    int effectsVolume = 100;
    /// The name last given for the table of best games, which the name box offers next.
    QString playerName;
    /// The score board the player has joined (see isBoardAddress), or empty for none.
    QString boardUrl;

    bool operator==(const Settings&) const = default;

    /// The ready choice: Left and Right steer, Down stops, Space fires.
    static KeyLists arrowsAndSpace();
    /// The command whose extra key this is, if any.
    std::optional<Command> commandFor(QKeyCombination key) const;
    /// Gives `key` to `command`, taking it from any other; false, and nothing changes, for a
    /// fixed key.
    bool addKey(Command command, QKeyCombination key);
};

/// The player's settings, in a file or only in memory. Constructed, it holds the defaults and
/// reads and writes nothing until open().
class SettingsStore final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    /// $XDG_CONFIG_HOME/zelto/zelto.conf, that is ~/.config/zelto/zelto.conf by default.
    static QString defaultFile();

    /// Reads `file` and keeps the settings there from now on, then emits changed(). A missing
    /// file gives the defaults. So does a damaged one (one that QSettings cannot parse, holds
    /// nothing it knows, or a setting it does not know or cannot take), with one warning; the
    /// file is left as it is until the player changes a setting.
    void open(const QString& file);
    const QString& file() const { return file_; }
    const Settings& current() const { return current_; }

    /// The player's change: when `settings` differ from the current ones they become current,
    /// are written whole to the file (QSettings writes a temporary file beside it and renames
    /// it over the old one, so the file is always whole), and changed() is emitted. A failed
    /// write costs one warning; the settings hold for this run all the same.
    void change(const Settings& settings);

signals:
    void changed();

private:
    QString file_;
    Settings current_;
};

} // namespace zelto
