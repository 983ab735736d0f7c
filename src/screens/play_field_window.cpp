#include "screens/play_field_window.h"

#include "kit/fonts.h"
#include "kit/task_bar.h"
#include "screens/x11_field_view.h"
#include "settings/settings.h"
#include "shell/session.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTransform>
#include <QWindow>
#include <algorithm>

namespace zelto {

PlayFieldWindow::PlayFieldWindow(Session& session, const SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), session_(session),
      settings_(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Every paint covers its whole area, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(kFieldPixelSize);
    setFocusPolicy(Qt::StrongFocus);
    // The window has no title bar, but its caption is what the window system knows it by.
    setWindowTitle(QStringLiteral("Form1"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // On X11 the X server draws the field into the window itself, which is then its only
    // copy: Qt must not double-buffer it (the attribute goes before the native window).
    setAttribute(Qt::WA_PaintOnScreen, QGuiApplication::platformName() == QLatin1String("xcb"));
    keepOffTaskBar(*this);
    x11_ = X11FieldView::create(
        *this, [this](QPainter& painter, const QRect& rect) { paintField(painter, rect); });
    if (!x11_)
        setAttribute(Qt::WA_PaintOnScreen, false);
    connect(&session_, &Session::changed, this, &PlayFieldWindow::refresh);
    connect(&session_, &Session::pausedChanged, this, qOverload<>(&QWidget::update));
}

PlayFieldWindow::~PlayFieldWindow() = default;

bool PlayFieldWindow::focusNextPrevChild(bool) {
    return false;
}

QTransform PlayFieldWindow::fieldToWindow() const {
    return fieldTransform(size(), devicePixelRatio());
}

QPaintEngine* PlayFieldWindow::paintEngine() const {
    // None while the X server draws the window: Qt then leaves all of its painting to us.
    return x11_ ? nullptr : QWidget::paintEngine();
}

void PlayFieldWindow::paintEvent(QPaintEvent* event) {
    // Rendered into something else (QWidget::render, grab) the window paints as usual.
    if (x11_ && !redirected(nullptr)) {
        x11_->draw(session_.field().form(), event->region(), session_.isPaused());
        return;
    }
    QPainter painter(this);
    paintField(painter, event->rect());
}

void PlayFieldWindow::present(const QRegion& region) {
    if (x11_) {
        if (!windowHandle() || !windowHandle()->isExposed()) {
            update(region);
            return;
        }
        x11_->draw(session_.field().form(), region, session_.isPaused());
        emit presented(region);
        return;
    }
    QBackingStore* store = backingStore();
    QWindow* window = windowHandle();
    // Before the first exposure, or while a new size is on its way, the widget's own paint
    // event does it.
    if (!store || !window || !window->isExposed() || store->size() != size()) {
        update(region);
        return;
    }
    store->beginPaint(region);
    if (QPaintDevice* device = store->paintDevice()) {
        QPainter painter(device);
        painter.setClipRegion(region);
        paintField(painter, region.boundingRect());
    }
    store->endPaint();
    store->flush(region, window);
    emit presented(region);
}

void PlayFieldWindow::paintField(QPainter& painter, const QRect& rect) {
    const Form1* form = session_.field().form();
    const QTransform transform = fieldToWindow();
    // Around a scaled field the window stays black.
    if (!form || !transform.isIdentity())
        painter.fillRect(rect, Qt::black);
    if (!form)
        return;
    painter.setTransform(transform, true);
    // Rounded outwards, so that a field pixel partly exposed is painted whole.
    const QRect exposed = transform.inverted().mapRect(QRectF(rect)).toAlignedRect() &
                          QRect(QPoint(0, 0), kFieldPixelSize);
    painter_.paint(painter, *form, exposed);
    if (session_.isPaused()) {
        // In the labels' font and colour, over whatever lies in the middle of the field.
        painter.setFont(msSansSerif(12, true));
        painter.setPen(Qt::white);
        painter.drawText(QRect(QPoint(0, 0), kFieldPixelSize), Qt::AlignCenter, tr("Pausa"));
    }
}

void PlayFieldWindow::toggleFullScreen() {
    // Kept here rather than read from the window state, which a window system without a
    // window manager does not confirm.
    fullScreen_ = !fullScreen_;
    if (!fullScreen_) {
        showNormal();
        setFixedSize(kFieldPixelSize);
    } else {
        setMinimumSize(kFieldPixelSize);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
        // Without a window manager nobody else gives the window the screen.
        if (const QScreen* screen = this->screen(); screen && geometry() != screen->geometry())
            setGeometry(screen->geometry());
    }
    update();
}

void PlayFieldWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const Form1* form = session_.field().form();
    shown_ = form ? FieldSnapshot::of(*form) : FieldSnapshot();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void PlayFieldWindow::keyPressEvent(QKeyEvent* event) {
    // F11 types no character, so the game's rules never see it. Escape types a character that
    // the rules ignore, so taking it for the pause loses nothing.
    std::optional<Command> command =
        settings_.current().commandFor(pressedKey(event->key(), event->modifiers()));
    if (event->key() == Qt::Key_F11)
        command = Command::FullScreen;
    else if (event->key() == Qt::Key_Pause || event->key() == Qt::Key_Escape)
        command = Command::Pause;
    if (command == Command::FullScreen || command == Command::Pause) {
        event->accept();
        if (!event->isAutoRepeat())
            command == Command::Pause ? session_.togglePause() : toggleFullScreen();
        return;
    }
    // The rules see an extra key as its command's letter, held down as often as the letter.
    if (command && commandCode(*command)) {
        event->accept();
        session_.type(commandCode(*command));
        return;
    }
    const QString text = event->text();
    // Only keys that type a character reach the game, as their single-byte code.
    if (text.isEmpty() || text.front().unicode() >= 256) {
        event->ignore();
        return;
    }
    event->accept();
    session_.type(text.front().unicode());
}

void PlayFieldWindow::refresh() {
    if (!session_.isOpen()) {
        close();
        return;
    }
    if (!isVisible())
        return;
    // Runs after every tick: the look is compared and brought up to date in place.
    const QRegion changed = shown_.update(*session_.field().form());
    if (changed.isEmpty())
        return;
    const QTransform transform = fieldToWindow();
    if (transform.isIdentity()) {
        present(changed);
        return;
    }
    // Rounded outwards where a field pixel covers fractions of window pixels.
    QRegion window;
    for (const QRect& box : changed)
        window += transform.mapRect(QRectF(box)).toAlignedRect();
    present(window);
}

void PlayFieldWindow::closeEvent(QCloseEvent* event) {
    // The field cannot go while one of its handlers runs (a message box is open).
    if (!session_.close()) {
        event->ignore();
        return;
    }
    event->accept();
    if (!closedSignalled_) {
        closedSignalled_ = true;
        emit closed();
    }
}

} // namespace zelto
