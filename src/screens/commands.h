// The play field's commands and keys as the windows name them, in the player's language.
#pragma once

#include "settings/settings.h"

#include <QString>

namespace zelto {

/// What the settings window and the keys screen call a command: "Sinistra", "Pausa".
QString commandName(Command command);
/// A command's fixed keys: "Z", "Pausa, Esc", "F11".
QString fixedKeysText(Command command);
/// A key as the windows show it: the arrows as arrows, Space by its name, the others as Qt
/// names them ("Ctrl+W", "PgDown").
QString keyText(QKeyCombination key);
/// The extra keys of `settings`, one "KEY = COMMAND" a line, in the commands' order.
QStringList extraKeyLines(const Settings& settings);

} // namespace zelto
