#include "pulse/pulse_sound_device.h"

#include "platform/runtime_library.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <optional>
#include <pulse/pulseaudio.h>

namespace zelto {

Q_LOGGING_CATEGORY(lcSound, "zelto.sound", QtInfoMsg)

namespace {

// The client library is loaded when the first sound is opened, not linked: the game then
// starts without it, and a machine without it is merely silent.
#define ZELTO_PULSE_FUNCTIONS(X)                                                                   \
    X(pa_threaded_mainloop_new)                                                                    \
    X(pa_threaded_mainloop_start)                                                                  \
    X(pa_threaded_mainloop_stop)                                                                   \
    X(pa_threaded_mainloop_free)                                                                   \
    X(pa_threaded_mainloop_lock)                                                                   \
    X(pa_threaded_mainloop_unlock)                                                                 \
    X(pa_threaded_mainloop_get_api)                                                                \
    X(pa_context_new)                                                                              \
    X(pa_context_set_state_callback)                                                               \
    X(pa_context_connect)                                                                          \
    X(pa_context_get_state)                                                                        \
    X(pa_context_errno)                                                                            \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_unref)                                                                            \
    X(pa_channel_map_init_extend)                                                                  \
    X(pa_stream_new)                                                                               \
    X(pa_stream_set_write_callback)                                                                \
    X(pa_stream_set_state_callback)                                                                \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_get_index)                                                                         \
    X(pa_context_set_sink_input_volume)                                                            \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_begin_write)                                                                       \
    X(pa_stream_cancel_write)                                                                      \
    X(pa_stream_write)                                                                             \
    X(pa_stream_drain)                                                                             \
    X(pa_stream_cork)                                                                              \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_unref)                                                                             \
    X(pa_operation_cancel)                                                                         \
    X(pa_operation_unref)                                                                          \
    X(pa_strerror)

struct PulseApi {
    ZELTO_PULSE_FUNCTIONS(ZELTO_DECLARE_FUNCTION)
};

/// The client library, or null when this machine has none (said once).
const PulseApi* pulse() {
    static const std::optional<PulseApi> api =
        loadLibrary<PulseApi>(QStringLiteral("pulse"), 0, lcSound(), "the game is silent",
                              [](SymbolResolver& resolve, PulseApi& api) {
                                  ZELTO_PULSE_FUNCTIONS(ZELTO_RESOLVE_FUNCTION)
                              });
    return api ? &*api : nullptr;
}

/// Holds the main loop's lock: the server's thread runs every callback under it.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) {
        pulse()->pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() { pulse()->pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// Five minutes of CD-quality stereo; a larger file is refused before anything is read.
constexpr qint64 kMaxWaveFileBytes = 64 * 1024 * 1024;
// Chunks looked at for the format and the sound; real files have a handful.
constexpr int kMaxChunks = 16;
constexpr int kMaxChannels = 8;
// A PCM format chunk: 16 bytes, 18 with an empty extension, 40 in the extensible form.
constexpr quint32 kMinFormatBytes = 16;
constexpr quint32 kMaxFormatBytes = 40;
constexpr quint16 kPcmFormat = 1;
// From a play to the speaker, and from the end of a sound to the end of its stream.
constexpr std::uint32_t kLatencyMs = 200;

struct SampleFormat {
    int bitsPerSample;
    pa_sample_format_t format;
};
// Wave samples are little-endian, signed except at 8 bits.
constexpr SampleFormat kSampleFormats[] = {
    {8, PA_SAMPLE_U8}, {16, PA_SAMPLE_S16LE}, {24, PA_SAMPLE_S24LE}, {32, PA_SAMPLE_S32LE}};

constexpr const char* kChannelNames[kSoundChannelCount] = {"music", "explosion", "laser"};

quint16 le16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 le32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

/// Why the format chunk cannot be played, or an empty text. `chunk` holds its first 16 bytes.
QString formatProblem(const QByteArray& chunk, PulseSoundDevice::WaveLayout& layout) {
    const quint16 format = le16(chunk, 0);
    const quint16 channels = le16(chunk, 2);
    const quint32 rate = le32(chunk, 4);
    const quint16 blockAlign = le16(chunk, 12);
    const quint16 bits = le16(chunk, 14);
    if (format != kPcmFormat)
        return QStringLiteral("format %1 is not PCM").arg(format);
    if (channels < 1 || channels > kMaxChannels)
        return QStringLiteral("%1 channels").arg(channels);
    if (rate < 1 || rate > PA_RATE_MAX)
        return QStringLiteral("a sample rate of %1 Hz").arg(rate);
    if (std::none_of(std::begin(kSampleFormats), std::end(kSampleFormats),
                     [bits](const SampleFormat& f) { return f.bitsPerSample == bits; }))
        return QStringLiteral("%1 bits per sample").arg(bits);
    if (blockAlign != channels * bits / 8)
        return QStringLiteral("frames of %1 bytes, not %2")
            .arg(blockAlign)
            .arg(channels * bits / 8);
    layout.channels = channels;
    layout.sampleRate = rate;
    layout.bitsPerSample = bits;
    return {};
}

/// Why the file cannot be played, or an empty text when `layout` now says where its sound is.
/// Reads the RIFF chunk headers and the format, never the sound itself, so it is quick
/// whatever the file holds or claims to hold.
QString problemWith(QFile& file, PulseSoundDevice::WaveLayout& layout) {
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return QStringLiteral("no such file");
    if (!info.isFile())
        return QStringLiteral("not a file");
    if (info.size() > kMaxWaveFileBytes)
        return QStringLiteral("%1 bytes, more than the %2 MiB a sound may have")
            .arg(info.size())
            .arg(kMaxWaveFileBytes >> 20);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read: %1").arg(file.errorString());
    const qint64 size = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return QStringLiteral("not a RIFF WAVE file");
    bool haveFormat = false;
    for (int i = 0; i < kMaxChunks; ++i) {
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            break;
        const QByteArray id = header.left(4);
        const qint64 bytes = le32(header, 4);
        const qint64 at = file.pos();
        if (bytes > size - at)
            return QStringLiteral("its \"%1\" chunk claims %2 bytes, the file holds %3 more")
                .arg(QString::fromLatin1(id.toPercentEncoding(" ")), QString::number(bytes),
                     QString::number(size - at));
        if (id == "fmt ") {
            if (bytes < kMinFormatBytes || bytes > kMaxFormatBytes)
                return QStringLiteral("a format chunk of %1 bytes").arg(bytes);
            const QByteArray format = file.read(kMinFormatBytes);
            if (format.size() < int(kMinFormatBytes))
                return QStringLiteral("cannot be read: %1").arg(file.errorString());
            if (const QString problem = formatProblem(format, layout); !problem.isEmpty())
                return problem;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return QStringLiteral("sound data before its format");
            const int frame = layout.channels * layout.bitsPerSample / 8;
            layout.dataOffset = at;
            layout.dataBytes = bytes - bytes % frame;
            if (layout.dataBytes == 0)
                return QStringLiteral("no sound data");
            return {};
        }
        // Chunks are padded to an even length.
        if (!file.seek(at + bytes + (bytes & 1)))
            break;
    }
    return haveFormat ? QStringLiteral("no sound data chunk") : QStringLiteral("no format chunk");
}

/// `percent` of the server's normal volume on each of `channels`, as pactl shows it.
pa_cvolume volumeOf(int channels, int percent) {
    pa_cvolume volume{};
    volume.channels = static_cast<std::uint8_t>(channels);
    for (int i = 0; i < channels; ++i)
        volume.values[i] = pa_volume_t((std::uint64_t(PA_VOLUME_NORM) * percent + 50) / 100);
    return volume;
}

QString toQString(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.generic_u16string());
}

} // namespace

PulseSoundDevice::PulseSoundDevice() {
    for (int i = 0; i < kSoundChannelCount; ++i)
        channels_[i].name = kChannelNames[i];
}

PulseSoundDevice::~PulseSoundDevice() {
    if (loader_)
        loader_->wait();
    if (!loop_)
        return;
    // With the server's thread stopped no callback can run, and no lock is needed.
    pulse()->pa_threaded_mainloop_stop(loop_);
    dropContext();
    pulse()->pa_threaded_mainloop_free(loop_);
}

PulseSoundDevice::Channel& PulseSoundDevice::channel(SoundChannel id) {
    return channels_[static_cast<std::size_t>(id)];
}

const PulseSoundDevice::Channel& PulseSoundDevice::channel(SoundChannel id) const {
    return channels_[static_cast<std::size_t>(id)];
}

void PulseSoundDevice::open(SoundChannel id, const std::filesystem::path& file) {
    close(id);
    // Closed, the channel has no stream and no pending play, so the server's thread leaves its
    // file and layout alone until the next play.
    Channel& c = channel(id);
    c.file.setFileName(toQString(file));
    if (const QString problem = problemWith(c.file, c.layout); !problem.isEmpty()) {
        qCDebug(lcSound, "%s: %s; the channel stays silent", qUtf8Printable(c.file.fileName()),
                qUtf8Printable(problem));
        c.file.close();
        return;
    }
    c.open = true;
    reachServer();
}

void PulseSoundDevice::play(SoundChannel id) {
    Channel& c = channel(id);
    if (!c.open)
        return;
    if (!loop_) {
        // The library is still loading: the sound starts once the server is reached.
        c.playWhenConnected = !loaded_;
        return;
    }
    LoopLock lock(loop_);
    dropStream(c);
    // Without a server the channel is silent until an open finds one.
    const pa_context_state_t state =
        context_ ? pulse()->pa_context_get_state(context_) : PA_CONTEXT_FAILED;
    if (state == PA_CONTEXT_READY)
        startStream(c);
    else
        c.playWhenConnected = PA_CONTEXT_IS_GOOD(state);
}

void PulseSoundDevice::close(SoundChannel id) {
    Channel& c = channel(id);
    if (loop_) {
        LoopLock lock(loop_);
        dropStream(c);
    } else {
        c.playWhenConnected = false;
    }
    c.file.close();
    c.open = false;
}

bool PulseSoundDevice::isOpen(SoundChannel id) const {
    return channel(id).open;
}

void PulseSoundDevice::setPaused(bool paused) {
    if (!loop_) {
        paused_ = paused;
        return;
    }
    LoopLock lock(loop_);
    paused_ = paused;
    for (Channel& c : channels_) {
        // A stream still being set up cannot be corked; it is a moment from its start.
        if (!c.stream)
            continue;
        if (pa_operation* cork = pulse()->pa_stream_cork(c.stream, paused, nullptr, nullptr))
            pulse()->pa_operation_unref(cork);
    }
}

void PulseSoundDevice::setVolume(SoundChannel id, int percent) {
    Channel& c = channel(id);
    percent = std::clamp(percent, 0, 100);
    if (!loop_) {
        c.volume = percent;
        return;
    }
    LoopLock lock(loop_);
    c.volume = percent;
    applyVolume(c);
}

void PulseSoundDevice::applyVolume(Channel& c) {
    // A stream still being set up has no sink input yet: onStreamState comes back here.
    const PulseApi& pa = *pulse();
    if (!c.stream || c.streamVolume == c.volume ||
        pa.pa_stream_get_state(c.stream) != PA_STREAM_READY)
        return;
    c.streamVolume = c.volume;
    const pa_cvolume volume = volumeOf(c.layout.channels, c.volume);
    if (pa_operation* set = pa.pa_context_set_sink_input_volume(
            context_, pa.pa_stream_get_index(c.stream), &volume, nullptr, nullptr))
        pa.pa_operation_unref(set);
}

void PulseSoundDevice::reachServer() {
    if (!loader_) {
        // Loading the library and what it needs takes milliseconds: not on the game's thread.
        loader_.reset(QThread::create([] { pulse(); }));
        QObject::connect(loader_.get(), &QThread::finished, &receiver_, [this] {
            loaded_ = true;
            reachServer();
        });
        loader_->start();
        return;
    }
    const PulseApi* pa = loaded_ ? pulse() : nullptr;
    if (!pa)
        return;
    if (!loop_) {
        loop_ = pa->pa_threaded_mainloop_new();
        if (loop_ && pa->pa_threaded_mainloop_start(loop_) < 0) {
            pa->pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
        }
        if (!loop_) {
            qCDebug(lcSound, "cannot start the sound thread; the game is silent");
            return;
        }
    }
    LoopLock lock(loop_);
    if (context_) {
        const pa_context_state_t state = pa->pa_context_get_state(context_);
        if (PA_CONTEXT_IS_GOOD(state))
            return;
        dropContext();
    }
    context_ = pa->pa_context_new(pa->pa_threaded_mainloop_get_api(loop_),
                                  qUtf8Printable(QCoreApplication::applicationName()));
    if (!context_)
        return;
    pa->pa_context_set_state_callback(context_, onContextState, this);
    // Connecting only starts here and goes on in the background, where onContextState tells
    // how it ends. A server that would have to be spawned first would make the game wait, so
    // none is.
    if (pa->pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        dropContext();
}

void PulseSoundDevice::startStream(Channel& c) {
    const PulseApi& pa = *pulse();
    const auto sample = std::find_if(
        std::begin(kSampleFormats), std::end(kSampleFormats),
        [&](const SampleFormat& f) { return f.bitsPerSample == c.layout.bitsPerSample; });
    const pa_sample_spec samples{sample->format, c.layout.sampleRate,
                                 static_cast<std::uint8_t>(c.layout.channels)};
    pa_channel_map map;
    pa.pa_channel_map_init_extend(&map, samples.channels, PA_CHANNEL_MAP_WAVEEX);
    c.stream = pa.pa_stream_new(context_, c.name, &samples, &map);
    if (!c.stream || !c.file.seek(c.layout.dataOffset)) {
        qCDebug(lcSound, "the %s channel cannot play: %s", c.name,
                pa.pa_strerror(pa.pa_context_errno(context_)));
        dropStream(c);
        return;
    }
    c.written = 0;
    pa.pa_stream_set_write_callback(c.stream, onWrite, &c);
    pa.pa_stream_set_state_callback(c.stream, onStreamState, this);
    // A small buffer for the whole way to the speaker: the sound starts at once and its stream
    // ends soon after it, while the server's defaults would hold up to two seconds.
    const std::uint32_t frame = std::uint32_t(c.layout.channels) * c.layout.bitsPerSample / 8;
    const pa_buffer_attr buffer{.maxlength = std::uint32_t(-1),
                                .tlength = c.layout.sampleRate * kLatencyMs / 1000 * frame,
                                .prebuf = std::uint32_t(-1),
                                .minreq = std::uint32_t(-1),
                                .fragsize = std::uint32_t(-1)};
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY |
                                         (paused_ ? PA_STREAM_START_CORKED : PA_STREAM_NOFLAGS));
    // The channel's volume from the start; a change before the stream is ready follows it.
    c.streamVolume = c.volume;
    const pa_cvolume volume = volumeOf(c.layout.channels, c.volume);
    if (pa.pa_stream_connect_playback(c.stream, nullptr, &buffer, flags, &volume, nullptr) < 0) {
        qCDebug(lcSound, "the %s channel cannot play: %s", c.name,
                pa.pa_strerror(pa.pa_context_errno(context_)));
        dropStream(c);
    }
}

void PulseSoundDevice::dropStream(Channel& c) {
    c.playWhenConnected = false;
    if (!c.drain && !c.stream)
        return;
    const PulseApi& pa = *pulse();
    if (c.drain) {
        pa.pa_operation_cancel(c.drain);
        pa.pa_operation_unref(c.drain);
        c.drain = nullptr;
    }
    if (c.stream) {
        pa.pa_stream_set_write_callback(c.stream, nullptr, nullptr);
        pa.pa_stream_set_state_callback(c.stream, nullptr, nullptr);
        pa.pa_stream_disconnect(c.stream);
        pa.pa_stream_unref(c.stream);
        c.stream = nullptr;
    }
}

void PulseSoundDevice::dropContext() {
    for (Channel& c : channels_)
        dropStream(c);
    if (!context_)
        return;
    const PulseApi& pa = *pulse();
    pa.pa_context_set_state_callback(context_, nullptr, nullptr);
    pa.pa_context_disconnect(context_);
    pa.pa_context_unref(context_);
    context_ = nullptr;
}

void PulseSoundDevice::onContextState(pa_context* context, void* device) {
    PulseSoundDevice& self = *static_cast<PulseSoundDevice*>(device);
    const PulseApi& pa = *pulse();
    const pa_context_state_t state = pa.pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        qCDebug(lcSound, "connected to the sound server");
        for (Channel& c : self.channels_) {
            if (c.playWhenConnected) {
                c.playWhenConnected = false;
                self.startStream(c);
            }
        }
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        qCDebug(lcSound, "no sound server (%s); it is looked for again at the next open",
                pa.pa_strerror(pa.pa_context_errno(context)));
        for (Channel& c : self.channels_)
            c.playWhenConnected = false;
    }
}

void PulseSoundDevice::onStreamState(pa_stream* stream, void* device) {
    PulseSoundDevice& self = *static_cast<PulseSoundDevice*>(device);
    for (Channel& c : self.channels_) {
        if (c.stream == stream)
            self.applyVolume(c);
    }
}

void PulseSoundDevice::onWrite(pa_stream* stream, std::size_t bytes, void* channel) {
    Channel& c = *static_cast<Channel*>(channel);
    const PulseApi& pa = *pulse();
    const std::size_t frame = std::size_t(c.layout.channels) * c.layout.bitsPerSample / 8;
    // The sound is read from its file as the server asks for it: nothing is loaded, and the
    // file is read on this thread, never on the game's.
    while (bytes >= frame && c.written < c.layout.dataBytes) {
        const std::size_t wanted = std::min<std::size_t>(bytes, c.layout.dataBytes - c.written);
        std::size_t size = wanted;
        void* buffer = nullptr;
        if (pa.pa_stream_begin_write(stream, &buffer, &size) < 0 || !buffer)
            break;
        size = std::min(size, wanted);
        size -= size % frame;
        const qint64 read = c.file.read(static_cast<char*>(buffer), qint64(size));
        const std::size_t whole = read > 0 ? std::size_t(read) - std::size_t(read) % frame : 0;
        if (whole == 0) {
            pa.pa_stream_cancel_write(stream);
        } else {
            pa.pa_stream_write(stream, buffer, whole, nullptr, 0, PA_SEEK_RELATIVE);
            c.written += qint64(whole);
            bytes -= std::min(bytes, whole);
        }
        // A file that shrank since it was opened ends where it now ends.
        if (whole < size || whole == 0)
            c.written = c.layout.dataBytes;
    }
    if (c.written >= c.layout.dataBytes && !c.drain) {
        // Everything is written: let it play out, then free the stream.
        pa.pa_stream_set_write_callback(stream, nullptr, nullptr);
        c.drain = pa.pa_stream_drain(stream, onDrained, &c);
    }
}

void PulseSoundDevice::onDrained(pa_stream* stream, int /*success*/, void* channel) {
    Channel& c = *static_cast<Channel*>(channel);
    if (c.stream != stream)
        return;
    pulse()->pa_operation_unref(c.drain);
    c.drain = nullptr;
    dropStream(c);
}

} // namespace zelto
