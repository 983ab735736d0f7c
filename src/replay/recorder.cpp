#include "replay/recorder.h"

#include "replay/script_text.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zelto {

namespace {

constexpr std::size_t kTicksPerLine = 192;
constexpr std::string_view kHeading =
    "# A game of Zelto; zelto-replay FILE checks it, zelto --watch FILE shows it again.";

/// The temporary files of recordings left by programs that no longer run.
void removeStaleTemporaries(const std::filesystem::path& path) {
    std::error_code error;
    const std::string prefix = "." + path.filename().string() + ".";
    for (std::filesystem::directory_iterator it(path.parent_path(), error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !name.ends_with(".tmp"))
            continue;
        const long pid = std::atol(name.c_str() + prefix.size());
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove(it->path(), error);
    }
}

} // namespace

RecordingFile::RecordingFile(std::filesystem::path path, Mode mode,
                             std::function<void(const std::string&)> failed)
    : path_(std::move(path)), mode_(mode), failed_(std::move(failed)) {}

RecordingFile::~RecordingFile() {
    close();
}

void RecordingFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void RecordingFile::fail(const std::string& why) {
    close();
    // A temporary file that will never replace the recording goes at once.
    if (mode_ == Mode::Atomic && written_ != path_)
        ::unlink(written_.c_str());
    if (failed_ && !reported_)
        failed_("cannot record the game in " + path_.string() + ": " + why);
    reported_ = true;
}

void RecordingFile::start() {
    close();
    if (path_.empty()) // the recorder keeps the text only
        return;
    written_ = path_;
    if (mode_ == Mode::Atomic) {
        removeStaleTemporaries(path_);
        written_ = path_.parent_path() /
                   ("." + path_.filename().string() + "." + std::to_string(::getpid()) + ".tmp");
    }
    // Never waits on a FIFO, and writes nothing but a regular file: in place, it is emptied only
    // once that is known.
    fd_ = ::open(written_.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0)
        return fail(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return fail("it is no regular file");
    if (::ftruncate(fd_, 0) != 0)
        return fail(std::strerror(errno));
    committed_ = 0;
}

void RecordingFile::write(std::string_view lines) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < lines.size()) {
        const ssize_t put = ::write(fd_, lines.data() + done, lines.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // The file keeps ending on a whole line: what this write put there goes again.
            const std::string why = put < 0 ? std::strerror(errno) : "nothing could be written";
            [[maybe_unused]] const int cut = ::ftruncate(fd_, static_cast<off_t>(committed_));
            return fail(why);
        }
        done += static_cast<std::size_t>(put);
    }
    committed_ += done;
}

void RecordingFile::finish() {
    if (fd_ < 0)
        return;
    close();
    if (mode_ == Mode::Atomic && std::rename(written_.c_str(), path_.c_str()) != 0)
        fail(std::strerror(errno));
}

void Recorder::follow(PlayField& field, std::function<std::int64_t()> clock) {
    field_ = &field;
    clock_ = std::move(clock);
    field.setClosing([this](const Form1& form) {
        if (recording_)
            finish(form);
    });
}

void Recorder::write(const script::Command& command) {
    const std::string text = script::write(command) + '\n';
    lines_.add(std::string_view(text).substr(0, text.size() - 1));
    text_ += text;
    file_.write(text);
}

void Recorder::line(const script::Command& command) {
    flush();
    write(command);
}

void Recorder::flush() {
    if (!ticks_.empty())
        write(script::Ticks{std::exchange(ticks_, {})});
    if (pendingAt_)
        write(script::At{*std::exchange(pendingAt_, std::nullopt)});
}

void Recorder::gameOpening() {
    ticks_.clear();
    pendingAt_.reset();
    events_.restart();
    lines_ = script::Fingerprint();
    file_.start();
    recording_ = true;
    text_ = std::string(kHeading) + '\n';
    file_.write(text_);
    line(script::Recording{});
    line(script::At{now()});
    line(script::Open{});
}

void Recorder::gameOpened() {
    if (!recording_ || !field_->form())
        return;
    // Right after the start-up the best score is still what the record file held.
    record_ = field_->form()->Label4.caption;
    line(script::Best{record_});
    if (field_->recordStore().refusesWrites())
        line(script::Refused{});
}

void Recorder::advance(std::int64_t now, std::optional<std::int64_t> due) {
    if (!recording_)
        return;
    if (due && now >= *due && now - *due <= 3) {
        if (pendingAt_ || ticks_.size() == kTicksPerLine)
            flush();
        ticks_.push_back(static_cast<int>(now - *due));
    } else if (now > this->now()) {
        // Held back: a key that follows at once says it as "+MS" on its own line.
        flush();
        pendingAt_ = now;
        pendingSince_ = this->now();
    }
}

void Recorder::key(int code) {
    if (!recording_)
        return;
    script::Key key{code, 0};
    if (pendingAt_)
        key.later = *std::exchange(pendingAt_, std::nullopt) - pendingSince_;
    line(key);
}

void Recorder::pause(std::int64_t ms) {
    if (recording_)
        line(script::Pause{ms});
}

void Recorder::windowClosing() {
    if (recording_ && field_->isOpen())
        line(script::Close{later()});
}

std::int64_t Recorder::later() const {
    const std::int64_t ms = clock_ ? clock_() - now() : 0;
    return ms > 0 ? ms : 0;
}

void Recorder::programEnding() {
    if (recording_ && field_->form())
        finish(*field_->form());
}

void Recorder::finish(const Form1& form) {
    recording_ = false;
    line(script::Expect{"Label1.Caption", quote(form.Label1.caption)});
    line(script::Expect{"Label4.Caption", quote(form.Label4.caption)});
    line(script::Expect{"events", events_.summary()});
    line(script::Expect{"record", quote(record_)});
    line(script::End{std::to_string(lines_.value())});
    file_.finish();
    finished_ = std::exchange(text_, {});
}

void Recorder::showMessage(std::string_view text, std::string_view title) {
    events_.message(now(), text, title);
    flush();
    host_.showMessage(text, title);
    if (recording_)
        line(script::Answer{later()});
}

void Recorder::recordWritten(std::string_view bytes) {
    events_.record(now(), bytes);
    record_ = bytes;
    host_.recordWritten(bytes);
}

void Recorder::recordWarning(std::string_view why) {
    host_.recordWarning(why);
}

void Recorder::soundPropertySet(std::string_view control, std::string_view property,
                                std::string_view value) {
    events_.sound(now(), control, property, value);
    host_.soundPropertySet(control, property, value);
}

} // namespace zelto
