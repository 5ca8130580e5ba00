#include "ui/info_window.hpp"

#include "core/base/version.hpp"
#include "ui/look.hpp"
#include "ui/project_page.hpp"
#include "ui/user_dialogs.hpp"
#include "ui/widget_factory.hpp"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace merolan {
namespace {

namespace layout {
constexpr QSize window{443, 92};
constexpr QRect sentence{12, 16, 341, 29};
constexpr QRect link{12, 44, 389, 20};
constexpr QRect version{12, 68, 389, 18}; // in the free band below the link
} // namespace layout

// The label's text is the whole address, which is also what a click opens; a manual's file
// address can be longer than the label, so the middle gives way on screen, never the ends.
class AddressLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

} // namespace

InfoWindow::InfoWindow(UserDialogs &dialogs, QWidget *parent) : QWidget(parent, Qt::Window), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("MEROLAN - RF Power Meter"));
    resize(layout::window);
    setFont(sansFont(11));
    closeOnEscape(this);

    auto *sentence = new QLabel(QStringLiteral("Click the link belwo to visit the project page."), this);
    sentence->setObjectName(QStringLiteral("Label1"));
    sentence->setGeometry(layout::sentence);

    link_ = new AddressLabel(projectPageAddress(), this);
    link_->setObjectName(QStringLiteral("Label2"));
    link_->setGeometry(layout::link);
    // Plain text: the label is the address, and Qt must not turn it into a link of its own.
    link_->setTextFormat(Qt::PlainText);
    link_->setAutoFillBackground(false);
    QFont font = sansFont(16);
    font.setBold(true);
    font.setUnderline(true);
    link_->setFont(font);
    QPalette palette = link_->palette();
    palette.setColor(QPalette::WindowText, look::kLinkBlue);
    link_->setPalette(palette);
    link_->setToolTip(QStringLiteral("Click... go to webpage"));
    // Colour, underline and tooltip mark the link; the pointer stays the ordinary arrow.
    link_->setCursor(Qt::ArrowCursor);
    link_->installEventFilter(this);

    auto *version = new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(kProgramVersion.data())), this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setGeometry(layout::version);
}

void InfoWindow::ShowMe()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void InfoWindow::HyperJump(const QString &address)
{
    dialogs_.openAddress(address);
}

bool InfoWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == link_ && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && link_->rect().contains(mouse->position().toPoint()))
            HyperJump(link_->text());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace merolan
