#include "screens/settings_window.h"

#include "kit/window_kit.h"
#include "screens/commands.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace zelto {

namespace {

QPushButton* button(const QString& text, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    // Return goes to "OK", the one default button, whichever button has the focus.
    made->setAutoDefault(false);
    setUpButtonKeys(*made, false);
    return made;
}

QSlider* volumeSlider(int percent) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, 100);
    slider->setPageStep(10);
    slider->setSingleStep(5);
    slider->setValue(percent);
    slider->setMinimumWidth(160);
    return slider;
}

QString hint() {
    return SettingsWindow::tr("«+» aggiunge il prossimo tasto premuto, «−» toglie gli altri "
                              "tasti.");
}

} // namespace

SettingsWindow::SettingsWindow(SettingsStore& store, QWidget* parent)
    : QDialog(parent), ArrowsAndSpace(button(tr("&Frecce e Spazio"), this)),
      LettersOnly(button(tr("Solo &lettere"), this)),
      FullScreen(new QCheckBox(tr("Schermo &intero"), this)),
      MusicAtStart(new QCheckBox(tr("&Musica all'inizio della partita"), this)),
      MusicVolume(volumeSlider(store.current().musicVolume)),
      EffectsVolume(volumeSlider(store.current().effectsVolume)),
      OK(new QPushButton(tr("OK"), this)), Cancel(button(tr("&Annulla"), this)), store_(store),
      edited_(store.current()), status_(new QLabel(this)) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(tr("Impostazioni"));

    auto* keys = new QGroupBox(tr("Tasti"));
    auto* grid = new QGridLayout(keys);
    const QString headings[] = {tr("Comando"), tr("Tasto"), tr("Altri tasti")};
    for (int column = 0; column < 3; ++column) {
        auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(headings[column]));
        grid->addWidget(heading, 0, column);
    }
    for (int row = 0; row < kCommandCount; ++row) {
        const auto command = static_cast<Command>(row);
        keyLabels_[row] = new QLabel;
        AddKey[row] = button(QStringLiteral("+"), keys);
        AddKey[row]->setToolTip(tr("Aggiungi un tasto per «%1»").arg(commandName(command)));
        ClearKeys[row] = button(QStringLiteral("−"), keys);
        ClearKeys[row]->setToolTip(tr("Togli gli altri tasti di «%1»").arg(commandName(command)));
        for (QPushButton* small : {AddKey[row], ClearKeys[row]}) {
            small->setAccessibleName(small->toolTip());
            small->setFixedWidth(small->sizeHint().height());
        }
        grid->addWidget(new QLabel(commandName(command)), row + 1, 0);
        grid->addWidget(new QLabel(fixedKeysText(command)), row + 1, 1);
        grid->addWidget(keyLabels_[row], row + 1, 2);
        grid->addWidget(AddKey[row], row + 1, 3);
        grid->addWidget(ClearKeys[row], row + 1, 4);
        connect(AddKey[row], &QPushButton::clicked, this, [this, command] { awaitKey(command); });
        connect(ClearKeys[row], &QPushButton::clicked, this, [this, row] {
            edited_.keys[row].clear();
            showKeys();
        });
    }
    grid->setColumnMinimumWidth(2, 120);
    auto* choices = new QHBoxLayout;
    choices->addWidget(ArrowsAndSpace);
    choices->addWidget(LettersOnly);
    choices->addStretch();
    grid->addLayout(choices, kCommandCount + 1, 0, 1, 5);
    status_->setWordWrap(true);
    status_->setText(hint());
    grid->addWidget(status_, kCommandCount + 2, 0, 1, 5);
    connect(ArrowsAndSpace, &QPushButton::clicked, this, [this] {
        edited_.keys = Settings::arrowsAndSpace();
        showKeys();
    });
    connect(LettersOnly, &QPushButton::clicked, this, [this] {
        edited_.keys = Settings().keys;
        showKeys();
    });

    auto* game = new QGroupBox(tr("Partita"));
    auto* gameLayout = new QVBoxLayout(game);
    FullScreen->setChecked(edited_.fullScreen);
    MusicAtStart->setChecked(edited_.musicAtStart);
    setUpButtonKeys(*FullScreen, false);
    setUpButtonKeys(*MusicAtStart, false);
    gameLayout->addWidget(FullScreen);
    gameLayout->addWidget(MusicAtStart);

    auto* volumes = new QGroupBox(tr("Volume"));
    auto* volumeGrid = new QGridLayout(volumes);
    const std::pair<QString, QSlider*> sliders[] = {{tr("M&usica"), MusicVolume},
                                                    {tr("&Effetti"), EffectsVolume}};
    for (int row = 0; row < 2; ++row) {
        auto* name = new QLabel(sliders[row].first);
        auto* value = new QLabel;
        name->setBuddy(sliders[row].second);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
        const auto showValue = [value](int percent) {
            value->setText(QStringLiteral("%1 %").arg(percent));
        };
        showValue(sliders[row].second->value());
        connect(sliders[row].second, &QSlider::valueChanged, value, showValue);
        volumeGrid->addWidget(name, row, 0);
        volumeGrid->addWidget(sliders[row].second, row, 1);
        volumeGrid->addWidget(value, row, 2);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    OK->setDefault(true);
    setUpButtonKeys(*OK, false);
    connect(OK, &QPushButton::clicked, this, [this] {
        edited_.fullScreen = FullScreen->isChecked();
        edited_.musicAtStart = MusicAtStart->isChecked();
        edited_.musicVolume = MusicVolume->value();
        edited_.effectsVolume = EffectsVolume->value();
        store_.change(edited_);
        accept();
    });
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keys);
    layout->addWidget(game);
    layout->addWidget(volumes);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFixedFrame(*this, QSize(), true);
    showKeys();
    qApp->installEventFilter(this);
}

void SettingsWindow::showKeys() {
    for (int row = 0; row < kCommandCount; ++row) {
        QStringList names;
        for (const QKeyCombination key : edited_.keys[row])
            names.append(keyText(key));
        keyLabels_[row]->setText(names.join(QStringLiteral(", ")));
    }
}

void SettingsWindow::awaitKey(Command command) {
    awaited_ = command;
    status_->setText(tr("Premi il tasto per «%1» (Esc: nessuno)").arg(commandName(command)));
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!awaited_ || !widget || widget->window() != this)
        return false;
    if (event->type() == QEvent::WindowDeactivate) {
        awaited_.reset();
        status_->setText(hint());
    } else if (event->type() == QEvent::ShortcutOverride) {
        // Taken as a key, it presses no button by its access key.
        event->accept();
        return true;
    } else if (event->type() == QEvent::KeyPress) {
        takeKey(*static_cast<QKeyEvent*>(event));
        return true;
    }
    return false;
}

void SettingsWindow::takeKey(const QKeyEvent& event) {
    const QKeyCombination key = pressedKey(event.key(), event.modifiers());
    const Command command = *awaited_;
    if (event.key() == Qt::Key_Escape) {
        status_->setText(hint());
    } else if (isFixedKey(key)) {
        // A modifier alone is the start of a combination: the key after it is awaited.
        if (key.key() == Qt::Key_Shift || key.key() == Qt::Key_Control ||
            key.key() == Qt::Key_Alt || key.key() == Qt::Key_Meta)
            return;
        status_->setText(tr("%1 è un tasto fisso del gioco.").arg(keyText(key)));
    } else {
        edited_.addKey(command, key);
        status_->setText(QStringLiteral("%1 = %2").arg(keyText(key), commandName(command)));
        showKeys();
    }
    awaited_.reset();
}

} // namespace zelto
