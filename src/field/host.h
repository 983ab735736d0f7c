// What the play field asks of the world around it, besides its sound device.
#pragma once

#include "sound/sound_device.h"

#include <string>
#include <string_view>
#include <utility>

namespace zelto {

/// The play field's window on the world: the modal message box and the notices of what the
/// game does outside itself. The game shell implements it with real windows; the replay tool
/// prints each call and answers the box at once.
class Host : public SoundTrace {
public:
    /// Shows a modal message box with one OK button and the exclamation icon, and returns
    /// once it has been answered. Timer ticks may be delivered while it is open.
    virtual void showMessage(std::string_view text, std::string_view title) = 0;
    /// The record file has just been written with these bytes.
    virtual void recordWritten(std::string_view /*bytes*/) {}
    /// The record file could not be read or saved, or must not be replaced; `why` is one
    /// line for the player, naming the file. Each kind of trouble comes once per run.
    virtual void recordWarning(std::string_view /*why*/) {}
};

/// Where the best score is kept between games: read when a game starts, written when the
/// record is due.
class RecordStore {
public:
    virtual ~RecordStore() = default;
    /// The stored bytes; empty when there are none.
    virtual std::string read() = 0;
    /// Replaces the stored bytes; false when they could not be stored.
    virtual bool write(std::string_view bytes) = 0;
    /// Whether every write from now on is refused, whatever it holds (a store that could not
    /// be read must not be overwritten).
    virtual bool refusesWrites() const { return false; }
};

/// A best score kept in memory: a game checked or watched again reads the best score it began
/// with and writes nothing that outlives it.
class MemoryRecordStore final : public RecordStore {
public:
    explicit MemoryRecordStore(std::string bytes = {}, bool refuses = false)
        : bytes_(std::move(bytes)), refuses_(refuses) {}
    std::string read() override { return bytes_; }
    bool write(std::string_view bytes) override {
        if (refuses_)
            return false;
        bytes_ = bytes;
        return true;
    }
    bool refusesWrites() const override { return refuses_; }
    void refuseWrites() { refuses_ = true; }

private:
    std::string bytes_;
    bool refuses_;
};

} // namespace zelto
