#include "online/outbox.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelto {

namespace {

const QString kAnswers = QStringLiteral("/answers/");
const QString kGame = QStringLiteral(".zrp");
const QString kAnswer = QStringLiteral(".json");
/// A file of a program that died while writing it (QSaveFile's NAME.XXXXXX) is older.
constexpr int kLeftoverSeconds = 600;

bool writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.commit();
}

QString stem(const QString& name) {
    return name.endsWith(kGame) ? name.chopped(kGame.size()) : name;
}

QJsonObject toJson(const BoardEntry& entry) {
    return {{"rank", entry.rank},
            {"id", entry.id},
            {"name", entry.name.isEmpty() ? QJsonValue() : QJsonValue(entry.name)},
            {"score", entry.score},
            {"length_ms", entry.lengthMs},
            {"keys", entry.keys},
            {"submitted", entry.submitted.toUTC().toString(Qt::ISODate)}};
}

std::optional<Delivery> readAnswer(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    Delivery delivery;
    delivery.board = json.value(QLatin1String("board")).toString();
    delivery.settled =
        QDateTime::fromString(json.value(QLatin1String("settled")).toString(), Qt::ISODate);
    const QString state = json.value(QLatin1String("state")).toString();
    if (state == QLatin1String("sent")) {
        const auto entry = readEntry(json.value(QLatin1String("entry")));
        if (!entry)
            return std::nullopt;
        delivery.state = Delivery::State::Sent;
        delivery.entry = *entry;
    } else if (state == QLatin1String("refused")) {
        delivery.state = Delivery::State::Refused;
        delivery.reason = json.value(QLatin1String("reason")).toString();
    } else {
        return std::nullopt;
    }
    return delivery;
}

} // namespace

bool Outbox::put(const QString& name, const QByteArray& recording) {
    return name.endsWith(kGame) && !name.contains('/') &&
           writeWhole(folder_ + '/' + name, recording);
}

QStringList Outbox::waiting() const {
    return QDir(folder_).entryList({'*' + kGame}, QDir::Files, QDir::Name);
}

std::optional<QByteArray> Outbox::recording(const QString& name, qint64 cap) const {
    QFile file(folder_ + '/' + name);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(cap);
}

bool Outbox::settle(const QString& name, const Delivery& delivery) {
    QJsonObject json{{"board", delivery.board},
                     {"settled", delivery.settled.toUTC().toString(Qt::ISODate)}};
    if (delivery.state == Delivery::State::Sent) {
        json.insert(QLatin1String("state"), QLatin1String("sent"));
        json.insert(QLatin1String("entry"), toJson(delivery.entry));
    } else {
        json.insert(QLatin1String("state"), QLatin1String("refused"));
        json.insert(QLatin1String("reason"), delivery.reason);
    }
    if (!writeWhole(folder_ + kAnswers + stem(name) + kAnswer, QJsonDocument(json).toJson()))
        return false;
    QFile::remove(folder_ + '/' + name);
    return true;
}

QMap<QString, Delivery> Outbox::deliveries() const {
    QMap<QString, Delivery> all;
    for (const QString& name : waiting())
        all.insert(name, Delivery());
    const QDir answers(folder_ + kAnswers);
    for (const QString& file : answers.entryList({'*' + kAnswer}, QDir::Files)) {
        if (const auto delivery = readAnswer(answers.filePath(file)))
            all.insert(file.chopped(kAnswer.size()) + kGame, *delivery);
    }
    return all;
}

void Outbox::forgetAnswersBut(const QStringList& names) {
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-kLeftoverSeconds);
    for (const QString& path : {folder_, folder_ + kAnswers}) {
        const QDir folder(path);
        for (const QFileInfo& file : folder.entryInfoList(QDir::Files)) {
            const QString name = file.fileName();
            const bool leftover = !name.endsWith(kGame) && !name.endsWith(kAnswer);
            const bool forgotten = name.endsWith(kAnswer) && path != folder_ &&
                                   !names.contains(name.chopped(kAnswer.size()) + kGame);
            if (forgotten || (leftover && file.lastModified() < old))
                QFile::remove(file.filePath());
        }
    }
}

std::optional<QString> playerKey(const QString& file) {
    const auto read = [&file]() -> std::optional<QString> {
        QFile key(file);
        if (!key.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray text = key.read(100);
        static const QRegularExpression kKey(QStringLiteral("^[0-9a-f]{64}\n?$"));
        if (!kKey.match(QString::fromLatin1(text)).hasMatch())
            return QString();
        return QString::fromLatin1(text.left(64));
    };
    if (QFile::exists(file)) {
        const auto key = read();
        if (key && !key->isEmpty())
            return key;
        if (!key || !QFile::rename(file, file + QStringLiteral(".damaged"))) {
            qCWarning(lcBoard, "the key for score boards, %s, cannot be read; no game is sent",
                      qPrintable(file));
            return std::nullopt;
        }
        qCWarning(lcBoard,
                  "the key for score boards, %s, was damaged: set aside as %s.damaged, "
                  "and a new key made",
                  qPrintable(file), qPrintable(file));
    }
    std::array<quint32, 8> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray text =
        QByteArray(reinterpret_cast<const char*>(random.data()), sizeof random).toHex() + '\n';
    QByteArray temporary = QFile::encodeName(file + QStringLiteral(".XXXXXX"));
    const int fd = QDir().mkpath(QFileInfo(file).path()) ? ::mkstemp(temporary.data()) : -1;
    bool written =
        fd >= 0 && ::write(fd, text.data(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    // A hard link puts the whole key in place only where there is none; a file system without
    // them gets it renamed into place.
    if (written && ::link(temporary.constData(), QFile::encodeName(file).constData()) != 0 &&
        errno != EEXIST)
        written = ::rename(temporary.constData(), QFile::encodeName(file).constData()) == 0;
    if (fd >= 0)
        ::unlink(temporary.constData());
    if (const auto key = written ? read() : std::nullopt; key && !key->isEmpty())
        return key;
    qCWarning(lcBoard, "the key for score boards cannot be made in %s; no game is sent",
              qPrintable(file));
    return std::nullopt;
}

} // namespace zelto
