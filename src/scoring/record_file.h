// The record file: the best score, kept between games as one line in the current directory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zelto {

class Form1;

/// The record file "record.dat" in a folder. Any spelling of the name that differs only in
/// case reaches the one file that exists; a missing file is created as "record.dat".
class RecordFile {
public:
    static constexpr std::size_t kMaxRead = 64 * 1024;

    explicit RecordFile(std::filesystem::path folder);

    /// The file's bytes (at most the first 64 KiB). A missing file is created empty. A file
    /// that cannot be read or created (no permission, a directory or FIFO of that name, a
    /// dangling link) reads as empty; this never blocks.
    std::string read() const;

    /// Replaces the file's content atomically: a temporary file beside it is written,
    /// flushed and renamed over it, so a failed write leaves the old content intact. On
    /// failure a warning goes to standard error and false is returned.
    bool write(std::string_view bytes) const;

    /// The path the file has, or gets when it is created.
    std::filesystem::path path() const;

private:
    std::filesystem::path folder_;
};

/// The record line for a value: its shortest decimal text, then CR LF ("1500\r\n").
std::string recordLine(double value);

/// Writes the record file if the score has reached the best score: reads Label4's value
/// (the record), Label4's again (the best) and Label1's (the score); when the score equals
/// the best or the best is below it, writes the record. Returns whether it wrote.
bool writeRecordIfDue(Form1& form);

} // namespace zelto
