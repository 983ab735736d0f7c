// The sound device of the Qt shell: wave files played on the PulseAudio sound server.
#pragma once

#include "sound/sound_device.h"

#include <QFile>
#include <QLoggingCategory>
#include <array>
#include <cstdint>
#include <memory>

class QThread;
struct pa_context;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;

namespace zelto {

/// Diagnostics of the sound device, off by default: QT_LOGGING_RULES="zelto.sound.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSound)

/// Plays wave files on three independent channels, each its own stream on the sound server.
/// Nothing here waits: the client library is loaded and the server reached in the background,
/// the sound is read from its file as it plays, and a play asked for meanwhile starts once the
/// server is reached (which needs the Qt event loop running).
/// Only uncompressed PCM wave files of at most 64 MiB are played; every other file (missing,
/// unreadable, malformed, too large) leaves its channel silent and costs exactly one line in
/// zelto.sound per open. Without a sound server every channel is silent; the server is looked
/// for again at each open, so sound comes back when a server starts or restarts.
/// Constructing the device costs nothing: the server is first reached at the first open.
class PulseSoundDevice final : public SoundDevice {
public:
    PulseSoundDevice();
    ~PulseSoundDevice() override;
    PulseSoundDevice(const PulseSoundDevice&) = delete;
    PulseSoundDevice& operator=(const PulseSoundDevice&) = delete;

    void open(SoundChannel channel, const std::filesystem::path& file) override;
    void play(SoundChannel channel) override;
    void close(SoundChannel channel) override;

    /// Whether the channel holds a file it can play (opened and not closed since).
    bool isOpen(SoundChannel channel) const;
    /// Holds every channel where it is (its stream stays on the server, corked) or lets them
    /// all play on from there. A sound that starts while paused starts held.
    void setPaused(bool paused) override;
    /// Sets the volume of the channel's stream on the server (its sink input's volume), of the
    /// one playing now and of those to come.
    void setVolume(SoundChannel channel, int percent) override;

    /// Where a playable wave file keeps its sound, as its header tells.
    struct WaveLayout {
        int channels = 0;
        std::uint32_t sampleRate = 0;
        int bitsPerSample = 0;
        std::int64_t dataOffset = 0; ///< of the first sample, from the start of the file
        std::int64_t dataBytes = 0;  ///< whole frames only
    };

private:
    struct Channel {
        const char* name = "";
        bool open = false;
        // The server's thread touches what follows only under the main loop's lock, and the
        // file and layout only while the channel has a stream or a waiting play; open() sets
        // them up while it has neither.
        QFile file;
        WaveLayout layout;
        std::int64_t written = 0;
        bool playWhenConnected = false;
        pa_stream* stream = nullptr;
        pa_operation* drain = nullptr;
        int volume = 100;       // percent: what the channel's streams are to have
        int streamVolume = 100; // what its stream has, or was connected with
    };
    Channel& channel(SoundChannel id);
    const Channel& channel(SoundChannel id) const;

    void reachServer();
    void startStream(Channel& c);
    static void dropStream(Channel& c);
    void dropContext();

    /// Sets the volume of the channel's stream, once it is on the server.
    void applyVolume(Channel& c);

    static void onContextState(pa_context* context, void* device);
    static void onStreamState(pa_stream* stream, void* device);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* channel);
    static void onDrained(pa_stream* stream, int success, void* channel);

    std::array<Channel, kSoundChannelCount> channels_;
    /// Loads the client library, once, at the first open of a playable file.
    std::unique_ptr<QThread> loader_;
    /// Receives the loader's end on the game's thread, while the device lives.
    QObject receiver_;
    bool loaded_ = false;
    bool paused_ = false; // read by the server's thread under the main loop's lock
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

} // namespace zelto
