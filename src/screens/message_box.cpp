#include "screens/message_box.h"

#include "kit/window_kit.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace zelto {

namespace {

// The rules' own texts as the box shows them, in the player's language; the rules, their
// recordings and replays keep them as they are.
[[maybe_unused]] const char* const kBoxTexts[] = {
    QT_TRANSLATE_NOOP("zelto::WarningBoxes", "GameOver"),
    QT_TRANSLATE_NOOP("zelto::WarningBoxes", "Zelto!"),
};

QString translated(const QString& text) {
    return QCoreApplication::translate("zelto::WarningBoxes", text.toUtf8().constData());
}

} // namespace

void WarningBoxes::show(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, translated(title), translated(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // On X11 the window manager frames the box; on Wayland it draws the game's own caption
    // bar, whose only button is the close box, as the other windows do.
    if (drawsOwnCaptionBar())
        setFixedFrame(box, QSize(), false);
    box_ = &box;
    box.exec();
}

bool WarningBoxes::answer() {
    if (!box_)
        return false;
    box_->done(QMessageBox::Ok);
    return true;
}

} // namespace zelto
