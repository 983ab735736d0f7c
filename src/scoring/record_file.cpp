#include "scoring/record_file.h"

#include "field/form1.h"
#include "field/text.h"
#include "scoring/caption_number.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
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

void warn(const std::filesystem::path& file, const std::string& reason) {
    std::cerr << "zelto: cannot save the best score in " << file.string() << ": " << reason << '\n';
}

long processId() {
#ifndef _WIN32
    return static_cast<long>(::getpid());
#else
    return static_cast<long>(::_getpid());
#endif
}

#ifndef _WIN32
std::string readRegularFile(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO put in the file's place cannot stall the game.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::vector<char> buffer(RecordFile::kMaxRead);
        std::size_t filled = 0;
        while (filled < buffer.size()) {
            const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        content.assign(buffer.data(), filled);
    }
    ::close(fd);
    return content;
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
bool writeNewFile(const std::filesystem::path& file, std::string_view bytes, std::string& reason) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
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
std::string readRegularFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string content(RecordFile::kMaxRead, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return content;
}

void removeStale(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error))
        std::filesystem::remove(file, error);
}

void createEmpty(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
}

bool writeNewFile(const std::filesystem::path& file, std::string_view bytes, std::string& reason) {
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

RecordFile::RecordFile(std::filesystem::path folder) : folder_(std::move(folder)) {}

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

std::string RecordFile::read() const {
    const std::filesystem::path file = path();
    std::error_code error;
    const auto link = std::filesystem::symlink_status(file, error);
    if (!std::filesystem::exists(link)) {
        createEmpty(file);
        return {};
    }
    if (!std::filesystem::is_regular_file(std::filesystem::status(file, error)))
        return {};
    return readRegularFile(file);
}

bool RecordFile::write(std::string_view bytes) const {
    std::filesystem::path target = path();
    std::error_code error;
    // A link to a record file elsewhere keeps pointing there.
    if (std::filesystem::is_symlink(target, error) && std::filesystem::exists(target, error))
        target = std::filesystem::canonical(target, error);
    if (std::filesystem::is_directory(target, error)) {
        warn(target, "it is a directory");
        return false;
    }
    // One name per process: writes within a process never overlap, and other processes
    // (another game in the same folder) use names of their own.
    const std::filesystem::path temporary =
        target.parent_path() /
        ("." + target.filename().string() + "." + std::to_string(processId()) + ".tmp");
    removeStale(temporary);
    std::string reason;
    if (!writeNewFile(temporary, bytes, reason)) {
        removeStale(temporary);
        warn(target, reason);
        return false;
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        reason = error.message();
        removeStale(temporary);
        warn(target, reason);
        return false;
    }
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
    if (!RecordFile(form.recordFolder()).write(line))
        return false;
    form.host().recordWritten(line);
    return true;
}

} // namespace zelto
