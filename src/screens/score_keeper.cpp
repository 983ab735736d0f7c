#include "screens/score_keeper.h"

#include "base/caption_number.h"
#include "platform/logging.h"
#include "replay/verify.h"
#include "screens/program.h"
#include "screens/scores_window.h"

#include <QTimer>
#include <utility>

namespace zelto {

ScoreKeeper::ScoreKeeper(Program& program, MessageBoxes& boxes)
    : program_(program), boxes_(boxes) {}

ScoreKeeper::~ScoreKeeper() {
    delete window_.data();
}

ScoresWindow* ScoreKeeper::window() const {
    return window_;
}

void ScoreKeeper::keep(const QString& folder) {
    if (!table_)
        connect(&program_.session(), &Session::gameRecorded, this, [this](const std::string& text) {
            // The session is inside the input that ended the game, the field's window closing.
            QTimer::singleShot(0, this, [this, text] { enter(text); });
        });
    table_.emplace(folder);
}

void ScoreKeeper::show(const QString& text, const QString& title) {
    boxes_.show(text, title);
    // The box is answered inside the tick that opened it, which must end before the field may.
    QTimer::singleShot(0, this, &ScoreKeeper::afterGameOver);
}

void ScoreKeeper::afterGameOver() {
    Session& session = program_.session();
    if (!table_ || !session.isOpen() || session.isWatching() || named_)
        return;
    const double points = readCaptionNumber(session.field().form()->Label1.caption);
    if (points < 1 ||
        !table_->wouldEnter(static_cast<long long>(points), QDateTime::currentDateTimeUtc()))
        return;
    named_ = askName(static_cast<long long>(points)).value_or(QString());
    if (!named_->isEmpty())
        session.close(); // the recording ends, and enters the table as the game's
}

void ScoreKeeper::enter(const std::string& text) {
    const std::optional<QString> named = std::exchange(named_, std::nullopt);
    const QDateTime ended = QDateTime::currentDateTimeUtc();
    const Verdict verdict = verifyRecording(text);
    if (!table_ || !verdict.finished() || (named && named->isEmpty()) ||
        !table_->wouldEnter(verdict.points, ended))
        return;
    const std::optional<QString> name = named ? named : askName(verdict.points);
    if (!name)
        return;
    Settings settings = program_.settings().current();
    settings.playerName = *name;
    program_.settings().change(settings);
    const auto place = table_->add(text, *name, ended);
    showScores(place.value_or(-1));
}

std::optional<QString> ScoreKeeper::askName(long long points) {
    NameBox box(points, suggestedPlayerName(program_.settings().current().playerName));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.name();
}

void ScoreKeeper::showScores(int marked) {
    if (!window_) {
        window_ = new ScoresWindow;
        window_->setAttribute(Qt::WA_DeleteOnClose);
        connect(window_, &ScoresWindow::watchRequested, this, &ScoreKeeper::watch);
        const auto canWatch = [this] { window_->setCanWatch(!program_.session().isOpen()); };
        connect(&program_.session(), &Session::changed, window_, canWatch);
        canWatch();
    }
    const QList<ScoreEntry> entries = table_ ? table_->entries() : QList<ScoreEntry>();
    window_->setEntries(table_ ? table_->folder() : QString(), entries, marked);
    if (lcScores().isDebugEnabled()) {
        QStringList rows;
        for (const ScoreEntry& entry : entries)
            rows << QStringLiteral("%1 %2").arg(entry.points).arg(entry.name);
        qCDebug(lcScores, "the scores window shows: %s", qPrintable(rows.join(", ")));
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ScoreKeeper::watch(int row, const QString& path) {
    if (program_.session().isOpen())
        return;
    std::string problem;
    const script::Limits limits;
    if (const auto text = readRecordingFile(path.toStdString(), limits, problem)) {
        const Verdict verdict = verifyRecording(*text);
        if (verdict.checksOut())
            return program_.watch(script::readAll(*text, limits));
        problem = verdict.stop->text();
    }
    window_->showProblem(row, QString::fromStdString(script::excerpt(problem)));
}

} // namespace zelto
