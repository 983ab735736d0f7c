// The windows' texts in the player's language.
#pragma once

#include <QLocale>

class QCoreApplication;

namespace zelto {

/// Installs the translation of the windows' texts into the language of `locale` (built in as
/// :/i18n/zelto_LANGUAGE.qm), when there is one; true if it did. The texts are written in
/// Italian, which needs none, and so does the C locale: both show them as they are. Only the
/// windows made afterwards show the translation. The rules' own texts, which recordings hold,
/// never change; the windows translate them as they show them.
bool installTranslation(QCoreApplication& application, const QLocale& locale = QLocale::system());

} // namespace zelto
