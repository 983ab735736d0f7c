#include "screens/start_menu.h"

#include "kit/fonts.h"
#include "kit/window_kit.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace zelto {

namespace {

QPushButton* menuButton(QWidget* form, const char* name, const QString& caption, QRect place) {
    auto* button = new QPushButton(caption, form);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    button->setFont(msSansSerif(12, true));
    button->setAutoDefault(false);
    setUpButtonKeys(*button);
    return button;
}

/// A picture at its own size, never stretched; the window clips what reaches past its edges.
QLabel* picture(QWidget* form, const char* name, const QString& resource, QRect place) {
    auto* image = new QLabel(form);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(place);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(loadPicture(resource));
    return image;
}

} // namespace

Form2::Form2(QWidget* parent)
    : QWidget(parent),
      Command1(menuButton(this, "Command1", tr("&Info"), fromTwips(2640, 240, 1815, 495))),
      Command2(menuButton(this, "Command2", tr("&Keyboard"), fromTwips(2640, 840, 1815, 495))),
      Command3(menuButton(this, "Command3", tr("&Play"), fromTwips(2640, 1440, 1815, 495))),
      Command4(menuButton(this, "Command4", tr("&Esci"), fromTwips(2640, 2040, 1815, 495))),
      Image1(picture(this, "Image1", QStringLiteral(":/pictures/fighter.bmp"),
                     fromTwips(120, 1080, 2430, 3105))),
      Image2(picture(this, "Image2", QStringLiteral(":/pictures/rock.gif"),
                     fromTwips(1800, 240, 450, 555))),
      Image3(picture(this, "Image3", QStringLiteral(":/pictures/flame.gif"),
                     fromTwips(3000, 2880, 750, 750))) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(applicationTitle());
    setFixedFrame(*this, fromTwips(0, 0, 4680, 4125).size(), false);
    Command1->setFocus();
}

void Form2::paintEvent(QPaintEvent* /*event*/) {
    // Painted rather than set in the palette, so that the buttons keep the system's colours.
    QPainter(this).fillRect(rect(), Qt::black);
}

} // namespace zelto
