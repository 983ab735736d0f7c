#include "screens/x11_field_view.h"

#include "platform/logging.h"
#include "platform/runtime_library.h"
#include "screens/field_painter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define ZELTO_HAS_XCB 1
#endif

namespace zelto {

#ifdef ZELTO_HAS_XCB

namespace {

#define ZELTO_XCB_DRAW_FUNCTIONS(X)                                                                \
    X(xcb_generate_id)                                                                             \
    X(xcb_get_setup)                                                                               \
    X(xcb_get_geometry)                                                                            \
    X(xcb_get_geometry_reply)                                                                      \
    X(xcb_get_maximum_request_length)                                                              \
    X(xcb_create_gc)                                                                               \
    X(xcb_change_gc)                                                                               \
    X(xcb_free_gc)                                                                                 \
    X(xcb_create_pixmap)                                                                           \
    X(xcb_free_pixmap)                                                                             \
    X(xcb_put_image)                                                                               \
    X(xcb_copy_area)                                                                               \
    X(xcb_poly_fill_rectangle)                                                                     \
    X(xcb_set_clip_rectangles)                                                                     \
    X(xcb_flush)

struct XcbDraw {
    ZELTO_XCB_DRAW_FUNCTIONS(ZELTO_DECLARE_FUNCTION)
};

/// The libxcb that Qt's platform plugin has loaded already, or null (said once).
const XcbDraw* xcbDraw() {
    static const std::optional<XcbDraw> api = loadLibrary<XcbDraw>(
        QStringLiteral("xcb"), 1, lcField(), "the field is painted through Qt's backing store",
        [](SymbolResolver& resolve, XcbDraw& api) {
            ZELTO_XCB_DRAW_FUNCTIONS(ZELTO_RESOLVE_FUNCTION)
        });
    return api ? &*api : nullptr;
}

xcb_rectangle_t toX(const QRect& r) {
    return {static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
            static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(r.height())};
}

} // namespace

struct X11FieldView::State final : FieldCanvas {
    const XcbDraw& x;
    xcb_connection_t* c;
    xcb_window_t window;
    std::uint8_t depth;
    std::size_t maxPutBytes;
    QWidget& widget;
    std::function<void(QPainter&, const QRect&)> rasterPaint;
    xcb_gcontext_t gc = 0;
    std::uint32_t foreground = 0;
    int factor = 0; // of the pixmaps uploaded
    std::array<xcb_pixmap_t, kArtwork.size()> pixmaps{};
    QPoint offset;   // of the field in the window, device pixels
    qreal ratio = 1; // device pixels to a logical one
    const Form1* form = nullptr;

    State(const XcbDraw& api, xcb_connection_t* connection, xcb_window_t id, std::uint8_t d,
          QWidget& w, std::function<void(QPainter&, const QRect&)> paint)
        : x(api), c(connection), window(id), depth(d),
          // A request is at most this many 4-byte units; an image's header takes 24 bytes.
          maxPutBytes(std::size_t(api.xcb_get_maximum_request_length(connection)) * 4 - 64),
          widget(w), rasterPaint(std::move(paint)) {
        gc = x.xcb_generate_id(c);
        // CopyArea from a pixmap never needs exposure events, which would wake Qt's reader.
        const std::uint32_t values[] = {0, 0};
        x.xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
    }
    ~State() override {
        freePixmaps();
        x.xcb_free_gc(c, gc);
        x.xcb_flush(c);
    }

    void freePixmaps() {
        for (xcb_pixmap_t& pixmap : pixmaps) {
            if (pixmap)
                x.xcb_free_pixmap(c, std::exchange(pixmap, 0));
        }
    }

    /// Sends `image` (Format_RGB32) to `drawable` at `at`, in as few requests as fit.
    void put(xcb_drawable_t drawable, const QImage& image, QPoint at) {
        const auto line = static_cast<std::size_t>(image.bytesPerLine());
        const int rows = std::max<int>(1, static_cast<int>(maxPutBytes / line));
        for (int y = 0; y < image.height(); y += rows) {
            const int n = std::min(rows, image.height() - y);
            x.xcb_put_image(
                c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc,
                static_cast<std::uint16_t>(image.width()), static_cast<std::uint16_t>(n),
                static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y() + y), 0, depth,
                static_cast<std::uint32_t>(line * std::size_t(n)), image.constScanLine(y));
        }
    }

    /// The pictures at `scale` device pixels to a field pixel, uploaded once for each scale.
    void upload(int scale) {
        if (scale == factor)
            return;
        freePixmaps();
        factor = scale;
        const std::uint32_t noClip = XCB_NONE;
        x.xcb_change_gc(c, gc, XCB_GC_CLIP_MASK, &noClip);
        for (std::size_t art = 0; art < pixmaps.size(); ++art) {
            const QImage& picture = fieldPicture(art);
            if (picture.isNull())
                continue;
            const QImage scaled =
                picture
                    .scaled(picture.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .convertToFormat(QImage::Format_RGB32);
            pixmaps[art] = x.xcb_generate_id(c);
            x.xcb_create_pixmap(c, depth, pixmaps[art], window,
                                static_cast<std::uint16_t>(scaled.width()),
                                static_cast<std::uint16_t>(scaled.height()));
            put(pixmaps[art], scaled, QPoint(0, 0));
        }
    }

    QRect toDevice(const QRect& field) const {
        return QRect(offset + field.topLeft() * factor, field.size() * factor);
    }

    /// Paints `device` (device pixels) with Qt's painter into an image and sends it.
    void raster(const QRect& device) {
        QImage image(device.size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        {
            QPainter painter(&image);
            painter.translate(-QPointF(device.topLeft()) / ratio);
            rasterPaint(painter,
                        QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio)
                            .toAlignedRect());
        }
        put(window, image, device.topLeft());
    }

    void fillDevice(const QRect& device, std::uint32_t pixel) {
        if (pixel != foreground) {
            foreground = pixel;
            x.xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &pixel);
        }
        const xcb_rectangle_t rect = toX(device);
        x.xcb_poly_fill_rectangle(c, window, gc, 1, &rect);
    }

    // FieldCanvas, in field pixels.
    void fill(const QRect& box, Rgb color) override {
        fillDevice(toDevice(box),
                   (std::uint32_t{color.r} << 16) | (std::uint32_t{color.g} << 8) | color.b);
    }
    void picture(std::size_t art, const QRect& box) override {
        if (!pixmaps[art])
            return;
        const QRect to = toDevice(box);
        x.xcb_copy_area(c, pixmaps[art], window, gc, 0, 0, static_cast<std::int16_t>(to.x()),
                        static_cast<std::int16_t>(to.y()), static_cast<std::uint16_t>(to.width()),
                        static_cast<std::uint16_t>(to.height()));
    }
    void label(const Label&, const QRect& box) override {
        // Text in the game's font is Qt's to draw; the region's clip still holds.
        raster(toDevice(box));
    }
};

std::unique_ptr<X11FieldView>
X11FieldView::create(QWidget& window, std::function<void(QPainter&, const QRect&)> paint) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const XcbDraw* api = xcbDraw();
    if (!x11 || !x11->connection() || !api)
        return nullptr;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_get_geometry_reply_t* geometry =
        api->xcb_get_geometry_reply(c, api->xcb_get_geometry(c, id), nullptr);
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(geometry); // xcb hands out replies from malloc
    // Format_RGB32 is the server's 24-bit pixel only in the same byte order.
    if (depth != 24 || api->xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        qCDebug(lcField, "a window of depth %d: the field is painted through Qt's backing store",
                depth);
        return nullptr;
    }
    return std::make_unique<X11FieldView>(
        std::make_unique<State>(*api, c, id, depth, window, std::move(paint)));
}

X11FieldView::X11FieldView(std::unique_ptr<State> state) : state_(std::move(state)) {}

X11FieldView::~X11FieldView() = default;

void X11FieldView::draw(const Form1* form, const QRegion& region, bool paused) {
    State& s = *state_;
    s.ratio = s.widget.devicePixelRatio();
    const QSize device = (QSizeF(s.widget.size()) * s.ratio).toSize();
    const QSize field = kFieldPixelSize;
    // As fieldTransform places it: the largest whole factor that fits, centred.
    const int factor =
        std::max(1, std::min(device.width() / field.width(), device.height() / field.height()));
    s.offset = QPoint((device.width() - field.width() * factor) / 2,
                      (device.height() - field.height() * factor) / 2);
    s.upload(factor);

    // The region in device pixels, and its part on the field: nothing of the field is drawn
    // beyond its edges, where a scaled field leaves the window black.
    const QRect whole = s.toDevice(QRect(QPoint(0, 0), field));
    std::vector<xcb_rectangle_t> clip;
    std::vector<xcb_rectangle_t> onField;
    QRect bounds;
    for (const QRect& r : region) {
        const QRect d =
            QRectF(QPointF(r.topLeft()) * s.ratio, QSizeF(r.size()) * s.ratio).toAlignedRect() &
            QRect(QPoint(0, 0), device);
        if (d.isEmpty())
            continue;
        clip.push_back(toX(d));
        if (const QRect f = d & whole; !f.isEmpty())
            onField.push_back(toX(f));
        bounds |= d;
    }
    if (clip.empty())
        return;
    const auto setClip = [&s](const std::vector<xcb_rectangle_t>& rects) {
        s.x.xcb_set_clip_rectangles(s.c, XCB_CLIP_ORDERING_UNSORTED, s.gc, 0, 0,
                                    static_cast<std::uint32_t>(rects.size()), rects.data());
    };
    setClip(clip);
    if (!form || paused) {
        // Black alone, or "Pausa" over the field: rare, and Qt's to draw.
        s.raster(bounds);
    } else {
        if (onField.size() != clip.size() || !whole.contains(bounds)) {
            s.fillDevice(bounds, 0);
            setClip(onField);
        }
        // The field pixels the region touches, rounded outwards.
        const QRect exposed = QRect(QPoint((bounds.left() - s.offset.x()) / factor - 1,
                                           (bounds.top() - s.offset.y()) / factor - 1),
                                    QPoint((bounds.right() - s.offset.x()) / factor + 1,
                                           (bounds.bottom() - s.offset.y()) / factor + 1)) &
                              QRect(QPoint(0, 0), field);
        if (!onField.empty() && !exposed.isEmpty())
            walkField(s, *form, exposed);
    }
    s.x.xcb_flush(s.c);
}

#else

struct X11FieldView::State {};

std::unique_ptr<X11FieldView> X11FieldView::create(QWidget&,
                                                   std::function<void(QPainter&, const QRect&)>) {
    return nullptr;
}
X11FieldView::X11FieldView(std::unique_ptr<State> state) : state_(std::move(state)) {}
X11FieldView::~X11FieldView() = default;
void X11FieldView::draw(const Form1*, const QRegion&, bool) {}

#endif

} // namespace zelto
