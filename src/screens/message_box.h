// The game's message box on screen.
#pragma once

#include "shell/qt_host.h"

#include <QPointer>

class QMessageBox;

namespace zelto {

/// The real box: application-modal, with the warning icon, the text in the player's language
/// and one OK button; its nested event loop goes on delivering the game's ticks. On Wayland it
/// has the caption bar of the game's other windows (see setFixedFrame).
class WarningBoxes final : public MessageBoxes {
public:
    void show(const QString& text, const QString& title) override;
    bool answer() override;

private:
    QPointer<QMessageBox> box_;
};

} // namespace zelto
