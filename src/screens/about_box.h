// The about box: the program's title, version and notices, and a banner that opens the
// maker's web page.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace zelto {

/// frmAbout: modeless, with "OK" as both the default and the cancel button, so that Enter and
/// Escape close it as well. A click on the banner asks for the maker's web page and leaves the
/// box open.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    /// Asks the system to open a web page in its browser. It must return at once, without
    /// waiting for the browser, and it reports no failure.
    using OpenWebPage = std::function<void(const QUrl&)>;

    explicit frmAbout(QWidget* parent = nullptr);

    /// The maker's web page, which the banner opens.
    static QUrl makersPage();
    /// Replaces how every about box opens a web page (by default QDesktopServices::openUrl),
    /// so that tests can watch the requests; an empty function restores the default.
    static void setOpenWebPage(OpenWebPage open);

    QPushButton* const cmdOK;
    QLabel* const Image1; ///< the banner, wider than the box and cut off on both sides
    QLabel* const lblTitle;
    QLabel* const lblVersion;
    QLabel* const lblDescription;
    QLabel* const lblDisclaimer;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    /// Fills in the caption, the version and the title from the program's own data.
    void formLoad();
};

} // namespace zelto
