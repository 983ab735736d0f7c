#include "screens/scores_window.h"

#include "kit/fonts.h"
#include "kit/window_kit.h"
#include "platform/logging.h"
#include "replay/verify.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <array>

namespace zelto {

// Every text the scores window shows, in the player's language.
struct ScoresWindow::Texts {
    QString title, rank, name, points, date, length, online, unnamed, watch, save, close;
    QString saveTitle, saveFilter, saveName, cannot;
    QString own, board, address, waiting, refused, rankShort, rowWaiting, rowSent, rowRefused;
    QString noBoard, asking, unreadable, best, none, queued, lastRefused;
};

ScoresWindow::Texts ScoresWindow::texts() {
    return {
        .title = tr("Punteggi"),
        .rank = tr("N."),
        .name = tr("Nome"),
        .points = tr("Punti"),
        .date = tr("Data"),
        .length = tr("Durata"),
        .online = tr("Online"),
        .unnamed = tr("(senza nome)"),
        .watch = tr("&Guarda"),
        .save = tr("&Salva"),
        .close = tr("&Esci"),
        .saveTitle = tr("Salva la partita"),
        .saveFilter = tr("Partite di Zelto (*.zrp)"),
        .saveName = tr("zelto-%1-punti.zrp"),
        .cannot = tr("La partita da %1 punti non si può usare:\n%2"),
        .own = tr("Le &tue"),
        .board = tr("&Online"),
        .address = tr("Ta&bellone:"),
        .waiting = tr("in attesa"),
        .refused = tr("rifiutata"),
        .rankShort = tr("%1°"),
        .rowWaiting = tr("In attesa di invio al tabellone"),
        .rowSent = tr("Sul tabellone: %1° posto, partita n. %2"),
        .rowRefused = tr("Rifiutata dal tabellone: %1"),
        .noBoard = tr("Scrivi l'indirizzo di un tabellone e premi Invio: vi andranno "
                      "le tue partite migliori (la registrazione e il nome)."),
        .asking = tr("Chiedo al tabellone..."),
        .unreadable = tr("Il tabellone non risponde: %1"),
        .best = tr("Il tuo posto migliore: %1° su %2"),
        .none = tr("Nessuna tua partita sul tabellone (%1 in tutto)"),
        .queued = tr("%1 in attesa di invio"),
        .lastRefused = tr("rifiutata: %1"),
    };
}

// Every text the name box shows, in the player's language.
struct NameBox::Texts {
    QString title, message, name, ok;
};

NameBox::Texts NameBox::texts() {
    return {
        .title = tr("Nome"),
        .message = tr("%1 punti: una delle tue dieci partite migliori!"),
        .name = tr("&Nome:"),
        .ok = tr("OK"),
    };
}

namespace {

enum Column { Rank, Name, Points, Date, Length, Online, kColumns };
constexpr int kWidths[kColumns] = {34, 140, 62, 116, 52, 86};
constexpr int kRowHeight = 20; // ten rows fill the table

QPushButton* button(QWidget* window, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, window);
    button->setGeometry(place);
    button->setFont(msSansSerif(12, true));
    button->setAutoDefault(false);
    setUpButtonKeys(*button);
    return button;
}

/// "2:14": minutes and seconds.
QString minutes(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

/// A table of games, with the window's columns up to `columns`, in a page of `tabs`.
QTreeWidget* games(QTabWidget* tabs, int columns) {
    auto* table = new QTreeWidget(tabs);
    table->setFont(msSansSerif(8.25, false));
    table->header()->setFont(msSansSerif(8.25, true));
    table->setColumnCount(columns);
    table->header()->setSectionsMovable(false);
    table->header()->setSectionResizeMode(QHeaderView::Fixed);
    table->header()->setStretchLastSection(false);
    for (int column = 0; column < columns; ++column) {
        table->setColumnWidth(column, kWidths[column]);
        if (column != Name)
            table->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return table;
}

/// A row of a table of games: its rank, name, points, date and length.
QTreeWidgetItem* row(QTreeWidget* table, qint64 rank, const QString& name, qint64 points,
                     const QDateTime& date, qint64 lengthMs, bool marked) {
    auto* item =
        new QTreeWidgetItem(table, {QString::number(rank) + '.', name, QString::number(points),
                                    date.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                                    minutes(lengthMs)});
    item->setSizeHint(Rank, QSize(0, kRowHeight));
    for (const int column : {Rank, Points, Length})
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    if (marked) {
        QFont bold = table->font();
        bold.setBold(true);
        for (int column = 0; column < table->columnCount(); ++column) {
            item->setFont(column, bold);
            item->setBackground(column, QColor(255, 255, 200));
        }
    }
    return item;
}

/// Takes only a name a recording may carry; a blank one only on the way to a name.
class NameValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override {
        if (script::isPlayerName(input.toStdString()))
            return Acceptable;
        return input.trimmed().isEmpty() && !input.contains('\t') ? Intermediate : Invalid;
    }
};

} // namespace

ScoresWindow::ScoresWindow(QWidget* parent)
    : QWidget(parent), tabs(new QTabWidget(this)), table(games(tabs, kColumns)),
      boardTable(games(tabs, Online)), boardEdit(new QLineEdit), status(new QLabel(this)),
      watchButton(button(this, texts().watch, QRect(8, 300, 130, 33))),
      saveButton(button(this, texts().save, QRect(195, 300, 130, 33))),
      closeButton(button(this, texts().close, QRect(382, 300, 130, 33))) {
    const Texts t = texts();
    setObjectName(QStringLiteral("Scores"));
    setWindowTitle(t.title);
    setFixedFrame(*this, QSize(520, 341), true);

    tabs->setGeometry(8, 8, 504, 256);
    tabs->setFont(msSansSerif(8.25, true));
    tabs->addTab(table, t.own);
    auto* boardPage = new QWidget;
    auto* address = new QLabel(t.address);
    address->setBuddy(boardEdit);
    auto* field = new QHBoxLayout;
    field->addWidget(address);
    field->addWidget(boardEdit);
    auto* page = new QVBoxLayout(boardPage);
    page->setContentsMargins(0, 4, 0, 0);
    page->addLayout(field);
    page->addWidget(boardTable);
    boardEdit->setFont(msSansSerif(8.25, false));
    tabs->addTab(boardPage, t.board);
    table->setHeaderLabels({t.rank, t.name, t.points, t.date, t.length, t.online});
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    boardTable->setHeaderLabels({t.rank, t.name, t.points, t.date, t.length});
    boardTable->setColumnWidth(Rank, 44);
    boardTable->setColumnWidth(Name, 204);
    status->setGeometry(10, 266, 500, 30);
    status->setFont(msSansSerif(8.25, false));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    for (QTreeWidget* games : {table, boardTable}) {
        connect(games, &QTreeWidget::activated, this, [this] { watchButton->click(); });
        connect(games, &QTreeWidget::currentItemChanged, this, &ScoresWindow::updateButtons);
    }
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        shown()->setFocus();
        updateButtons();
    });
    connect(boardEdit, &QLineEdit::returnPressed, this,
            [this] { emit boardChosen(boardEdit->text().trimmed()); });
    connect(watchButton, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (row < 0 || !watchButton->isEnabled())
            return;
        if (shown() == table)
            emit watchRequested(row, folder_ + '/' + entries_[row].file);
        else
            emit watchBoardRequested(row, boardEntries_[row].id);
    });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(currentRow()); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
    updateButtons();
}

void ScoresWindow::setEntries(const QString& folder, const QList<ScoreEntry>& entries, int marked) {
    const Texts t = texts();
    folder_ = folder;
    entries_ = entries;
    table->clear();
    for (qsizetype at = 0; at < entries.size(); ++at) {
        const ScoreEntry& entry = entries[at];
        row(table, at + 1, entry.name.isEmpty() ? t.unnamed : entry.name, entry.points, entry.ended,
            entry.lengthMs, at == marked)
            ->setTextAlignment(Online, Qt::AlignCenter);
    }
    if (!entries.isEmpty())
        table->setCurrentItem(table->topLevelItem(marked >= 0 ? marked : 0));
    tabs->setCurrentWidget(table);
    table->setFocus();
    updateMarks();
    updateButtons();
}

void ScoresWindow::setDeliveries(const QString& board, const QMap<QString, Delivery>& deliveries,
                                 const QString& problem) {
    if (!boardEdit->hasFocus() || board_ != board)
        boardEdit->setText(board);
    board_ = board;
    deliveries_ = deliveries;
    sendProblem_ = problem;
    updateMarks();
}

void ScoresWindow::setBoardTable(const QList<BoardEntry>& entries, qint64 total,
                                 const QString& problem) {
    boardEntries_ = entries;
    boardTotal_ = total;
    boardProblem_ = problem;
    updateMarks();
}

void ScoresWindow::updateMarks() {
    const Texts t = texts();
    QSet<qint64> own;
    qint64 best = 0;
    qsizetype waiting = 0;
    const Delivery* refused = nullptr;
    for (const Delivery& delivery : std::as_const(deliveries_)) {
        waiting += delivery.state == Delivery::State::Waiting;
        if (delivery.board != board_)
            continue;
        if (delivery.state == Delivery::State::Sent) {
            own.insert(delivery.entry.id);
            best = best ? std::min(best, delivery.entry.rank) : delivery.entry.rank;
        } else if (delivery.state == Delivery::State::Refused &&
                   (!refused || refused->settled < delivery.settled)) {
            refused = &delivery;
        }
    }
    QStringList marks;
    for (qsizetype at = 0; at < entries_.size(); ++at) {
        const auto found = deliveries_.constFind(entries_[at].file);
        const Delivery* delivery = found == deliveries_.cend() ? nullptr : &*found;
        const bool waits = delivery && delivery->state == Delivery::State::Waiting;
        if (delivery && !waits && delivery->board != board_)
            delivery = nullptr; // sent to another board
        const bool sent = delivery && delivery->state == Delivery::State::Sent;
        const QString mark = !delivery ? QString()
                             : waits   ? t.waiting
                             : sent    ? t.rankShort.arg(delivery->entry.rank)
                                       : t.refused;
        const QString detail =
            !delivery ? QString()
            : waits   ? t.rowWaiting + (sendProblem_.isEmpty() ? QString() : ": " + sendProblem_)
            : sent    ? t.rowSent.arg(delivery->entry.rank).arg(delivery->entry.id)
                      : t.rowRefused.arg(delivery->reason);
        if (QTreeWidgetItem* item = table->topLevelItem(int(at))) {
            item->setText(Online, mark);
            item->setToolTip(Online, detail);
            item->setData(Online, Qt::UserRole, detail);
        }
        marks << QStringLiteral("%1 %2").arg(entries_[at].points).arg(mark.isEmpty() ? "-" : mark);
    }
    boardTable->clear();
    for (const BoardEntry& entry : std::as_const(boardEntries_))
        row(boardTable, entry.rank, entry.name.isEmpty() ? t.unnamed : entry.name, entry.score,
            entry.submitted, entry.lengthMs, own.contains(entry.id));
    if (!boardEntries_.isEmpty())
        boardTable->setCurrentItem(boardTable->topLevelItem(0));

    QStringList summary;
    if (board_.isEmpty())
        summary << t.noBoard;
    else if (!boardProblem_.isEmpty())
        summary << t.unreadable.arg(boardProblem_);
    else if (boardTotal_ < 0)
        summary << t.asking;
    else
        summary << (best ? t.best.arg(best).arg(boardTotal_) : t.none.arg(boardTotal_));
    if (waiting && !board_.isEmpty())
        summary << t.queued.arg(waiting) + (sendProblem_.isEmpty()
                                                ? QString()
                                                : QStringLiteral(" (%1)").arg(sendProblem_));
    if (refused)
        summary << t.lastRefused.arg(refused->reason);
    const QString said = summary.join(QStringLiteral(" · "));
    if (said != boardEdit->property("said").toString())
        qCDebug(lcScores, "the scores window marks: %s; online: %s", qPrintable(marks.join(", ")),
                qPrintable(said));
    boardEdit->setProperty("said", said);
    updateButtons();
}

QTreeWidget* ScoresWindow::shown() const {
    return tabs->currentWidget() == table ? table : boardTable;
}

void ScoresWindow::setCanWatch(bool can) {
    canWatch_ = can;
    updateButtons();
}

int ScoresWindow::currentRow() const {
    QTreeWidget* games = shown();
    return games->currentItem() ? games->indexOfTopLevelItem(games->currentItem()) : -1;
}

void ScoresWindow::updateButtons() {
    watchButton->setEnabled(canWatch_ && currentRow() >= 0);
    saveButton->setEnabled(shown() == table && currentRow() >= 0);
    if (shown() == table)
        status->setText(currentRow() >= 0
                            ? table->currentItem()->data(Online, Qt::UserRole).toString()
                            : QString());
    else
        status->setText(boardEdit->property("said").toString());
}

void ScoresWindow::showProblem(int row, const QString& why) {
    const Texts t = texts();
    const qint64 points =
        shown() == table ? entries_.value(row).points : boardEntries_.value(row).score;
    QMessageBox::warning(this, t.title, t.cannot.arg(points).arg(why));
}

void ScoresWindow::save(int row) {
    if (shown() != table || row < 0 || row >= entries_.size())
        return;
    const Texts t = texts();
    QFileDialog dialog(this, t.saveTitle,
                       QDir::home().filePath(t.saveName.arg(entries_[row].points)), t.saveFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog); // a controller can answer it
    dialog.setDefaultSuffix(QStringLiteral("zrp"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    std::string problem;
    const auto text =
        readRecordingFile((folder_ + '/' + entries_[row].file).toStdString(), {}, problem);
    QSaveFile copy(dialog.selectedFiles().front());
    if (!text)
        showProblem(row, QString::fromStdString(problem));
    else if (!copy.open(QIODevice::WriteOnly) ||
             copy.write(text->data(), qint64(text->size())) != qint64(text->size()) ||
             !copy.commit())
        showProblem(row, copy.errorString());
}

void ScoresWindow::press(PadButton pad) {
    QTreeWidget* games = shown();
    const std::array<QWidget*, 4> stops{games, watchButton, saveButton, closeButton};
    const auto focused = std::find(stops.begin(), stops.end(), focusWidget());
    const int at = focused == stops.end() ? 0 : int(focused - stops.begin());
    const int rows = games->topLevelItemCount();
    if ((pad == PadButton::Up || pad == PadButton::Down) && rows > 0) {
        const int row = std::clamp(currentRow() + (pad == PadButton::Up ? -1 : 1), 0, rows - 1);
        games->setCurrentItem(games->topLevelItem(row));
        games->setFocus(Qt::TabFocusReason);
    } else if (pad == PadButton::Left || pad == PadButton::Right) {
        for (int step = 1; step < 4; ++step) {
            QWidget* next = stops[(at + (pad == PadButton::Left ? 4 - step : step)) % 4];
            if (next->isEnabled())
                return next->setFocus(Qt::TabFocusReason);
        }
    } else if (pad == PadButton::LeftShoulder || pad == PadButton::RightShoulder) {
        tabs->setCurrentIndex(pad == PadButton::LeftShoulder ? 0 : 1);
    } else if (pad == PadButton::South) {
        (at == 0 ? watchButton : static_cast<QPushButton*>(stops[at]))->click();
    } else if (pad == PadButton::East) {
        close();
    }
}

NameBox::NameBox(long long points, const QString& name, QWidget* parent)
    : QDialog(parent), nameEdit(new QLineEdit(name, this)),
      okButton(new QPushButton(texts().ok, this)) {
    const Texts t = texts();
    setObjectName(QStringLiteral("NameBox"));
    setWindowTitle(t.title);
    setWindowModality(Qt::ApplicationModal);
    setFixedFrame(*this, QSize(290, 112), false);

    auto* message = new QLabel(t.message.arg(points), this);
    message->setGeometry(10, 10, 270, 20);
    message->setFont(msSansSerif(8.25, true));
    auto* label = new QLabel(t.name, this);
    label->setGeometry(10, 42, 56, 24);
    label->setFont(msSansSerif(8.25, true));
    label->setBuddy(nameEdit);
    nameEdit->setGeometry(70, 42, 210, 24);
    nameEdit->setFont(msSansSerif(9.75, false));
    nameEdit->setMaxLength(int(2 * script::kMaxNameLength)); // UTF-16 units; the validator counts
    nameEdit->setValidator(new NameValidator(nameEdit));
    nameEdit->selectAll();
    okButton->setGeometry(180, 74, 100, 30);
    okButton->setFont(msSansSerif(12, true));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(nameEdit, &QLineEdit::textChanged, this,
            [this] { okButton->setEnabled(nameEdit->hasAcceptableInput()); });
    okButton->setEnabled(nameEdit->hasAcceptableInput());
    nameEdit->setFocus();
}

QString NameBox::name() const {
    return nameEdit->text().trimmed();
}

void NameBox::accept() {
    if (nameEdit->hasAcceptableInput() && script::isPlayerName(name().toStdString()))
        QDialog::accept();
}

} // namespace zelto
