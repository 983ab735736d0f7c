#include "screens/commands.h"

#include <QCoreApplication>
#include <QKeySequence>

namespace zelto {

namespace {

constexpr const char* kContext = "zelto::Commands";

/// By Command.
constexpr const char* kNames[kCommandCount] = {
    QT_TRANSLATE_NOOP("zelto::Commands", "Sinistra"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Destra"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Stop"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Laser"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Turbo"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Blocca il turbo"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Attiva la musica"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Ferma la musica"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Esci"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Pausa"),
    QT_TRANSLATE_NOOP("zelto::Commands", "Schermo intero"),
};

/// The keys that the windows name themselves, with Qt's name for the rest.
QString ownName(Qt::Key key) {
    switch (key) {
    case Qt::Key_Left:
        return QStringLiteral("←");
    case Qt::Key_Right:
        return QStringLiteral("→");
    case Qt::Key_Up:
        return QStringLiteral("↑");
    case Qt::Key_Down:
        return QStringLiteral("↓");
    case Qt::Key_Space:
        return QCoreApplication::translate("zelto::Commands", "Spazio");
    default:
        return QKeySequence(key).toString(QKeySequence::NativeText);
    }
}

} // namespace

QString commandName(Command command) {
    return QCoreApplication::translate(kContext, kNames[static_cast<int>(command)]);
}

QString fixedKeysText(Command command) {
    if (command == Command::Pause)
        return QCoreApplication::translate("zelto::Commands", "Pausa, Esc");
    if (command == Command::FullScreen)
        return QStringLiteral("F11");
    return QString(QChar::fromLatin1(commandCode(command))).toUpper();
}

QString keyText(QKeyCombination key) {
    // Qt names the modifiers before the key, as in "Ctrl+Left"; the key's own name replaces
    // Qt's at the end.
    QString text = QKeySequence(key).toString(QKeySequence::NativeText);
    const QString qtName = QKeySequence(key.key()).toString(QKeySequence::NativeText);
    if (text.endsWith(qtName))
        text.chop(qtName.size());
    return text + ownName(key.key());
}

QStringList extraKeyLines(const Settings& settings) {
    QStringList lines;
    for (int command = 0; command < kCommandCount; ++command) {
        for (const QKeyCombination key : settings.keys[command])
            lines.append(keyText(key) + QStringLiteral(" = ") +
                         commandName(static_cast<Command>(command)));
    }
    return lines;
}

} // namespace zelto
