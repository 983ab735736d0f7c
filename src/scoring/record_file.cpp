#include "scoring/record_file.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "field/form1.h"
#include "field/host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <process.h>
#endif

namespace zelto {

namespace {

constexpr std::string_view kName = "record.dat";

std::string cannotSave(const std::filesystem::path& file, const std::string& reason) {
    return "cannot save the best score in " + file.string() + ": " + reason;
}

/// Whether a status taken through a link says that the link leads nowhere: its target is
/// missing, or the links go round in a loop. Such a name holds no record to lose.
bool leadsNowhere(const std::filesystem::file_status& status, const std::error_code& error) {
    return status.type() == std::filesystem::file_type::not_found ||
           error == std::errc::too_many_symbolic_link_levels;
}

long processId() {
#ifndef _WIN32
    return static_cast<long>(::getpid());
#else
    return static_cast<long>(::_getpid());
#endif
}

#ifndef _WIN32
/// Reads the start of a regular file into `content`; false with a reason when it cannot.
bool readRegularFile(const std::filesystem::path& file, std::string& content, std::string& why) {
    // Non-blocking, so that a FIFO put in the file's place since it was looked at cannot
    // stall the game; the check below then turns it away.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = "not a regular file";
        ::close(fd);
        return false;
    }
    std::vector<char> buffer(RecordFile::kMaxRead);
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    content.assign(buffer.data(), filled);
    return true;
}

/// Removes a file left by an earlier process with the same id; never a directory.
void removeStale(const std::filesystem::path& file) {
    ::unlink(file.c_str());
}

void createEmpty(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0)
        ::close(fd);
}

/// Writes, flushes to the disk and closes a new file; false with a reason on any failure.
/// With `like`, the new file gets that file's mode and, where the process may, its owner,
/// before any byte is in it.
bool writeNewFile(const std::filesystem::path& file, std::string_view bytes,
                  const std::filesystem::path* like, std::string& reason) {
    struct stat old {};
    const bool copy = like != nullptr && ::stat(like->c_str(), &old) == 0;
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, copy ? 0600 : 0666);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (copy) {
        // Owner first, since a change of owner clears the set-id bits the mode then restores.
        // Only a privileged process may give a file away; others keep at least the group.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not allowed either: the file becomes this user's, with the old mode.
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            reason = std::strerror(errno);
            ::close(fd);
            return false;
        }
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            reason = std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}
#else
bool readRegularFile(const std::filesystem::path& file, std::string& content, std::string& why) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "cannot open it";
        return false;
    }
    content.assign(RecordFile::kMaxRead, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad()) {
        why = "read error";
        return false;
    }
    content.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return true;
}

void removeStale(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error))
        std::filesystem::remove(file, error);
}

void createEmpty(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
}

bool writeNewFile(const std::filesystem::path& file, std::string_view bytes,
                  const std::filesystem::path* /*like*/, std::string& reason) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
        reason = "write failed";
        return false;
    }
    return true;
}
#endif

} // namespace

RecordFile::RecordFile(std::filesystem::path folder, Host* host)
    : folder_(std::move(folder)), host_(host) {}

void RecordFile::warn(Trouble trouble, const std::string& why) {
    const auto bit = static_cast<std::uint8_t>(trouble);
    if ((warned_ & bit) != 0)
        return;
    warned_ |= bit;
    if (host_ != nullptr)
        host_->recordWarning(why);
}

std::filesystem::path RecordFile::path() const {
    // On a file system that tells case apart, "record.dat" and "Record.dat" must still be one
    // file: take whichever spelling exists, the exact one first.
    std::error_code error;
    std::vector<std::string> spellings;
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (equalsIgnoringCase(name, kName))
            spellings.push_back(name);
    }
    if (spellings.empty() ||
        std::find(spellings.begin(), spellings.end(), kName) != spellings.end())
        return folder_ / kName;
    std::sort(spellings.begin(), spellings.end());
    return folder_ / spellings.front();
}

std::string RecordFile::read() {
    const std::filesystem::path file = path();
    std::error_code error;
    const auto behind = std::filesystem::status(file, error);
    if (leadsNowhere(behind, error)) {
        // Never create a file through a link: only a name that is not there gets one.
        if (!std::filesystem::exists(std::filesystem::symlink_status(file, error)))
            createEmpty(file);
        return {};
    }
    std::string content;
    std::string why;
    if (error)
        why = error.message();
    else if (!std::filesystem::is_regular_file(behind))
        why = "not a regular file";
    else if (readRegularFile(file, content, why))
        return content;
    // A best score the game never saw must not be replaced by a lower one.
    readFailed_ = true;
    warn(Trouble::Unreadable, "cannot read the best score in " + file.string() + " (" + why +
                                  "); it will not be overwritten");
    return {};
}

bool RecordFile::write(std::string_view bytes) {
    if (readFailed_)
        return false; // read() has said why
    const std::filesystem::path name = path();
    std::filesystem::path target = name;
    bool replacing = false; // an existing regular file, whose mode and owner the new one takes
    std::error_code error;
    const auto entry = std::filesystem::symlink_status(name, error);
    if (std::filesystem::is_symlink(entry)) {
        const auto behind = std::filesystem::status(name, error);
        if (leadsNowhere(behind, error)) {
            // Nothing behind the link to lose: the link itself is replaced.
        } else if (error) {
            warn(Trouble::WriteFailed, cannotSave(name, error.message()));
            return false;
        } else if (!std::filesystem::is_regular_file(behind)) {
            warn(Trouble::NotRegular, cannotSave(name, "it leads to something not a regular file"));
            return false;
        } else {
            // The record file elsewhere is updated; the link keeps pointing there.
            target = std::filesystem::canonical(name, error);
            if (error) {
                warn(Trouble::WriteFailed, cannotSave(name, error.message()));
                return false;
            }
            replacing = true;
        }
    } else if (std::filesystem::is_regular_file(entry)) {
        replacing = true;
    } else if (std::filesystem::exists(entry)) {
        warn(Trouble::NotRegular, cannotSave(name, "it is not a regular file"));
        return false;
    }
    // One name per process: writes within a process never overlap, and other processes
    // (another game in the same folder) use names of their own. A file with other hard links
    // is replaced too, so the write stays atomic: the other names keep the old record.
    const std::filesystem::path temporary =
        target.parent_path() /
        ("." + target.filename().string() + "." + std::to_string(processId()) + ".tmp");
    removeStale(temporary);
    std::string reason;
    if (!writeNewFile(temporary, bytes, replacing ? &target : nullptr, reason)) {
        removeStale(temporary);
        warn(Trouble::WriteFailed, cannotSave(target, reason));
        return false;
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        reason = error.message();
        removeStale(temporary);
        warn(Trouble::WriteFailed, cannotSave(target, reason));
        return false;
    }
    // Saving works again: a later failure is news.
    warned_ &= static_cast<std::uint8_t>(~static_cast<unsigned>(Trouble::WriteFailed));
    return true;
}

std::string recordLine(double value) {
    return formatNumber(value) + "\r\n";
}

bool writeRecordIfDue(Form1& form) {
    const double record = readCaptionNumber(form.Label4.caption);
    const double best = readCaptionNumber(form.Label4.caption);
    const double score = readCaptionNumber(form.Label1.caption);
    if (!(score == best || best < score))
        return false;
    const std::string line = recordLine(record);
    if (!form.recordFile().write(line))
        return false;
    form.host().recordWritten(line);
    return true;
}

} // namespace zelto
