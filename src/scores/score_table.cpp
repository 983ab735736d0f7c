#include "scores/score_table.h"

#include "platform/logging.h"
#include "replay/verify.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace zelto {

namespace {

const QString kIndex = QStringLiteral("index");
const QString kHeader = QStringLiteral("zelto scores 1");
const QString kStamp = QStringLiteral("yyyyMMdd-HHmmsszzz");
/// A recording's file name: the moment its game ended, the program's id, a number if needed.
const QRegularExpression kFileName(QStringLiteral("^\\d{8}-\\d{9}-\\d+(-\\d+)?\\.zrp$"));

/// How long a program waits for another to finish changing the table.
constexpr int kLockWaitMs = 10000;

std::string utf8(const QString& text) {
    return text.toStdString();
}

/// What a recording's check says of it as an entry; nothing unless it is a finished game with
/// points that checks out.
std::optional<ScoreEntry> entryOf(std::string_view recording) {
    const Verdict verdict = verifyRecording(recording);
    if (!verdict.finished() || verdict.points <= 0)
        return std::nullopt;
    ScoreEntry entry;
    entry.points = verdict.points;
    entry.lengthMs = verdict.lengthMs;
    if (script::isPlayerName(verdict.player))
        entry.name = QString::fromStdString(verdict.player);
    return entry;
}

bool writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

bool ranksBefore(const ScoreEntry& a, const ScoreEntry& b) {
    if (a.points != b.points)
        return a.points > b.points;
    if (a.ended != b.ended)
        return a.ended < b.ended;
    return a.file < b.file;
}

std::optional<QList<ScoreEntry>> ScoreTable::readIndex() const {
    QFile file(folder_ + '/' + kIndex);
    if (!file.exists())
        return QList<ScoreEntry>();
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    // The header, an entry a line, and the line end after the last.
    if (lines.size() < 2 || lines.front() != kHeader || !lines.back().isEmpty() ||
        lines.size() > kSize + 2)
        return std::nullopt;
    QList<ScoreEntry> entries;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QStringList fields = lines[i].split('\t');
        if (fields.size() != 5)
            return std::nullopt;
        bool points = false;
        bool length = false;
        ScoreEntry entry{fields[4], fields[0].toLongLong(&points),
                         QDateTime::fromString(fields[1], Qt::ISODateWithMs),
                         fields[2].toLongLong(&length), fields[3]};
        if (!points || entry.points <= 0 || !entry.ended.isValid() || !length ||
            entry.lengthMs < 0 || !kFileName.match(entry.file).hasMatch() ||
            (!entry.name.isEmpty() && !script::isPlayerName(utf8(entry.name))) ||
            (!entries.isEmpty() && !ranksBefore(entries.back(), entry)))
            return std::nullopt;
        entries.append(entry);
    }
    return entries;
}

QList<ScoreEntry> ScoreTable::present(QList<ScoreEntry> entries) const {
    entries.removeIf([this](const ScoreEntry& entry) { return !QFile::exists(pathOf(entry)); });
    return entries;
}

QList<ScoreEntry> ScoreTable::current() {
    auto entries = readIndex();
    if (entries && (!entries->isEmpty() || QFile::exists(folder_ + '/' + kIndex) ||
                    QDir(folder_).entryList({QStringLiteral("*.zrp")}, QDir::Files).isEmpty()))
        return present(*entries);
    if (entries) {
        qCDebug(lcScores, "the index of %s is missing: rebuilt from the recordings",
                qPrintable(folder_));
    } else {
        const QString aside = folder_ + '/' + kIndex + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile::rename(folder_ + '/' + kIndex, aside);
        qCWarning(lcScores,
                  "the table of best games was damaged and has been rebuilt from its "
                  "recordings; the damaged index is %s",
                  qPrintable(aside));
    }
    return rebuild();
}

QList<ScoreEntry> ScoreTable::rebuild() {
    QList<ScoreEntry> entries;
    const QDir folder(folder_);
    for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.zrp")}, QDir::Files)) {
        std::string problem;
        const auto text = readRecordingFile(file.filesystemAbsoluteFilePath(), {}, problem);
        auto entry = text ? entryOf(*text) : std::nullopt;
        if (!entry || !kFileName.match(file.fileName()).hasMatch()) {
            qCDebug(lcScores, "%s is no game of the table", qPrintable(file.filePath()));
            continue;
        }
        entry->file = file.fileName();
        entry->ended = QDateTime::fromString(file.fileName().left(kStamp.size()), kStamp);
        entry->ended.setTimeSpec(Qt::UTC);
        entries.append(*entry);
    }
    std::sort(entries.begin(), entries.end(), ranksBefore);
    for (const ScoreEntry& out : entries.mid(kSize))
        QFile::remove(pathOf(out));
    entries = entries.mid(0, kSize);
    writeIndex(entries);
    return entries;
}

bool ScoreTable::writeIndex(const QList<ScoreEntry>& entries) {
    QString text = kHeader + '\n';
    for (const ScoreEntry& entry : entries)
        text += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                    .arg(entry.points)
                    .arg(entry.ended.toUTC().toString(Qt::ISODateWithMs))
                    .arg(entry.lengthMs)
                    .arg(entry.file, entry.name);
    return writeWhole(folder_ + '/' + kIndex, text.toUtf8());
}

QList<ScoreEntry> ScoreTable::entries() {
    auto entries = readIndex();
    if (!entries || (entries->isEmpty() && QDir(folder_).exists())) {
        // Damaged, or perhaps missing beside recordings: looked at again under the lock.
        QLockFile lock(folder_ + QStringLiteral("/lock"));
        if (QDir(folder_).exists() && lock.tryLock(kLockWaitMs))
            entries = current();
    }
    return present(entries.value_or(QList<ScoreEntry>()));
}

bool ScoreTable::wouldEnter(long long points, const QDateTime& ended) {
    const QList<ScoreEntry> now = entries();
    return points > 0 &&
           (now.size() < kSize || ranksBefore({{}, points, ended, 0, {}}, now.back()));
}

std::optional<int> ScoreTable::add(std::string_view recording, const QString& name,
                                   const QDateTime& ended, ScoreEntry* entered) {
    const auto named = name.isEmpty() ? std::optional<std::string>(recording)
                                      : script::withPlayer(recording, utf8(name));
    auto entry = named ? entryOf(*named) : std::nullopt;
    if (!entry) {
        qCWarning(lcScores, "a game that is not finished or does not check out was not entered");
        return std::nullopt;
    }
    QLockFile lock(folder_ + QStringLiteral("/lock"));
    if (!QDir().mkpath(folder_) || !lock.tryLock(kLockWaitMs)) {
        qCWarning(lcScores, "cannot enter the game in the table of best games in %s: %s",
                  qPrintable(folder_),
                  lock.error() == QLockFile::LockFailedError ? "another program holds it"
                                                             : "the folder cannot be written");
        return std::nullopt;
    }
    QList<ScoreEntry> entries = current();
    entry->ended = ended.toUTC();
    const QString stamp = entry->ended.toString(kStamp) + '-' + QString::number(::getpid());
    entry->file = stamp + QStringLiteral(".zrp");
    for (int n = 2; QFile::exists(pathOf(*entry)); ++n)
        entry->file = stamp + '-' + QString::number(n) + QStringLiteral(".zrp");
    const auto at = std::lower_bound(entries.begin(), entries.end(), *entry, ranksBefore);
    const int place = int(at - entries.begin());
    if (place >= kSize)
        return std::nullopt;
    entries.insert(place, *entry);
    const QList<ScoreEntry> out = entries.mid(kSize);
    entries.resize(std::min<qsizetype>(entries.size(), kSize));
    if (!writeWhole(pathOf(*entry), QByteArray::fromStdString(*named)) || !writeIndex(entries)) {
        QFile::remove(pathOf(*entry));
        qCWarning(lcScores, "cannot write the table of best games in %s", qPrintable(folder_));
        return std::nullopt;
    }
    for (const ScoreEntry& gone : out)
        QFile::remove(pathOf(gone));
    if (entered)
        *entered = *entry;
    return place;
}

QString suggestedPlayerName(const QString& last) {
    QString name = last;
    if (!script::isPlayerName(utf8(name))) {
        const passwd* user = ::getpwuid(::getuid());
        name = user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
    }
    while (!name.isEmpty() && !script::isPlayerName(utf8(name)))
        name.chop(1);
    return name;
}

} // namespace zelto
