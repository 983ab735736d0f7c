#include "settings/settings.h"

#include <QFileInfo>
#include <QKeySequence>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

namespace zelto {

Q_LOGGING_CATEGORY(lcSettings, "zelto.settings", QtWarningMsg)

namespace {

/// Each command's name in the file and its letter, in the order of Command.
struct CommandEntry {
    const char* name;
    char code;
};
constexpr CommandEntry kEntries[kCommandCount] = {
    {"left", 'z'},    {"right", 'x'},    {"stop", 'p'},     {"fire", 'm'},
    {"turboOn", 'l'}, {"turboOff", 'k'}, {"musicOn", 'a'},  {"musicOff", 's'},
    {"quit", 'q'},    {"pause", 0},      {"fullScreen", 0},
};

constexpr const char* kFullScreen = "game/fullScreen";
constexpr const char* kMusicAtStart = "game/musicAtStart";
constexpr const char* kMusicVolume = "volume/music";
constexpr const char* kEffectsVolume = "volume/effects";
constexpr const char* kPlayerName = "scores/name";
constexpr const char* kBoardUrl = "board/url";

QString keysEntry(int command) {
    return QStringLiteral("keys/") + QLatin1String(kEntries[command].name);
}

QString keyName(QKeyCombination key) {
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

/// The settings `file` holds, or why it cannot be read.
std::optional<Settings> read(const QSettings& file, QString& why) {
    Settings settings;
    QStringList unknown = file.allKeys();
    const auto take = [&unknown](const char* key) {
        unknown.removeOne(QLatin1String(key));
        return unknown.size();
    };
    const auto flag = [&](const char* key, bool& value) {
        if (!file.contains(QLatin1String(key)))
            return true;
        take(key);
        const QString text = file.value(QLatin1String(key)).toString();
        value = text == QLatin1String("true");
        if (value || text == QLatin1String("false"))
            return true;
        why = QStringLiteral("%1 is \"%2\", neither true nor false").arg(key, text);
        return false;
    };
    const auto volume = [&](const char* key, int& value) {
        if (!file.contains(QLatin1String(key)))
            return true;
        take(key);
        bool number = false;
        const QString text = file.value(QLatin1String(key)).toString();
        value = text.toInt(&number);
        if (number && value >= 0 && value <= 100)
            return true;
        why = QStringLiteral("%1 is \"%2\", not a volume from 0 to 100").arg(key, text);
        return false;
    };
    if (file.contains(QLatin1String(kPlayerName))) {
        take(kPlayerName);
        settings.playerName = file.value(QLatin1String(kPlayerName)).toString();
    }
    if (file.contains(QLatin1String(kBoardUrl))) {
        take(kBoardUrl);
        settings.boardUrl = file.value(QLatin1String(kBoardUrl)).toString();
        if (!isBoardAddress(settings.boardUrl)) {
            why = QStringLiteral("%1 is \"%2\", not an http or https address")
                      .arg(kBoardUrl, settings.boardUrl);
            return std::nullopt;
        }
    }
    if (!flag(kFullScreen, settings.fullScreen) || !flag(kMusicAtStart, settings.musicAtStart) ||
        !volume(kMusicVolume, settings.musicVolume) ||
        !volume(kEffectsVolume, settings.effectsVolume))
        return std::nullopt;
    for (int command = 0; command < kCommandCount; ++command) {
        const QString entry = keysEntry(command);
        unknown.removeOne(entry);
        for (const QString& name : file.value(entry).toStringList()) {
            const QKeySequence sequence =
                QKeySequence::fromString(name, QKeySequence::PortableText);
            if (name.isEmpty())
                continue;
            if (sequence.count() != 1 ||
                keyName(sequence[0]).compare(name, Qt::CaseInsensitive) != 0) {
                why = QStringLiteral("%1 names \"%2\", which is no key").arg(entry, name);
                return std::nullopt;
            }
            if (isFixedKey(sequence[0]) || settings.commandFor(sequence[0])) {
                why = QStringLiteral("%1 names %2, which is the game's own or taken")
                          .arg(entry, name);
                return std::nullopt;
            }
            settings.keys[command].append(sequence[0]);
        }
    }
    if (!unknown.isEmpty()) {
        why = QStringLiteral("it holds %1, which is no setting").arg(unknown.front());
        return std::nullopt;
    }
    return settings;
}

} // namespace

bool isBoardAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment() &&
           url.userInfo().isEmpty();
}

char commandCode(Command command) {
    return kEntries[static_cast<int>(command)].code;
}

bool isFixedKey(QKeyCombination key) {
    const Qt::Key code = key.key();
    const bool letter = std::any_of(std::begin(kEntries), std::end(kEntries), [code](auto entry) {
        return entry.code && code == Qt::Key_A + (entry.code - 'a');
    });
    switch (code) {
    case Qt::Key_Pause:
    case Qt::Key_Escape:
    case Qt::Key_F11:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_unknown:
        return true;
    default:
        return letter || code == 0;
    }
}

QKeyCombination pressedKey(int key, Qt::KeyboardModifiers modifiers) {
    return QKeyCombination(
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier),
        static_cast<Qt::Key>(key));
}

Settings::KeyLists Settings::arrowsAndSpace() {
    KeyLists keys{};
    keys[int(Command::Left)] = {Qt::Key_Left};
    keys[int(Command::Right)] = {Qt::Key_Right};
    keys[int(Command::Stop)] = {Qt::Key_Down};
    keys[int(Command::Fire)] = {Qt::Key_Space};
    return keys;
}

std::optional<Command> Settings::commandFor(QKeyCombination key) const {
    for (int command = 0; command < kCommandCount; ++command) {
        if (keys[command].contains(key))
            return static_cast<Command>(command);
    }
    return std::nullopt;
}

bool Settings::addKey(Command command, QKeyCombination key) {
    if (isFixedKey(key))
        return false;
    for (QList<QKeyCombination>& list : keys)
        list.removeAll(key);
    keys[int(command)].append(key);
    return true;
}

QString SettingsStore::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zelto/zelto.conf");
}

void SettingsStore::open(const QString& file) {
    file_ = file;
    current_ = Settings();
    if (QFileInfo::exists(file)) {
        const QSettings settings(file, QSettings::IniFormat);
        QString why;
        std::optional<Settings> read;
        if (settings.status() != QSettings::NoError)
            why = QStringLiteral("it cannot be read");
        else if (settings.allKeys().isEmpty() && QFileInfo(file).size() > 0)
            why = QStringLiteral("it holds no setting");
        else
            read = zelto::read(settings, why);
        if (read)
            current_ = *read;
        else
            qCWarning(lcSettings,
                      "%s: %s; the game plays with the default settings and leaves "
                      "the file as it is until a setting is changed",
                      qUtf8Printable(file), qUtf8Printable(why));
    }
    emit changed();
}

void SettingsStore::change(const Settings& settings) {
    if (settings == current_)
        return;
    current_ = settings;
    if (!file_.isEmpty()) {
        // A damaged file read at open() is replaced whole: clear() drops whatever it held.
        QSettings file(file_, QSettings::IniFormat);
        file.clear();
        file.setValue(QLatin1String(kFullScreen), settings.fullScreen);
        file.setValue(QLatin1String(kMusicAtStart), settings.musicAtStart);
        file.setValue(QLatin1String(kMusicVolume), settings.musicVolume);
        file.setValue(QLatin1String(kEffectsVolume), settings.effectsVolume);
        if (!settings.playerName.isEmpty())
            file.setValue(QLatin1String(kPlayerName), settings.playerName);
        if (!settings.boardUrl.isEmpty())
            file.setValue(QLatin1String(kBoardUrl), settings.boardUrl);
        for (int command = 0; command < kCommandCount; ++command) {
            QStringList names;
            for (const QKeyCombination key : settings.keys[command])
                names.append(keyName(key));
            if (!names.isEmpty())
                file.setValue(keysEntry(command), names);
        }
        file.sync();
        // The status of a file that was damaged when read stays FormatError after a good write.
        if (file.status() == QSettings::AccessError)
            qCWarning(lcSettings, "%s cannot be written; the settings hold until the game ends",
                      qUtf8Printable(file_));
    }
    emit changed();
}

} // namespace zelto
