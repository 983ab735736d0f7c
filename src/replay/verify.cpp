#include "replay/verify.h"

#include "base/caption_number.h"
#include "replay/interpreter.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <limits>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace zelto {

int openRegularFile(const std::filesystem::path& path, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        problem = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = S_ISDIR(status.st_mode) ? "it is a folder" : "it is no regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> readRecordingFile(const std::filesystem::path& path,
                                             const script::Limits& limits, std::string& problem) {
    const int fd = openRegularFile(path, problem);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            problem = std::strerror(errno);
        if (got <= 0)
            break;
        if (text.size() + static_cast<std::size_t>(got) > limits.maxBytes) {
            problem = "it is larger than " + std::to_string(limits.maxBytes) + " bytes";
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (!problem.empty())
        return std::nullopt;
    return text;
}

Verdict verifyRecording(std::string_view text, const VerifyOptions& options) {
    Verdict verdict;
    script::Lines lines(text, options.limits);
    try {
        Interpreter::Setup setup;
        setup.out = options.events;
        setup.strict = true;
        setup.best = options.best;
        setup.limits = options.limits;
        Interpreter interpreter(setup);
        if (text.find_first_not_of(" \t\r\n") == std::string_view::npos ||
            !script::isRecording(text.substr(0, options.limits.maxBytes)))
            throw script::Stop{1, "this is no recording: it does not begin with recording"};
        verdict.stop = interpreter.run([&lines] { return lines.next(); }, options.partial);
        const Interpreter::Summary& summary = interpreter.summary();
        verdict.player = summary.player;
        verdict.best = summary.best;
        verdict.score = summary.score;
        const double points = readCaptionNumber(summary.score);
        verdict.points =
            std::isfinite(points) && std::abs(points) < 1e18 ? static_cast<long long>(points) : 0;
        verdict.lengthMs = summary.lastMoment - summary.openedAt;
        verdict.keys = summary.keys;
        verdict.gameOver = summary.gameOver;
        verdict.quit = summary.quit;
        verdict.complete = summary.ended;
    } catch (const script::Stop& stop) {
        verdict.stop = stop;
    } catch (const std::exception& error) {
        verdict.stop =
            script::Stop{lines.number(), std::string("cannot check it: ") + error.what()};
    }
    if (options.events)
        options.events->flush();
    return verdict;
}

} // namespace zelto
