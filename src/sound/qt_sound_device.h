// The sound device on Qt Multimedia.
#pragma once

#include "sound/sound_device.h"

#include <QString>
#include <array>
#include <memory>

class QSoundEffect;

namespace zelto {

/// Plays wave files on three independent channels, one QSoundEffect each. Nothing here waits:
/// a file is decoded in the background and a play asked for meanwhile starts once it is ready.
/// A file that is missing, unreadable or not a RIFF WAVE file leaves its channel silent and
/// costs exactly one warning line on standard error per open. Without an audio output (no
/// sound server) every channel is silent without a word.
class QtSoundDevice final : public SoundDevice {
public:
    QtSoundDevice();
    ~QtSoundDevice() override;
    QtSoundDevice(const QtSoundDevice&) = delete;
    QtSoundDevice& operator=(const QtSoundDevice&) = delete;

    void open(SoundChannel channel, const std::filesystem::path& file) override;
    void play(SoundChannel channel) override;
    void close(SoundChannel channel) override;

    /// Whether the channel holds a file it can play (opened and not closed since).
    bool isOpen(SoundChannel channel) const;

private:
    struct Channel {
        std::unique_ptr<QSoundEffect> effect;
        bool open = false;
    };
    Channel& channel(SoundChannel id);
    const Channel& channel(SoundChannel id) const;

    std::array<Channel, kSoundChannelCount> channels_;
};

} // namespace zelto
