#include "screens/translations.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

namespace zelto {

bool installTranslation(QCoreApplication& application, const QLocale& locale) {
    // QLocale would look further, through the LANGUAGE variable, even for the C locale.
    if (locale.language() == QLocale::C || locale.language() == QLocale::Italian)
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("zelto"), QStringLiteral("_"),
                          QStringLiteral(":/i18n")) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release()->setParent(&application); // lives as long as the program
    return true;
}

} // namespace zelto
