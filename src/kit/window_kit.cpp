#include "kit/window_kit.h"

#include "field/units.h"
#include "kit/task_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtGlobal>
#include <cmath>
#include <utility>

namespace zelto {

namespace {

/// The window property that holds where its client area begins, below a caption bar.
constexpr const char* kClientTop = "zeltoClientTop";

/// The current style, except that access keys are always underlined.
class AccessKeyStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_UnderlineShortcut)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

/// Presses a button at once on its access key, and (when `enterPresses`) on Return or Enter
/// while it has the focus. Qt's own handling of an access key animates the press and clicks
/// only 100 ms later, which a player notices on Alt+P; and Qt leaves Enter to a default button,
/// which the game's own windows lack.
class ImmediateButtonKeys final : public QObject {
public:
    ImmediateButtonKeys(QObject* parent, bool enterPresses)
        : QObject(parent), enterPresses_(enterPresses) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button)
            return false;
        if (event->type() == QEvent::Shortcut) {
            if (static_cast<QShortcutEvent*>(event)->isAmbiguous())
                return false;
            button->setFocus(Qt::ShortcutFocusReason);
            button->click();
            return true;
        }
        if (event->type() == QEvent::KeyPress && enterPresses_) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
                return false;
            // Held down, Enter presses once, as Space does.
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
        return false;
    }

private:
    bool enterPresses_;
};

/// Calls a function once its window has painted itself for the first time, after that paint.
class AfterFirstPaint final : public QObject {
public:
    AfterFirstPaint(QWidget& window, std::function<void()> then)
        : QObject(&window), then_(std::move(then)) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Runs once this paint has gone to the screen; deleted with its window otherwise.
            QTimer::singleShot(0, parent(), std::move(then_));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

/// The title bar that the game's fixed windows draw themselves on Wayland. Where the compositor
/// draws no decorations (Weston, GNOME), Qt's wayland plugin draws its own, and that one always
/// has a minimise and a maximise button and resizes from every edge, whatever the window's
/// flags and fixed size say. So there the windows are frameless and carry this bar above their
/// client area: the caption, a close box, and a drag that moves the window; no resizing.
class CaptionBar final : public QWidget {
public:
    static constexpr int kHeight = 30;

    explicit CaptionBar(QWidget& window) : QWidget(&window) {
        setFocusPolicy(Qt::NoFocus);
        setPalette(QApplication::palette());
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        // Polished once, just before it first shows, when all its contents are in place: they
        // move below the bar, by the window's top margin where a layout places them. The
        // window paints its own background in client coordinates through clientOrigin().
        if (event->type() == QEvent::Polish) {
            if (window->layout()) {
                window->setContentsMargins(0, kHeight, 0, 0);
            } else {
                for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                    if (child != this)
                        child->move(child->pos() + QPoint(0, kHeight));
                }
            }
            setGeometry(0, 0, window->width(), kHeight);
            raise();
        } else if (event->type() == QEvent::Resize) {
            // A window whose layout sizes it has its width only when it shows.
            resize(window->width(), kHeight);
        } else if (event->type() == QEvent::WindowTitleChange ||
                   event->type() == QEvent::WindowActivate ||
                   event->type() == QEvent::WindowDeactivate) {
            update();
        }
        return false;
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.fillRect(0, height() - 1, width(), 1, palette().color(QPalette::Mid));
        const QColor ink = palette().color(isActiveWindow() ? QPalette::Active : QPalette::Disabled,
                                           QPalette::WindowText);
        QFont font = painter.font();
        font.setPixelSize(14);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(ink);
        const QRect title =
            rect().adjusted(closeBox().width() + 12, 0, -closeBox().width() - 12, 0);
        painter.drawText(title, Qt::AlignCenter,
                         painter.fontMetrics().elidedText(window()->windowTitle(), Qt::ElideRight,
                                                          title.width()));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(ink, 2));
        const QRectF cross = QRectF(closeBox()).adjusted(5, 5, -5, -5);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.bottomLeft(), cross.topRight());
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        closePressed_ = closeBox().contains(event->position().toPoint());
        if (!closePressed_ && window()->windowHandle())
            window()->windowHandle()->startSystemMove();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        // A click on the close box closes the window, as the frame's close box would.
        if (std::exchange(closePressed_, false) && closeBox().contains(event->position().toPoint()))
            window()->close();
    }

private:
    QRect closeBox() const { return {width() - 26, (kHeight - 18) / 2, 18, 18}; }

    bool closePressed_ = false;
};

} // namespace

QString applicationTitle() {
    return QStringLiteral("Zelto");
}

QRect fromTwips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

bool drawsOwnCaptionBar() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void setFixedFrame(QWidget& window, QSize clientSize, bool inTaskbar) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (drawsOwnCaptionBar()) {
        flags = Qt::Window | Qt::FramelessWindowHint;
        new CaptionBar(window); // owned by the window
        if (!clientSize.isEmpty())
            clientSize += QSize(0, CaptionBar::kHeight);
        window.setProperty(kClientTop, CaptionBar::kHeight);
    }
#ifdef Q_OS_WIN
    // A tool window has no task-bar button on Windows and stays an ordinary window there.
    if (!inTaskbar)
        flags |= Qt::Tool;
#endif
    window.setWindowFlags(flags);
#ifndef Q_OS_WIN
    if (!inTaskbar)
        keepOffTaskBar(window);
#endif
    // Tool windows do not keep the program running by default; ours do, like every other.
    window.setAttribute(Qt::WA_QuitOnClose, true);
    if (!clientSize.isEmpty())
        window.setFixedSize(clientSize);
    // Decoding the icon's pictures must not hold up the program's first window.
    afterFirstPaint(window, [&window] { window.setWindowIcon(programIcon()); });
}

QPoint clientOrigin(const QWidget& window) {
    return {0, window.property(kClientTop).toInt()};
}

void afterFirstPaint(QWidget& window, std::function<void()> then) {
    new AfterFirstPaint(window, std::move(then)); // owned by the window
}

void setUpButtonKeys(QAbstractButton& button, bool enterPresses) {
    // The button owns its style and its filter, so they live exactly as long as the button.
    auto* style = new AccessKeyStyle;
    style->setParent(&button);
    button.setStyle(style);
    button.installEventFilter(new ImmediateButtonKeys(&button, enterPresses));
}

QIcon programIcon() {
    // Decoded once for the program and shared by every window, which would otherwise decode
    // all its pictures again. The .ico holds the 32 and 16 pixel images; the PNGs add the
    // larger sizes.
    static const QIcon icon = [] {
        QIcon built(QStringLiteral(":/pictures/icon.ico"));
        const QDir pictures(QStringLiteral(":/pictures"));
        for (const QString& file : pictures.entryList({QStringLiteral("icon-*.png")}, QDir::Files))
            built.addFile(pictures.filePath(file));
        return built;
    }();
    return icon;
}

QPixmap loadPicture(const QString& resourceName) {
    // On a dense screen a picture is enlarged to the next whole number of device pixels a
    // pixel with copies of its pixels; the window then shows it at that size (ratio 2) or
    // shrinks it smoothly (1.25, 1.5), which keeps its edges sharp where an enlargement by a
    // fraction would blur them.
    const int factor = static_cast<int>(std::ceil(qApp->devicePixelRatio()));
    QPixmap picture(resourceName);
    if (factor > 1 && !picture.isNull()) {
        picture =
            picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        picture.setDevicePixelRatio(factor);
    }
    return picture;
}

} // namespace zelto
