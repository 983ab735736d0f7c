// The play field's window on the world, in a Qt program.
#pragma once

#include "field/host.h"

#include <QString>
#include <functional>

namespace zelto {

/// The game's modal message box, as the program's windows show it.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    /// Shows a modal box with one OK button and the warning icon, and returns once it has
    /// been answered; the event loop goes on meanwhile (the game's timers still tick).
    virtual void show(const QString& text, const QString& title) = 0;
    /// Answers the box that is open, as a player would; false when none is.
    virtual bool answer() = 0;
};

/// Shows the game's message boxes through `boxes`, and reports the record file's troubles as
/// warnings of the logging category "zelto.record", shown by default: a best score at risk is
/// worth a line on the terminal.
class QtHost final : public Host {
public:
    explicit QtHost(MessageBoxes* boxes) : boxes_(boxes) {}

    void showMessage(std::string_view text, std::string_view title) override;
    void recordWarning(std::string_view why) override;
    /// Answers the box that is open; false when none is.
    bool answerBox() { return boxes_ && boxes_->answer(); }
    /// Called with true just before a box opens, from the handler that opens it, and with
    /// false once it has been answered.
    void setBoxOpen(std::function<void(bool)> boxOpen) { boxOpen_ = std::move(boxOpen); }

private:
    MessageBoxes* boxes_;
    std::function<void(bool)> boxOpen_;
};

} // namespace zelto
