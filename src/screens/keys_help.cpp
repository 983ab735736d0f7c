#include "screens/keys_help.h"

#include "kit/fonts.h"
#include "kit/window_kit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace zelto {

namespace {

const QChar kBlank = QLatin1Char(' ');
/// The window's design height, in twips, and the margin below the extra keys, in pixels.
constexpr int kHeight = 3015;
constexpr int kExtraKeysMargin = 6;

/// Drops the blanks at the end of `line` that reach past `width`.
QString fitted(QString line, const QFontMetrics& metrics, int width) {
    while (line.endsWith(kBlank) && metrics.horizontalAdvance(line) > width)
        line.chop(1);
    return line;
}

/// Breaks `text` into lines no wider than `width` pixels, at blanks. A line takes words while
/// they fit and then the blanks after its last word as far as they fit; those blanks belong to
/// the line and count when it is centred, which is what keeps Label1's text left of the
/// window's edge. The blanks that do not fit are dropped. A word wider than `width` stands
/// alone on its line.
QStringList wrapAtBlanks(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype wordEnd = at;
        while (wordEnd < text.size() && text[wordEnd] != kBlank)
            ++wordEnd;
        const QString withWord = line + text.mid(at, wordEnd - at);
        if (!line.isEmpty() && metrics.horizontalAdvance(withWord) > width) {
            // The word goes to a new line; the blanks before it stay behind.
            lines.append(fitted(line, metrics, width));
            line.clear();
            continue;
        }
        line = withWord;
        at = wordEnd;
        while (at < text.size() && text[at] == kBlank)
            line += text[at++];
    }
    if (!line.isEmpty())
        lines.append(fitted(line, metrics, width));
    return lines;
}

/// A label that lays out its text with wrapAtBlanks from its top edge, left-aligned or
/// centred, and draws only what lies inside its box.
class WrappingLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

void WrappingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetrics metrics(font());
    int top = 0;
    for (const QString& line : wrapAtBlanks(text(), metrics, width())) {
        if (top >= height())
            break;
        const int left =
            (alignment() & Qt::AlignHCenter) ? (width() - metrics.horizontalAdvance(line)) / 2 : 0;
        painter.drawText(left, top + metrics.ascent(), line);
        top += metrics.lineSpacing();
    }
}

QLabel* keyLabel(QWidget* form, const char* name, const QString& text, QRect place,
                 Qt::Alignment alignment) {
    auto* label = new WrappingLabel(text, form);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

} // namespace

Form3::Form3(QWidget* parent)
    : QWidget(parent),
      Label1(keyLabel(this, "Label1", tr("A = Attiva la musica") + QString(64, kBlank),
                      fromTwips(120, 1560, 2415, 255), Qt::AlignHCenter)),
      Label2(keyLabel(this, "Label2", tr("S = Ferma la musica"), fromTwips(120, 1800, 2055, 375),
                      Qt::AlignLeft)),
      Label3(keyLabel(this, "Label3", tr("Z = Sinistra"), fromTwips(240, 360, 1455, 375),
                      Qt::AlignHCenter)),
      Label4(keyLabel(this, "Label4", tr("X = Destra"), fromTwips(360, 120, 1215, 255),
                      Qt::AlignHCenter)),
      Label5(keyLabel(this, "Label5", tr("M = Laser"), fromTwips(360, 600, 1215, 375),
                      Qt::AlignHCenter)),
      Label6(keyLabel(this, "Label6", tr("L = Turbo"), fromTwips(480, 840, 1095, 495),
                      Qt::AlignHCenter)),
      Label7(keyLabel(this, "Label7", tr("K = Blocca il turbo"), fromTwips(120, 1320, 1815, 255),
                      Qt::AlignHCenter)),
      Label8(keyLabel(this, "Label8", tr("P = Stop"), fromTwips(240, 1080, 1455, 255),
                      Qt::AlignHCenter)),
      Label9(
          keyLabel(this, "Label9", tr("Q = Esci"), fromTwips(480, 2040, 975, 495), Qt::AlignLeft)),
      Command1(new QPushButton(tr("&Esci"), this)), ExtraKeys(new QLabel(this)) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("Tasti"));
    setFixedFrame(*this, fromTwips(0, 0, 1995, kHeight).size(), true);

    const QFont labelFont = msSansSerif(8.25, true);
    for (QLabel* label :
         {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, ExtraKeys})
        label->setFont(labelFont);
    // Below the window's design, shown only with extra keys (setExtraKeys).
    ExtraKeys->setObjectName(QStringLiteral("ExtraKeys"));
    ExtraKeys->setGeometry(fromTwips(120, kHeight, 1755, 0));
    ExtraKeys->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ExtraKeys->setWordWrap(true);
    ExtraKeys->hide();

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(fromTwips(240, 2400, 1335, 495));
    Command1->setFont(msSansSerif(12, true));
    Command1->setAutoDefault(false);
    setUpButtonKeys(*Command1);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}

void Form3::setExtraKeys(const QStringList& lines) {
    ExtraKeys->setText(lines.join(QLatin1Char('\n')));
    ExtraKeys->setVisible(!lines.isEmpty());
    const int below = lines.isEmpty() ? 0 : ExtraKeys->heightForWidth(ExtraKeys->width());
    ExtraKeys->resize(ExtraKeys->width(), below);
    setFixedSize(width(), clientOrigin(*this).y() + fromTwips(0, 0, 0, kHeight).height() +
                              (below ? below + kExtraKeysMargin : 0));
}

} // namespace zelto
