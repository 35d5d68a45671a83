#include "app/TrayControls.h"

#include "app/MainMenus.h"
#include "app/MainWindow.h"
#include "app/RunPresenter.h"
#include "app/Tray.h"
#include "mail/MailList.h"

#include <QAction>

namespace mervantic {

namespace {

QString newMailCount(int fresh) {
    return QString::number(fresh) + QStringLiteral(" New Mail Item") +
           (fresh == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

TrayControls::TrayControls(Tray& tray, MainWindow& window, MainMenus& menus,
                           RunPresenter& presenter, MailList& mail)
    : QObject(&window)
    , m_tray(tray)
    , m_window(window)
    , m_menus(menus)
    , m_mail(mail) {
    connect(&tray, &Tray::clicked, this, [this] {
        if (m_window.isVisible())
            m_window.hide();
        else
            showWindow();
    });
    connect(menus.trayOpen, &QAction::triggered, this, &TrayControls::showWindow);
    connect(menus.trayClose, &QAction::triggered, &window, &MainWindow::closeByProgram);
    connect(&window, &QWidget::windowTitleChanged, this, [this] { m_tray.setToolTip(toolTip()); });
    connect(&presenter, &RunPresenter::activityChanged, this, [this](RunActivity activity) {
        const RunActivity previous = std::exchange(m_lastActivity, activity);
        if (activity == RunActivity::Idle && previous == RunActivity::Checking)
            checkEnded();
    });
}

void TrayControls::addIcon() {
    if (m_tray.available())
        m_tray.show(m_window.windowIcon(), toolTip(), m_menus.tray);
}

void TrayControls::showWindow() {
    if (m_window.isMinimized())
        m_window.showNormal();
    else
        m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

QString TrayControls::toolTip() const {
    const int fresh = m_mail.newMessageCount();
    if (fresh < 1)
        return m_window.windowTitle();
    return m_window.windowTitle() + QLatin1Char('\n') + newMailCount(fresh);
}

void TrayControls::checkEnded() {
    m_tray.setToolTip(toolTip());
    const int fresh = m_mail.newMessageCount();
    if (m_window.isVisible() || !m_tray.shown() || fresh < 1)
        return;
    // What came, as plain text: how many, then the first few senders and subjects.
    QStringList lines{newMailCount(fresh)};
    constexpr int kListed = 3;
    for (const MailItem& item : m_mail.rows()) {
        if (item.icon != MailIcon::New)
            continue;
        if (lines.size() > kListed) {
            lines << QStringLiteral("...");
            break;
        }
        lines << item.from() + QStringLiteral(": ") + item.subject();
    }
    m_tray.notify(QStringLiteral("Mervantic"), lines.join(QLatin1Char('\n')));
}

} // namespace mervantic
