// The sound device behind the three sound channels.
#pragma once

#include <filesystem>
#include <string_view>

namespace zelto {

enum class SoundChannel : int { Music = 0, Explosion = 1, Laser = 2 };
inline constexpr int kSoundChannelCount = 3;

/// Plays wave files on independent channels. Nothing waits for playback, no call reports a
/// result, and a file that cannot be played leaves its channel silent.
class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    /// Opens a wave file on the channel, ready to play from its start.
    virtual void open(SoundChannel channel, const std::filesystem::path& file) = 0;
    /// Starts the opened file from its beginning.
    virtual void play(SoundChannel channel) = 0;
    /// Stops the channel and releases its file; on a closed channel it does nothing.
    virtual void close(SoundChannel channel) = 0;
    /// Holds every channel where it is, or lets them go on (the game's pause).
    virtual void setPaused(bool /*paused*/) {}
    /// The channel's volume from now on, in percent of the device's normal volume (0 to 100),
    /// for the sound playing and those to come. Every channel starts at 100.
    virtual void setVolume(SoundChannel /*channel*/, int /*percent*/) {}
};

/// A device that makes no sound.
class SilentSoundDevice final : public SoundDevice {
public:
    void open(SoundChannel, const std::filesystem::path&) override {}
    void play(SoundChannel) override {}
    void close(SoundChannel) override {}
};

/// Told of every property set on a sound control, as it happens.
class SoundTrace {
public:
    virtual ~SoundTrace() = default;
    virtual void soundPropertySet(std::string_view /*control*/, std::string_view /*property*/,
                                  std::string_view /*value*/) {}
};

} // namespace zelto
