#include "screens/about_box.h"

#include "kit/fonts.h"
#include "kit/window_kit.h"
#include "platform/logging.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <exception>

namespace zelto {

namespace {

frmAbout::OpenWebPage defaultOpenWebPage() {
    // Hands the address to the desktop's URL handler and does not wait for the browser; a
    // failure to open it is not reported.
    return [](const QUrl& page) { QDesktopServices::openUrl(page); };
}

frmAbout::OpenWebPage& openWebPage() {
    static frmAbout::OpenWebPage open = defaultOpenWebPage();
    return open;
}

QLabel* aboutLabel(QWidget* box, const char* name, QRect place, const QFont& font,
                   const QColor& colour, Qt::Alignment alignment) {
    auto* label = new QLabel(box);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

/// The author and the year, the e-mail, and the web address, each on a line of its own: the
/// three lines that the label holds.
QString notice() {
    return frmAbout::tr("© 2026 gli autori di Zelto") + QStringLiteral("\nzelto@example.org\n") +
           frmAbout::makersPage().toString();
}

QString disclaimer() {
    return frmAbout::tr("Avvertenza: questo programma è fornito così com'è, senza garanzie di "
                        "alcun tipo, esplicite o implicite. Chi lo usa lo fa a proprio rischio.");
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), cmdOK(new QPushButton(QStringLiteral("OK"), this)), Image1(new QLabel(this)),
      lblTitle(aboutLabel(this, "lblTitle", fromTwips(360, 600, 5085, 480), timesNewRoman(18, true),
                          QColor(0, 0, 192), Qt::AlignHCenter)),
      lblVersion(aboutLabel(this, "lblVersion", fromTwips(360, 1080, 4965, 345),
                            msSansSerif(9.75, false), Qt::black, Qt::AlignHCenter)),
      lblDescription(aboutLabel(this, "lblDescription", fromTwips(360, 1440, 4965, 930),
                                msSansSerif(12, true), Qt::black, Qt::AlignLeft)),
      lblDisclaimer(aboutLabel(this, "lblDisclaimer", fromTwips(360, 2550, 3480, 900),
                               msSansSerif(8.25, false), Qt::black, Qt::AlignLeft)) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedFrame(*this, fromTwips(0, 0, 5490, 3555).size(), false);

    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(fromTwips(3960, 3120, 1425, 345));
    cmdOK->setFont(msSansSerif(12, true));
    cmdOK->setDefault(true);
    // Escape rejects the dialog, which closes it just as "OK" does.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(fromTwips(-480, 0, 6000, 600));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(loadPicture(QStringLiteral(":/pictures/banner.gif")));
    Image1->setToolTip(tr("Clicca per accedere al sito"));
    Image1->installEventFilter(this);

    lblDescription->setText(notice());
    lblDisclaimer->setText(disclaimer());

    cmdOK->setFocus();
    formLoad();
}

QUrl frmAbout::makersPage() {
    return QUrl(QStringLiteral("https://zelto.example.org/"));
}

void frmAbout::setOpenWebPage(OpenWebPage open) {
    openWebPage() = open ? std::move(open) : defaultOpenWebPage();
}

void frmAbout::formLoad() {
    setWindowTitle(tr("Informazioni su %1").arg(applicationTitle()));
    lblVersion->setText(tr("Versione %1.%2.%3")
                            .arg(ZELTO_VERSION_MAJOR)
                            .arg(ZELTO_VERSION_MINOR)
                            .arg(ZELTO_VERSION_PATCH));
    lblTitle->setText(applicationTitle());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    // A click is a left-button release over the banner after a press on it.
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Image1->rect().contains(mouse->position().toPoint())) {
            // Opening the page is the desktop's business; whatever goes wrong there leaves the
            // box as it was.
            try {
                openWebPage()(makersPage());
            } catch (const std::exception& error) {
                qCDebug(lcScreens, "the web page could not be opened: %s", error.what());
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::paintEvent(QPaintEvent* /*event*/) {
    // The etched separator between the notice and the disclaimer: a grey line over a white
    // one twice as thick, both running out past the right edge.
    QPainter painter(this);
    painter.translate(clientOrigin(*this));
    painter.fillRect(QRect(6, 163, width() - 6, 1), QColor(128, 128, 128));
    painter.fillRect(QRect(7, 164, width() - 7, 2), Qt::white);
}

} // namespace zelto
