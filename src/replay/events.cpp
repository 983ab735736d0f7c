#include "replay/events.h"

#include "replay/script_text.h"

#include <ostream>

namespace zelto {

void EventLog::sound(std::int64_t at, std::string_view control, std::string_view property,
                     std::string_view value) {
    add('@' + std::to_string(at) + " sound " + std::string(control) + ' ' + std::string(property) +
        ' ' + quote(value));
}

void EventLog::message(std::int64_t at, std::string_view text, std::string_view title) {
    add('@' + std::to_string(at) + " msgbox " + quote(text) + ' ' + quote(title));
}

void EventLog::record(std::int64_t at, std::string_view bytes) {
    add('@' + std::to_string(at) + " record " + quote(bytes));
}

void EventLog::restart() {
    *this = EventLog(out_);
}

std::string EventLog::summary() const {
    return std::to_string(count_) + ' ' + std::to_string(fingerprint_.value());
}

void EventLog::add(const std::string& line) {
    if (out_)
        *out_ << line << '\n';
    ++count_;
    fingerprint_.add(line);
}

} // namespace zelto
