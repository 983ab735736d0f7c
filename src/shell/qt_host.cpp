#include "shell/qt_host.h"

#include "platform/logging.h"

namespace zelto {

namespace {

/// The game's texts are single-byte Windows text; Latin-1 keeps every byte as a character.
QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

void QtHost::showMessage(std::string_view text, std::string_view title) {
    if (boxOpen_)
        boxOpen_(true);
    if (boxes_)
        boxes_->show(fromBytes(text), fromBytes(title));
    if (boxOpen_)
        boxOpen_(false);
}

void QtHost::recordWarning(std::string_view why) {
    // File names and system messages are the local 8-bit encoding.
    qCWarning(lcRecord).noquote() << QString::fromLocal8Bit(why.data(),
                                                            static_cast<qsizetype>(why.size()));
}

} // namespace zelto
