#include "replay/replay.h"

#include "replay/interpreter.h"

#include <istream>
#include <ostream>

namespace zelto {

namespace {

/// A script's interpreter: its transcript to `out`, its record file in `folder`.
Interpreter::Setup scriptSetup(std::ostream& out, std::ostream* warnings,
                               const std::filesystem::path& folder) {
    Interpreter::Setup setup;
    setup.out = &out;
    setup.warnings = warnings;
    setup.folder = folder;
    return setup;
}

} // namespace

ReplayDriver::ReplayDriver(std::ostream& out, const std::filesystem::path& folder,
                           std::ostream* warnings)
    : interpreter_(std::make_unique<Interpreter>(scriptSetup(out, warnings, folder))) {}

ReplayDriver::~ReplayDriver() = default;

std::optional<std::string> ReplayDriver::execute(std::string_view line) {
    interpreter_->runLine(line);
    if (auto stop = interpreter_->takeStop())
        return stop->message;
    return std::nullopt;
}

PlayField& ReplayDriver::field() {
    return interpreter_->field();
}

int runReplay(std::istream& script, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder) {
    script::StreamLines lines(script, kMaxScriptLine);
    return runReplay([&lines] { return lines.next(); }, out, err, folder);
}

int runReplay(const std::function<std::optional<std::string_view>()>& next, std::ostream& out,
              std::ostream& err, const std::filesystem::path& folder) {
    Interpreter interpreter(scriptSetup(out, &err, folder));
    const auto stop = interpreter.run(next, false);
    out.flush();
    if (!stop)
        return 0;
    err << stop->text() << '\n';
    return 2;
}

} // namespace zelto
