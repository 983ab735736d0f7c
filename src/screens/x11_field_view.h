// The play field drawn by the X server itself, on X11.
#pragma once

#include "field/form1.h"

#include <QRegion>
#include <functional>
#include <memory>

class QPainter;
class QWidget;

namespace zelto {

/// Draws the play field into its X11 window with a few requests a frame: the pictures live on
/// the X server as pixmaps, uploaded once for each scale, so that a frame is a black fill, one
/// CopyArea a picture and a fill a shot in the changed boxes, and no pixels travel. A label (a
/// caption in the game's font) and "Pausa" are painted with Qt's painter into an image and sent
/// as one. The window must not be double-buffered by Qt (Qt::WA_PaintOnScreen): what this draws
/// is the window's only copy, and an exposure is drawn again from the field.
class X11FieldView {
public:
    /// For `window` (its native window is made now) on Qt's xcb platform; null on another
    /// platform, without libxcb's functions, or on a window of another depth than 24 bits or
    /// of another byte order, where the window paints through its backing store as usual.
    /// `paint(painter, rect)` paints the part `rect` (logical pixels) of the window as the
    /// window's own paint event would.
    static std::unique_ptr<X11FieldView> create(QWidget& window,
                                                std::function<void(QPainter&, const QRect&)> paint);
    ~X11FieldView();
    X11FieldView(const X11FieldView&) = delete;
    X11FieldView& operator=(const X11FieldView&) = delete;

    struct State;
    /// Made by create() only: nothing else can name a State.
    explicit X11FieldView(std::unique_ptr<State> state);

    /// Draws `region` (the window's logical pixels) of `form` as it stands, "Pausa" over it
    /// when `paused`, or black without a form, and hands it to the server at once.
    void draw(const Form1* form, const QRegion& region, bool paused);

private:
    std::unique_ptr<State> state_;
};

} // namespace zelto
