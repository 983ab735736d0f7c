#include "screens/scores_window.h"

#include "kit/fonts.h"
#include "kit/window_kit.h"
#include "replay/verify.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTreeWidget>
#include <QValidator>
#include <algorithm>
#include <array>

namespace zelto {

// Every text the scores window shows.
struct ScoresWindow::Texts {
    QString title, rank, name, points, date, length, unnamed, watch, save, close;
    QString dateFormat, saveTitle, saveFilter, saveName, cannot;
};

ScoresWindow::Texts ScoresWindow::texts() {
    return {
        .title = QStringLiteral("Punteggi"),
        .rank = QStringLiteral("N."),
        .name = QStringLiteral("Nome"),
        .points = QStringLiteral("Punti"),
        .date = QStringLiteral("Data"),
        .length = QStringLiteral("Durata"),
        .unnamed = QStringLiteral("(senza nome)"),
        .watch = QStringLiteral("&Guarda"),
        .save = QStringLiteral("&Salva"),
        .close = QStringLiteral("&Esci"),
        .dateFormat = QStringLiteral("dd/MM/yyyy HH:mm"),
        .saveTitle = QStringLiteral("Salva la partita"),
        .saveFilter = QStringLiteral("Partite di Zelto (*.zrp)"),
        .saveName = QStringLiteral("zelto-%1-punti.zrp"),
        .cannot = QStringLiteral("La partita da %1 punti non si può usare:\n%2"),
    };
}

// Every text the name box shows.
struct NameBox::Texts {
    QString title, message, name, ok;
};

NameBox::Texts NameBox::texts() {
    return {
        .title = QStringLiteral("Nome"),
        .message = QStringLiteral("%1 punti: una delle tue dieci partite migliori!"),
        .name = QStringLiteral("&Nome:"),
        .ok = QStringLiteral("OK"),
    };
}

namespace {

enum Column { Rank, Name, Points, Date, Length, kColumns };
constexpr int kWidths[kColumns] = {34, 150, 62, 116, 52};
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
    : QWidget(parent), table(new QTreeWidget(this)),
      watchButton(button(this, texts().watch, QRect(8, 242, 130, 33))),
      saveButton(button(this, texts().save, QRect(153, 242, 130, 33))),
      closeButton(button(this, texts().close, QRect(298, 242, 130, 33))) {
    const Texts t = texts();
    setObjectName(QStringLiteral("Scores"));
    setWindowTitle(t.title);
    setFixedFrame(*this, QSize(436, 283), true);

    table->setGeometry(8, 8, 420, 226);
    table->setFont(msSansSerif(8.25, false));
    table->header()->setFont(msSansSerif(8.25, true));
    table->setHeaderLabels({t.rank, t.name, t.points, t.date, t.length});
    table->header()->setSectionsMovable(false);
    table->header()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < kColumns; ++column) {
        table->setColumnWidth(column, kWidths[column]);
        if (column != Name)
            table->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(table, &QTreeWidget::activated, this, [this] { watchButton->click(); });
    connect(table, &QTreeWidget::currentItemChanged, this, &ScoresWindow::updateButtons);
    connect(watchButton, &QPushButton::clicked, this, [this] {
        if (const int row = currentRow(); row >= 0 && watchButton->isEnabled())
            emit watchRequested(row, folder_ + '/' + entries_[row].file);
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
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const ScoreEntry& entry = entries[row];
        auto* item = new QTreeWidgetItem(
            table, {QString::number(row + 1) + '.', entry.name.isEmpty() ? t.unnamed : entry.name,
                    QString::number(entry.points), entry.ended.toLocalTime().toString(t.dateFormat),
                    minutes(entry.lengthMs)});
        item->setSizeHint(Rank, QSize(0, kRowHeight));
        for (const int column : {Rank, Points, Length})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        if (row == marked) {
            QFont bold = table->font();
            bold.setBold(true);
            for (int column = 0; column < kColumns; ++column) {
                item->setFont(column, bold);
                item->setBackground(column, QColor(255, 255, 200));
            }
        }
    }
    if (!entries.isEmpty())
        table->setCurrentItem(table->topLevelItem(marked >= 0 ? marked : 0));
    table->setFocus();
    updateButtons();
}

void ScoresWindow::setCanWatch(bool can) {
    canWatch_ = can;
    updateButtons();
}

int ScoresWindow::currentRow() const {
    return table->currentItem() ? table->indexOfTopLevelItem(table->currentItem()) : -1;
}

void ScoresWindow::updateButtons() {
    watchButton->setEnabled(canWatch_ && currentRow() >= 0);
    saveButton->setEnabled(currentRow() >= 0);
}

void ScoresWindow::showProblem(int row, const QString& why) {
    const Texts t = texts();
    QMessageBox::warning(this, t.title, t.cannot.arg(entries_.value(row).points).arg(why));
}

void ScoresWindow::save(int row) {
    if (row < 0 || row >= entries_.size())
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
    const std::array<QWidget*, 4> stops{table, watchButton, saveButton, closeButton};
    const auto focused = std::find(stops.begin(), stops.end(), focusWidget());
    const int at = focused == stops.end() ? 0 : int(focused - stops.begin());
    const int rows = table->topLevelItemCount();
    if ((pad == PadButton::Up || pad == PadButton::Down) && rows > 0) {
        const int row = std::clamp(currentRow() + (pad == PadButton::Up ? -1 : 1), 0, rows - 1);
        table->setCurrentItem(table->topLevelItem(row));
        table->setFocus(Qt::TabFocusReason);
    } else if (pad == PadButton::Left || pad == PadButton::Right) {
        for (int step = 1; step < 4; ++step) {
            QWidget* next = stops[(at + (pad == PadButton::Left ? 4 - step : step)) % 4];
            if (next->isEnabled())
                return next->setFocus(Qt::TabFocusReason);
        }
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
