#include "screens/message_box.h"

#include <QMessageBox>

namespace zelto {

void WarningBoxes::show(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
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
