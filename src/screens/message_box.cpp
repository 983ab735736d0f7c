#include "screens/message_box.h"

#include "kit/window_kit.h"

#include <QMessageBox>

namespace zelto {

void WarningBoxes::show(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
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
