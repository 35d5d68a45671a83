#include "app/AccountPage.h"

#include "app/TickListView.h"
#include "app/Twips.h"
#include "store/AccountListModel.h"
#include "store/ConnectionSettings.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>

namespace mervantic {

AccountPage::AccountPage(AccountListModel& model, QWidget* parent)
    : QGroupBox(QStringLiteral("Usernames"), parent)
    , m_list(new TickListView(this)) {
    setObjectName(QStringLiteral("Frame3"));
    m_list->setObjectName(QStringLiteral("ListView2"));
    m_list->setAccessibleName(QStringLiteral("Usernames"));
    m_list->setModel(&model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->viewport()->installEventFilter(this);

    m_displayName = addBox(QStringLiteral("Text11"), QStringLiteral("Display Name"), 64);
    m_username = addBox(QStringLiteral("Text2"), QStringLiteral("Username"), 64);
    m_password = addBox(QStringLiteral("Text3"), QStringLiteral("Password"), 62);
    m_password->setEchoMode(QLineEdit::Password);
    m_server = addBox(QStringLiteral("Text4"), QStringLiteral("Server Name (pop3)"), 256);
    m_port = addBox(QStringLiteral("Text5"), QStringLiteral("Port No."), 0);
    m_port->setText(QStringLiteral("110"));
    m_add = addButton(QStringLiteral("Command3"), QStringLiteral("Add"));
    m_delete = addButton(QStringLiteral("Command4"), QStringLiteral("Delete"));
    m_entryColumn << m_add << m_delete;
    // Added below the buttons, so that the boxes and buttons above keep their places.
    m_securityCaption = new QLabel(QStringLiteral("Security"), this);
    m_security = new QComboBox(this);
    m_security->setObjectName(QStringLiteral("ComboSecurity"));
    m_security->setAccessibleName(QStringLiteral("Security"));
    for (const Security security :
         {Security::Tls, Security::StartTls, Security::StartTlsWhenOffered, Security::None})
        m_security->addItem(securityText(security), static_cast<int>(security));
    m_security->setCurrentIndex(
        m_security->findData(static_cast<int>(Security::StartTlsWhenOffered)));
    m_security->setToolTip(QStringLiteral(
        "TLS: encrypted from the start (port 995). STARTTLS: encrypted after the greeting, or "
        "not checked at all. STARTTLS when offered: encrypted whenever the server offers it. "
        "None: the password crosses the network as it is."));
    m_securityCaption->setBuddy(m_security);
    m_trust = addButton(QStringLiteral("CommandTrust"), QStringLiteral("Trust This Certificate"));
    m_trust->setToolTip(QStringLiteral(
        "Shows the certificate the selected account's server presented when its secure "
        "connection was refused, to trust it for that server and port"));
    m_signIn = addButton(QStringLiteral("CommandSignInWindow"), QStringLiteral("Sign-In..."),
                         QStringLiteral("Sign-In"));
    m_signIn->setToolTip(QStringLiteral(
        "How the selected account signs in: its password, or OAuth2 with Microsoft, Google or "
        "another provider"));
}

QPushButton* AccountPage::addButton(const QString& name, const QString& text,
                                    const QString& accessibleName) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName.isEmpty() ? text : accessibleName);
    return button;
}

QLineEdit* AccountPage::addBox(const QString& name, const QString& label, int maxLength) {
    auto* caption = new QLabel(label, this);
    caption->setTextFormat(Qt::PlainText);
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setAccessibleName(label);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    caption->setBuddy(box);
    m_entryColumn << caption << box;
    return box;
}

void AccountPage::layOut() {
    const int top = 20;
    const int listWidth = width() - Twips::toPixels(2025);
    const int listHeight = height() - Twips::toPixels(285);
    m_list->setGeometry(8, top, std::max(0, listWidth - 8), std::max(0, listHeight - top + 8));
    int x = listWidth + 4;
    int y = top - 2;
    for (QWidget* widget : std::as_const(m_entryColumn)) {
        if (qobject_cast<QLabel*>(widget) != nullptr) {
            widget->setGeometry(x, y, kEntryColumnWidth, 15);
            y += 15;
        } else if (qobject_cast<QLineEdit*>(widget) != nullptr) {
            widget->setGeometry(x, y, kEntryColumnWidth, 22);
            y += 25;
        }
    }
    m_add->setGeometry(x, y + 2, 60, 24);
    m_delete->setGeometry(x + 66, y + 2, 60, 24);
    // Below the buttons, as the page's height allows: the caption and the trust button (also in
    // the list's menu) give way first.
    y += 32;
    const bool roomForCaption = y + 15 + 24 + 30 <= height();
    m_securityCaption->setVisible(roomForCaption);
    if (roomForCaption) {
        m_securityCaption->setGeometry(x, y, kEntryColumnWidth, 15);
        y += 15;
    }
    fitSecurityBox();
    m_security->setGeometry(x, y, kEntryColumnWidth, 24);
    y += 30;
    m_trust->setVisible(y + 24 <= height());
    m_trust->setGeometry(x, y, kEntryColumnWidth, 24);
    y += 30;
    m_signIn->setVisible(y + 24 <= height());
    m_signIn->setGeometry(x, y, kEntryColumnWidth, 24);
}

void AccountPage::fitSecurityBox() {
    // "STARTTLS when offered" is wider than the column at most desktop fonts: the box's text gets
    // a smaller size of the page's font rather than being cut.
    QFont font = this->font();
    m_security->setFont(font);
    // The window's font may be sized in pixels or in points.
    const bool pixels = font.pixelSize() > 0;
    const auto size = [&font, pixels] { return pixels ? font.pixelSize() : font.pointSizeF(); };
    const qreal smallest = pixels ? 8.0 : 6.0;
    while (m_security->sizeHint().width() > kEntryColumnWidth && size() > smallest) {
        if (pixels)
            font.setPixelSize(font.pixelSize() - 1);
        else
            font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.5));
        m_security->setFont(font);
    }
}

bool AccountPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            Q_EMIT menuRequested(mouse->globalPosition().toPoint());
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace mervantic
