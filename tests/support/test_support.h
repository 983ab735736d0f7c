// Shared helpers for the tests: fakes that record what the game does outside itself, and a
// play field on the virtual clock.
#pragma once

#include "game/play_field.h"

#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zelto::test {

/// A device that remembers every call, for tests.
class RecordingSoundDevice final : public SoundDevice {
public:
    struct Call {
        std::string operation; // "open", "play" or "close"
        SoundChannel channel;
        std::filesystem::path file;
        friend bool operator==(const Call&, const Call&) = default;
    };
    std::vector<Call> calls;

    void open(SoundChannel channel, const std::filesystem::path& file) override {
        calls.push_back({"open", channel, file});
    }
    void play(SoundChannel channel) override { calls.push_back({"play", channel, {}}); }
    void close(SoundChannel channel) override { calls.push_back({"close", channel, {}}); }
};

/// Records every outside effect as one line, in order: "sound MMControl2 Command Play",
/// "msgbox GameOver Zelto!", "record 0\r\n", "warning cannot save ...".
class RecordingHost final : public Host {
public:
    std::vector<std::string> events;
    /// Runs inside the message box, as the nested event loop would.
    std::function<void()> whileMessageOpen;

    void showMessage(std::string_view text, std::string_view title) override;
    void recordWritten(std::string_view bytes) override;
    void recordWarning(std::string_view why) override;
    void soundPropertySet(std::string_view control, std::string_view property,
                          std::string_view value) override;
    int count(std::string_view prefix) const;
};

/// A game on the virtual clock with its record file in a fresh scratch folder.
struct Game {
    QTemporaryDir folder;
    RecordingHost host;
    RecordingSoundDevice sound;
    PlayField field{host, sound, folder.path().toStdString(), {}};

    /// Opens the play field; with a `record`, the record file holds those bytes first.
    explicit Game(const std::string& record = {});
    Form1& form() { return *field.form(); }
    /// Lets `ms` of virtual time pass, delivering every tick that falls due.
    void wait(std::int64_t ms) { field.stepTo(field.now() + ms); }
};

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

} // namespace zelto::test
