// The record file: the best score, kept between games as one line in the current directory.
#pragma once

#include "field/host.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelto {

class Form1;

/// The record file "record.dat" in a folder. Any spelling of the name that differs only in
/// case reaches the one file that exists; a missing file is created as "record.dat".
///
/// One object serves the whole run of the program and remembers what it could read: a best
/// score it never saw must not be replaced by a lower one. Its warnings go to the host, each
/// kind once while the object lives (a new write failure after a good write warns again).
class RecordFile final : public RecordStore {
public:
    static constexpr std::size_t kMaxRead = 64 * 1024;

    explicit RecordFile(std::filesystem::path folder, Host* host = nullptr);

    /// The file's bytes (at most the first 64 KiB); this never blocks. A missing file is
    /// created empty, unless the name is a link that leads nowhere (a dangling link or a
    /// loop), which reads as empty. A file that exists but cannot be read (no permission, a
    /// read error, anything but a regular file behind the name) reads as empty too, and from
    /// then on this object never writes.
    std::string read() override;

    /// Replaces the content of the regular file behind the name atomically: a temporary file
    /// beside it gets the bytes, the file's mode and (where the process may) its owner, is
    /// flushed and renamed over it, so a failed write leaves the old content intact. Through
    /// a link to a regular file, that file is replaced and the link kept; a link that leads
    /// nowhere is itself replaced. A hard-linked file is replaced like any other: its other
    /// names keep the old content. Nothing else is ever written through or replaced (a
    /// device, FIFO, socket or directory, or a file read() could not read): false with a
    /// warning, as for every failure.
    bool write(std::string_view bytes) override;
    bool refusesWrites() const override { return readFailed_; }

    /// The path the file has, or gets when it is created.
    std::filesystem::path path() const;

private:
    enum class Trouble : std::uint8_t { Unreadable = 1, NotRegular = 2, WriteFailed = 4 };
    void warn(Trouble trouble, const std::string& why);

    std::filesystem::path folder_;
    Host* host_;
    bool readFailed_ = false;
    std::uint8_t warned_ = 0; // Trouble bits already reported
};

/// The record line for a value: its shortest decimal text, then CR LF ("1500\r\n").
std::string recordLine(double value);

/// Writes the record file if the score has reached the best score: reads Label4's value
/// (the record), Label4's again (the best) and Label1's (the score); when the score equals
/// the best or the best is below it, writes the record. Returns whether it wrote.
bool writeRecordIfDue(Form1& form);

} // namespace zelto
