// The play field's window on the world, on real windows.
#pragma once

#include "field/host.h"

#include <QString>
#include <functional>

namespace zelto {

/// Shows the game's message boxes and reports the record file's troubles as warnings of the
/// logging category "zelto.record", shown by default: a best score at risk is worth a line on
/// the terminal. By default a box is a modal QMessageBox with the warning
/// icon and one OK button; its nested event loop goes on delivering the game clock's ticks.
/// Tests replace the box so that nothing waits for an answer.
class QtHost : public Host {
public:
    /// Shows a box and returns once it has been answered.
    using MessageBox = std::function<void(const QString& text, const QString& title)>;

    QtHost();
    explicit QtHost(MessageBox box);

    void showMessage(std::string_view text, std::string_view title) override;
    void recordWarning(std::string_view why) override;

    /// The real box: application-modal, exclamation icon, one OK button.
    static void showWarningBox(const QString& text, const QString& title);

private:
    MessageBox box_;
};

} // namespace zelto
