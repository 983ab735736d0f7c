#include "sound/qt_sound_device.h"

#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtDebug>

namespace zelto {

namespace {

/// Why a file cannot be played, or an empty text when it looks like a wave file. Only the
/// header is read, so this stays quick whatever the file.
QString problemWith(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (!info.isFile())
        return QStringLiteral("not a file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read");
    const QByteArray header = file.read(12);
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return QStringLiteral("not a wave file");
    return {};
}

QString toQString(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.generic_u16string());
}

} // namespace

QtSoundDevice::QtSoundDevice() {
    // Asking for the output once here makes the multimedia backend connect to the sound
    // server at start-up, not in the middle of the first sound.
    QMediaDevices::defaultAudioOutput();
    for (Channel& c : channels_)
        c.effect = std::make_unique<QSoundEffect>();
}

QtSoundDevice::~QtSoundDevice() = default;

QtSoundDevice::Channel& QtSoundDevice::channel(SoundChannel id) {
    return channels_[static_cast<std::size_t>(id)];
}

const QtSoundDevice::Channel& QtSoundDevice::channel(SoundChannel id) const {
    return channels_[static_cast<std::size_t>(id)];
}

void QtSoundDevice::open(SoundChannel id, const std::filesystem::path& file) {
    Channel& c = channel(id);
    c.effect->stop();
    const QString path = toQString(file);
    if (const QString problem = problemWith(path); !problem.isEmpty()) {
        qWarning("zelto: sound %s: %s; the channel stays silent", qUtf8Printable(path),
                 qUtf8Printable(problem));
        c.open = false;
        return;
    }
    c.open = true;
    // Without an output Qt would complain about every file; the channel is simply silent.
    // An output that appeared since the last open is taken up.
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        c.effect->setSource(QUrl());
        return;
    }
    if (c.effect->audioDevice() != output)
        c.effect->setAudioDevice(output);
    // The same file again is already decoded: the sound is kept and starts from the top.
    const QUrl url = QUrl::fromLocalFile(path);
    if (c.effect->source() != url)
        c.effect->setSource(url);
}

void QtSoundDevice::play(SoundChannel id) {
    Channel& c = channel(id);
    if (!c.open || c.effect->source().isEmpty())
        return;
    c.effect->stop();
    c.effect->play();
}

void QtSoundDevice::close(SoundChannel id) {
    Channel& c = channel(id);
    c.effect->stop();
    c.open = false;
}

bool QtSoundDevice::isOpen(SoundChannel id) const {
    return channel(id).open;
}

} // namespace zelto
