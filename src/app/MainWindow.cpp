#include "app/MainWindow.h"

#include "app/AboutWindow.h"
#include "app/AccountColumns.h"
#include "app/AccountPage.h"
#include "app/AccountPageController.h"
#include "app/BottomRow.h"
#include "app/Dialogs.h"
#include "app/LogPane.h"
#include "app/MailColumns.h"
#include "app/MailListView.h"
#include "app/MainMenus.h"
#include "app/Placement.h"
#include "app/ProgramIcon.h"
#include "app/RunPresenter.h"
#include "app/SettingsPage.h"
#include "app/SettingsPageController.h"
#include "app/StatusBar.h"
#include "app/ThemeColours.h"
#include "app/TimerControls.h"
#include "app/Tray.h"
#include "app/TrayControls.h"
#include "app/Twips.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "pop3/MailChecker.h"
#include "store/AccountListModel.h"
#include "store/Settings.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

namespace mervantic {

namespace {

const QString kCaption = QStringLiteral("Mervantic email");

// The main window presents itself to assistive technology as a window (read by its caption),
// not as the plain panel a top-level QWidget would be. Its menus while they are open (the
// icon's menu too, where the desktop docks the icon by XEmbed) are among its children: Qt names
// the window as a menu's parent but leaves popups out of every list of children, so a screen
// reader walking the tree would not find an open menu.
class MainWindowAccessible final : public QAccessibleWidget {
public:
    explicit MainWindowAccessible(QWidget* window)
        : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override {
        return QAccessibleWidget::childCount() + static_cast<int>(openMenus().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleWidget::childCount();
        if (index < own)
            return QAccessibleWidget::child(index);
        const QList<QMenu*> menus = openMenus();
        return index - own < menus.size()
                   ? QAccessible::queryAccessibleInterface(menus.at(index - own))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int index = openMenus().indexOf(qobject_cast<QMenu*>(child->object()));
        return index >= 0 ? QAccessibleWidget::childCount() + static_cast<int>(index)
                          : QAccessibleWidget::indexOfChild(child);
    }

private:
    QList<QMenu*> openMenus() const {
        QList<QMenu*> open;
        for (QMenu* menu : widget()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
            if (menu->isVisible())
                open.append(menu);
        return open;
    }
};

QAccessibleInterface* mainWindowAccessible(const QString& key, QObject* object) {
    if (key == QLatin1String("mervantic::MainWindow") && object->isWidgetType())
        return new MainWindowAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

MainWindow::MainWindow(Parts parts, QWidget* parent)
    : QWidget(parent)
    , m_settings(parts.settings)
    , m_mail(parts.mail)
    , m_dialogs(parts.dialogs)
    , m_clock(parts.clock)
    , m_startup(std::move(parts.startup))
    , m_help(parts.desktop, m_startup.appFolder)
    , m_visualStyles(m_startup.themeBackColour == ThemeColour::WindowBackground)
    , m_tabs(new QTabWidget(this))
    , m_mailView(new MailListView(parts.mailModel, this))
    , m_mailColumns(new MailColumns(*m_mailView, this))
    , m_settingsPage(new SettingsPage(parts.settings, this))
    , m_accountPage(new AccountPage(parts.accountModel, this))
    , m_log(new LogPane(this))
    , m_status(new StatusBar(this))
    , m_bottomRow(new BottomRow(this))
    , m_menus(new MainMenus(this))
    , m_presenter(new RunPresenter(*m_log, *m_status, *m_bottomRow, parts.mailModel, parts.dialogs,
                                   parts.clock, this))
    , m_tray(parts.tray)
    , m_secrets(parts.secrets)
    , m_accountModel(parts.accountModel) {
    static const bool accessibleAsWindow = [] {
        QAccessible::installFactory(mainWindowAccessible);
        return true;
    }();
    Q_UNUSED(accessibleAsWindow);
    new AccountPageController(*m_accountPage, parts.accountModel, parts.editor, *m_menus,
                              parts.beeper, this);
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(kCaption);
    setWindowIcon(programIcon());
    setMinimumSize(kMinimumSize);
    // The pages are laid out in pixels, so their captions get a font sized in pixels too: the
    // desktop's own family at the size the layout was drawn for, whatever the screen's DPI.
    QFont captions = QApplication::font();
    captions.setPixelSize(11);
    setFont(captions);
    parts.mailModel.setBatchInterval(kRowBatchMs);
    m_accountColumns = new AccountColumns(*m_accountPage->list(), this);
    connect(&m_mail, &MailList::deleteFunctionsEnabledChanged, m_mailColumns,
            &MailColumns::setTickBoxes);

    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    for (const char* tab : {"Mail Window", "Run Settings", "Configure Usernames"})
        m_tabs->addTab(new QWidget, QString::fromLatin1(tab));
    // The pages lie over the tab strip's own page area.
    m_mailView->raise();
    m_settingsPage->raise();
    m_accountPage->raise();
    m_settingsPage->hide();
    m_accountPage->hide();

    wireControls();
    layOut();
}

void MainWindow::closeByProgram() {
    m_closeReason = CloseSequence::Reason::Program;
    close();
    m_closeReason = CloseSequence::Reason::User;
}

void MainWindow::closeSecondaryWindows() {
    if (m_about)
        m_about->close();
    m_presenter->closeRawDataWindow();
}

void MainWindow::bringToFront() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::showAbout() {
    if (!m_about)
        m_about = new AboutWindow(this);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::chooseAndApplyFont() {
    WindowValues& window = m_settings.window;
    const FontChoice preset{window.fontName.isEmpty() ? QStringLiteral("Arial") : window.fontName,
                            window.fontBold, window.fontSize > 0 ? window.fontSize : 9.0};
    // Cancelling keeps the preset, with its stand-ins for an empty name and size.
    FontChoice chosen = m_dialogs.chooseFont(preset).value_or(preset);
    // The lists and boxes are laid out for small text: 12 points at the most.
    constexpr double kLargestPoints = 12.25;
    if (chosen.points > kLargestPoints)
        chosen.points = 12;
    window.fontName = chosen.name;
    window.fontBold = chosen.bold;
    window.fontSize = static_cast<float>(chosen.points);
    applyFont();
    // The settings hold a name, a bold flag and a size: a slanted style cannot be kept, and the
    // user is told rather than left to wonder where it went.
    if (chosen.italic)
        m_dialogs.message(QStringLiteral("Italic Text Is Not Kept: The Font Is Used Upright"));
}

void MainWindow::applyThemeColours(bool visualStyles) {
    m_visualStyles = visualStyles;
    ThemeColours::apply(*this, visualStyles);
    // The countdown box and the alarm label keep the colours of their state.
    if (m_timerControls != nullptr)
        m_timerControls->refreshColours();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A new desktop theme: the colours follow it, from the new palette.
    if (m_activated &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange))
        applyThemeColours(ThemeColours::visualStylesActive());
}

MainWindow::~MainWindow() = default;

void MainWindow::attach(MailChecker& checker) {
    m_checker = &checker;
    m_settingsController = new SettingsPageController(
        {*m_settingsPage, m_settings, m_secrets, m_dialogs, m_mail, checker.recheck(),
         m_accountModel.list(), [this] { return m_activated; }},
        this);
    m_trayControls = new TrayControls({m_tray, *this, *m_menus, m_mail, checker,
                                       [this] { bringToFront(); }, [this] { closeByProgram(); }});
    m_timerControls = new TimerControls(checker.recheck(), checker.alarm(), *m_bottomRow,
                                        *m_settingsPage, m_settings, this);
    wireChecker();
}

void MainWindow::wireChecker() {
    connect(m_bottomRow->checkMail(), &QPushButton::clicked, m_checker,
            &MailChecker::checkMailButton);
    connect(m_bottomRow->cancel(), &QPushButton::clicked, m_checker, &MailChecker::cancel);
    connect(m_bottomRow->deleteMail(), &QPushButton::clicked, m_checker,
            &MailChecker::deleteMailButton);
    connect(m_settingsController, &SettingsPageController::deleteFunctionsSwitched, this,
            [this](bool on) {
                if (!on)
                    m_bottomRow->deleteMail()->setEnabled(false);
            });
    connect(m_settingsController, &SettingsPageController::toolTipsSwitched, this,
            &MainWindow::applyToolTips);
    connect(m_settingsController, &SettingsPageController::continuousAlarmSwitched, this,
            [this](bool on) {
                if (!on)
                    m_checker->alarm().stop();
            });
}

void MainWindow::wireControls() {
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);
    connect(m_bottomRow->seen(), &QPushButton::clicked, &m_mail, &MailList::markAllSeen);
    QPushButton* menuButton = m_bottomRow->menuButton();
    connect(menuButton, &QPushButton::clicked, this, [this, menuButton] {
        m_menus->main->popup(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    });
    connect(m_bottomRow->logButton(), &QPushButton::clicked, this, &MainWindow::toggleLog);
    m_bottomRow->logButton()->installEventFilter(this);

    connect(m_presenter, &RunPresenter::tabsEnabled, m_tabs->tabBar(), &QTabBar::setEnabled);
    connect(m_presenter, &RunPresenter::mailPageWanted, this, [this] { selectTab(Page::Mail); });
    connect(m_presenter, &RunPresenter::captionChanged, this, &QWidget::setWindowTitle);

    connect(m_menus->checkAll, &QAction::triggered, &m_mail, &MailList::checkAll);
    connect(m_menus->uncheckAll, &QAction::triggered, &m_mail, &MailList::uncheckAll);
    const auto selectedMailRow = [this] {
        const QModelIndex current = m_mailView->currentIndex();
        return current.isValid() ? current.row() + 1 : 0;
    };
    connect(m_menus->checkAllForUser, &QAction::triggered, this,
            [this, selectedMailRow] { m_mail.checkAllForUser(selectedMailRow()); });
    connect(m_menus->uncheckAllForUser, &QAction::triggered, this,
            [this, selectedMailRow] { m_mail.uncheckAllForUser(selectedMailRow()); });
    connect(m_mailView, &MailListView::menuRequested, this, &MainWindow::popUpMailListMenu);
    connect(m_mailView, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && !runInProgress())
            Q_EMIT mailRowActivated(index.row() + 1);
    });
    const auto accountWanted = [this] {
        const QModelIndex current = m_accountPage->list()->currentIndex();
        if (current.isValid())
            Q_EMIT accountWindowWanted(current.row() + 1);
    };
    connect(m_accountPage->list(), &QAbstractItemView::activated, this, accountWanted);
    connect(m_menus->accountWindow, &QAction::triggered, this, accountWanted);
    connect(m_menus->help, &QAction::triggered, this, [this] {
        if (const QString why = m_help.open(); !why.isEmpty())
            m_dialogs.message(why);
    });
    connect(m_menus->about, &QAction::triggered, this, &MainWindow::showAbout);
    connect(m_menus->textFonts, &QAction::triggered, this, &MainWindow::chooseAndApplyFont);
    connect(m_menus->showRawData, &QAction::toggled, m_presenter, &RunPresenter::setShowRawData);
}

void MainWindow::popUpMailListMenu(const QPoint& at) {
    // A failed account's row has a menu of its own, whatever the delete functions are: what
    // mends the account.
    const QModelIndex under = m_mailView->indexAt(m_mailView->viewport()->mapFromGlobal(at));
    if (under.isValid() && !runInProgress() && m_mail.at(under.row() + 1).isFailure()) {
        Q_EMIT failedRowMenuWanted(under.row() + 1, at);
        return;
    }
    // Only with rows, the list enabled, no run in progress and the delete functions on.
    if (m_mail.isEmpty() || !m_mail.isEnabled() || runInProgress() ||
        !m_settings.options.deleteEnabled)
        return;
    m_menus->mailList->popup(at);
}

void MainWindow::selectTab(Page page) {
    const int index = static_cast<int>(page) - 1;
    if (m_tabs->currentIndex() == index)
        onTabChanged(index);
    else
        m_tabs->setCurrentIndex(index);
}

Page MainWindow::currentTab() const {
    return static_cast<Page>(m_tabs->currentIndex() + 1);
}

void MainWindow::onTabChanged(int index) {
    switch (static_cast<Page>(index + 1)) {
    case Page::Mail:
        m_mailView->show();
        m_settingsPage->hide();
        m_accountPage->hide();
        if (!runInProgress())
            enableMailButtons();
        break;
    case Page::Settings:
    case Page::Accounts:
        m_mailView->hide();
        m_settingsPage->setVisible(index + 1 == static_cast<int>(Page::Settings));
        m_accountPage->setVisible(index + 1 == static_cast<int>(Page::Accounts));
        m_bottomRow->seen()->setEnabled(false);
        m_bottomRow->deleteMail()->setEnabled(false);
        break;
    }
    m_log->raise();
}

bool MainWindow::runInProgress() const {
    return m_checker != nullptr && m_checker->phase() != RunPhase::Idle;
}

void MainWindow::enableMailButtons() {
    m_bottomRow->seen()->setEnabled(true);
    if (m_settings.options.deleteEnabled)
        m_bottomRow->deleteMail()->setEnabled(true);
}

QRectF MainWindow::pageArea() const {
    return Twips::fromPixels(m_settingsPage->geometry());
}

void MainWindow::layOut() {
    if (isMinimized())
        return;
    const Placement::WindowLayout layout =
        Placement::windowLayout(size(), m_startup.themeBackColour == ThemeColour::WindowBackground);
    m_tabs->setGeometry(layout.tabs);
    m_mailView->setGeometry(layout.mailList);
    m_settingsPage->setGeometry(layout.pages);
    m_accountPage->setGeometry(layout.pages);
    m_settingsPage->placeSubPages();
    m_accountPage->layOut();
    m_bottomRow->setGeometry(0, layout.bottomRowTop, width(), BottomRow::kHeight);
    m_log->place(pageArea());
    m_status->setGeometry(layout.statusBar);
    rememberGeometry();
}

void MainWindow::rememberGeometry() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (m_applyingSettings || !isVisible())
        return;
    // Where the program put a window that did not fit is not the user's choice.
    if (!m_placed.isNull() && pos() == m_placed.topLeft() && size() == m_placed.size())
        return;
    m_placed = QRect();
    // The place is the frame's, the size the window's own: the two that move() and resize()
    // take at the next start, so that what is saved comes back unchanged whatever the frame.
    WindowValues& window = m_settings.window;
    // Where the desktop does not let a program place its windows (Wayland), the program does
    // not know where the window is either: the stored place stays as it was.
    if (placesItsWindows()) {
        window.left = static_cast<float>(Twips::fromPixels(pos().x()));
        window.top = static_cast<float>(Twips::fromPixels(pos().y()));
    }
    window.width = static_cast<float>(Twips::fromPixels(width()));
    window.height = static_cast<float>(Twips::fromPixels(height()));
}

bool MainWindow::placesItsWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    rememberGeometry();
}

void MainWindow::applySettings() {
    m_applyingSettings = true;
    const WindowValues& window = m_settings.window;
    applyFont();
    // A place and size that do not fit the screen (another screen, another scale) are fitted
    // to it; the stored values stay until the user moves or resizes the window.
    const QRect stored(Twips::toPixels(window.left), Twips::toPixels(window.top),
                       std::max(Twips::toPixels(window.width), kMinimumSize.width()),
                       std::max(Twips::toPixels(window.height), kMinimumSize.height()));
    const QScreen* screen = QGuiApplication::screenAt(stored.topLeft());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    m_placed = Placement::fitted(stored, screen != nullptr ? screen->availableGeometry() : QRect(),
                                 kMinimumSize);
    if (m_placed == stored)
        m_placed = QRect();
    const QRect place = m_placed.isNull() ? stored : m_placed;
    move(place.topLeft());
    resize(place.size());
    m_mailColumns->show(window.mailColumnWidths);
    m_accountColumns->show(window.accountColumnWidths);

    m_settingsPage->showValues();
    m_mail.setDeleteFunctionsEnabled(m_settings.options.deleteEnabled);
    m_log->setPlacementMode(window.logPaneMode);
    selectTab(m_settings.firstRun ? Page::Accounts : Page::Mail);

    const QDateTime last = m_settings.options.lastCheckTime;
    if (last.isValid() && last > m_clock.now().addYears(-10)) {
        m_status->showText(QStringLiteral("Last Mail Check or Delete Was: ") +
                           DateTimeText::general(last));
        setWindowTitle(kCaption + QStringLiteral(" - last check: ") + DateTimeText::general(last));
    }
    m_applyingSettings = false;
    layOut();
}

void MainWindow::applyFont() {
    const QFont font = Placement::textFont(m_settings.window);
    m_mailView->setFont(font);
    m_accountPage->list()->setFont(font);
    m_settingsPage->dateFormatChooser()->setFont(font);
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setFont(font);
    m_log->setFont(font);
}

void MainWindow::takeWindowValues() {
    WindowValues& window = m_settings.window;
    if (!isMinimized()) {
        m_mailColumns->take(window.mailColumnWidths);
        m_accountColumns->take(window.accountColumnWidths);
    }
    rememberGeometry();
    window.logPaneMode = m_log->placementMode();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated)
        QTimer::singleShot(0, this, &MainWindow::firstActivation);
}

void MainWindow::startInNotificationArea() {
    firstActivation();
    if (!m_tray.shown())
        m_trayControls->addIcon();
}

void MainWindow::firstActivation() {
    if (m_activated)
        return;
    m_activated = true;
    m_settingsPage->intervalBox()->setText(QString::number(m_settings.options.recheckMinutes));
    applyThemeColours(m_visualStyles);
    m_settingsPage->dateFormatChooser()->setCurrentIndex(m_settings.options.dateFormat - 1);
    applyToolTips();
    // The icon is there only when the option was in force as the program started.
    if (m_settings.trayActive)
        m_trayControls->addIcon();
    if (m_settings.options.autoCheckOnOpen)
        m_checker->checkOnOpen();
}

void MainWindow::applyToolTips() {
    const ToolTipTexts& texts = m_startup.toolTipTexts;
    const bool off = m_settings.options.noToolTips;
    const auto tip = [&](QWidget* widget, ToolTipSlot slot) {
        widget->setToolTip(off ? QString() : texts[slot]);
    };
    if (off)
        m_bottomRow->recheckBox()->setToolTip(QString());
    else
        m_timerControls->applyToolTip();
    tip(m_bottomRow->checkMail(), ToolTipSlot::CheckMail);
    tip(m_bottomRow->seen(), ToolTipSlot::Seen);
    tip(m_accountPage->addButton(), ToolTipSlot::AddAccount);
    tip(m_accountPage->deleteButton(), ToolTipSlot::DeleteAccount);
    tip(m_bottomRow->deleteMail(), ToolTipSlot::DeleteMail);
    tip(m_bottomRow->cancel(), ToolTipSlot::Cancel);
    tip(m_log, ToolTipSlot::LogPane);
    tip(m_settingsPage->secretBox(), ToolTipSlot::ApopSecret);
    for (int page = 1; page <= 3; ++page)
        tip(m_settingsPage->defaultsButton(page), ToolTipSlot::Defaults);
    tip(m_settingsPage->runPasswordBox(), ToolTipSlot::RunPassword);
    tip(m_bottomRow->alarm(), ToolTipSlot::Alarm);
    tip(m_bottomRow->logButton(), ToolTipSlot::LogButton);
}

void MainWindow::toggleLog() {
    if (m_log->isVisible()) {
        m_log->hide();
        return;
    }
    m_log->place(pageArea());
    m_log->show();
    m_log->raise();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_bottomRow->logButton() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        m_log->togglePlacementMode();
        m_log->place(pageArea());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_settingsController->letGoOfButtons();
    m_timerControls->letGoOfButtons();
    if (m_closeHandler && !m_closeHandler(m_closeReason)) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace mervantic
