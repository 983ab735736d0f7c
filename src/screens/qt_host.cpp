#include "screens/qt_host.h"

#include <QLoggingCategory>
#include <QMessageBox>
#include <utility>

namespace zelto {

namespace {

Q_LOGGING_CATEGORY(lcRecord, "zelto.record", QtWarningMsg)

/// The game's texts are single-byte Windows text; Latin-1 keeps every byte as a character.
QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

QtHost::QtHost() : box_(&QtHost::showWarningBox) {}

QtHost::QtHost(MessageBox box) : box_(std::move(box)) {}

void QtHost::showMessage(std::string_view text, std::string_view title) {
    if (box_)
        box_(fromBytes(text), fromBytes(title));
}

void QtHost::recordWarning(std::string_view why) {
    // File names and system messages are the local 8-bit encoding.
    qCWarning(lcRecord).noquote() << QString::fromLocal8Bit(why.data(),
                                                            static_cast<qsizetype>(why.size()));
}

void QtHost::showWarningBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace zelto
