#include "app/MainWindow.h"

#include "app/AccountPage.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "app/Twips.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"
#include "platform/Beeper.h"
#include "platform/DateTimeText.h"
#include "platform/Dialogs.h"
#include "platform/SystemClock.h"
#include "platform/Waiting.h"
#include "pop3/MailChecker.h"
#include "store/AccountEditor.h"
#include "store/AccountListModel.h"
#include "store/SecretEntry.h"
#include "store/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

namespace mervantic {

namespace {

const QString kTitle = QStringLiteral("Mervantic");
const QString kCaption = QStringLiteral("Mervantic email");

} // namespace

MainWindow::MainWindow(Parts parts, QWidget* parent)
    : QWidget(parent)
    , m_settings(parts.settings)
    , m_mail(parts.mail)
    , m_accountModel(parts.accountModel)
    , m_editor(parts.editor)
    , m_secrets(parts.secrets)
    , m_dialogs(parts.dialogs)
    , m_beeper(parts.beeper)
    , m_startup(std::move(parts.startup))
    , m_tabs(new QTabWidget(this))
    , m_mailView(new MailListView(parts.mailModel, this))
    , m_settingsPage(new SettingsPage(parts.settings, this))
    , m_accountPage(new AccountPage(parts.accountModel, this))
    , m_log(new LogPane(this))
    , m_status(new StatusBar(this)) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(kCaption);
    setMinimumSize(kMinimumSize);
    // The pages are laid out in pixels, so their captions get a font sized in pixels too: the
    // desktop's own family at the size the layout was drawn for, whatever the screen's DPI.
    QFont captions = QApplication::font();
    captions.setPixelSize(11);
    setFont(captions);

    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    for (const char* tab : {"Mail Window", "Run Settings", "Configure Usernames"})
        m_tabs->addTab(new QWidget, QString::fromLatin1(tab));
    // The pages lie over the tab strip's own page area.
    m_mailView->raise();
    m_settingsPage->raise();
    m_accountPage->raise();
    m_settingsPage->hide();
    m_accountPage->hide();

    m_recheckBox = new QLineEdit(this);
    m_recheckBox->setObjectName(QStringLiteral("Text10"));
    m_recheckBox->setAccessibleName(QStringLiteral("Timed re-check"));
    m_recheckBox->setReadOnly(true);
    m_recheckBox->setAlignment(Qt::AlignCenter);
    m_checkMail = addBottomButton(QStringLiteral("Command1"), QStringLiteral("Check Mail"), 38, 76);
    m_seen = addBottomButton(QStringLiteral("Command2"), QStringLiteral("Seen"), 118, 48);
    m_cancel = addBottomButton(QStringLiteral("Command7"), QStringLiteral("Cancel"), 118, 48);
    m_deleteMail =
        addBottomButton(QStringLiteral("Command5"), QStringLiteral("Delete Mail"), 170, 72);
    m_menuButton = addBottomButton(QStringLiteral("Command8"), QStringLiteral("Menu"), 246, 46);
    m_logButton = addBottomButton(QStringLiteral("Command15"), QStringLiteral("Log"), 296, 36);
    m_cancel->hide();
    m_deleteMail->setEnabled(false);

    m_alarm = new QFrame(this);
    m_alarm->setObjectName(QStringLiteral("Picture7"));
    auto* alarmLabel = new QLabel(QStringLiteral("Alarm"), m_alarm);
    alarmLabel->setObjectName(QStringLiteral("Label17"));
    alarmLabel->setAccessibleName(QStringLiteral("Alarm"));
    alarmLabel->setAlignment(Qt::AlignCenter);
    alarmLabel->setGeometry(0, 0, 42, 24);
    m_alarm->hide();

    buildMenus();
    wireControls();
    layOut();
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::addBottomButton(const QString& name, const QString& caption, int x,
                                         int width) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(x, 0, width, 24);
    button->setAutoDefault(false);
    return button;
}

void MainWindow::buildMenus() {
    m_mainMenu = new QMenu(this);
    m_mainMenu->setObjectName(QStringLiteral("MainMenu"));
    m_mainMenu->addAction(QStringLiteral("&Help"))->setObjectName(QStringLiteral("mnuHelp"));
    m_mainMenu->addAction(QStringLiteral("&About"))->setObjectName(QStringLiteral("mnuAbout"));
    m_mainMenu->addAction(QStringLiteral("&Text Fonts"))->setObjectName(QStringLiteral("mnuFonts"));
    QAction* rawData = m_mainMenu->addAction(QStringLiteral("&Show POP3 Data In Pop-Up Window"));
    rawData->setObjectName(QStringLiteral("mnuShowData"));
    rawData->setCheckable(true);

    m_mailListMenu = new QMenu(this);
    m_mailListMenu->setObjectName(QStringLiteral("MailListMenu"));
    const auto selectedRow = [this] {
        const QModelIndex current = m_mailView->currentIndex();
        return current.isValid() ? current.row() + 1 : 0;
    };
    connect(m_mailListMenu->addAction(QStringLiteral("Check All")), &QAction::triggered, this,
            [this] { m_mail.checkAll(); });
    connect(m_mailListMenu->addAction(QStringLiteral("Un-Check All")), &QAction::triggered, this,
            [this] { m_mail.uncheckAll(); });
    m_mailListMenu->addSeparator();
    connect(m_mailListMenu->addAction(QStringLiteral("Check All For User")), &QAction::triggered,
            this, [this, selectedRow] { m_mail.checkAllForUser(selectedRow()); });
    connect(m_mailListMenu->addAction(QStringLiteral("Un-Check All For User")), &QAction::triggered,
            this, [this, selectedRow] { m_mail.uncheckAllForUser(selectedRow()); });

    m_accountMenu = new QMenu(this);
    m_accountMenu->setObjectName(QStringLiteral("AccountMenu"));
    const std::pair<const char*, const char*> accountItems[] = {
        {"mnuMoveUp", "Move &Up"},    {"mnuMovedown", "Move &Down"},
        {"mnuToTop", "Move To &Top"}, {"mnuToBot", "Move To &Bottom"},
        {nullptr, nullptr},           {"mnuDelete", "Delete &Selected User (Disregards CheckBox)"},
        {nullptr, nullptr},           {"mnuChangePass", "Enter New Password For Selected Item"},
    };
    for (const auto& [name, text] : accountItems) {
        if (name == nullptr)
            m_accountMenu->addSeparator();
        else
            m_accountMenu->addAction(QString::fromLatin1(text))
                ->setObjectName(QString::fromLatin1(name));
    }

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("mnuTrayIconPop1"));
    m_trayMenu->addAction(QStringLiteral("Open"))->setObjectName(QStringLiteral("mnuTrayIcoShow"));
    m_trayMenu->addAction(QStringLiteral("Close"))->setObjectName(QStringLiteral("mnuTrayIcoExit"));
    m_trayMenu->addAction(QStringLiteral("Hide Menu"))
        ->setObjectName(QStringLiteral("mnuTrayHideMenu"));
}

void MainWindow::wireControls() {
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);
    connect(m_checkMail, &QPushButton::clicked, this, [this] {
        if (m_checker)
            m_checker->checkMailButton();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_checker)
            m_checker->cancel();
    });
    connect(m_seen, &QPushButton::clicked, this, [this] { m_mail.markAllSeen(); });
    connect(m_menuButton, &QPushButton::clicked, this, [this] {
        m_mainMenu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });
    connect(m_logButton, &QPushButton::clicked, this, &MainWindow::toggleLog);
    m_logButton->installEventFilter(this);
    m_settingsPage->timeoutDown()->installEventFilter(this);
    m_settingsPage->timeoutUp()->installEventFilter(this);
    connect(m_settingsPage, &SettingsPage::optionClicked, this, &MainWindow::onOptionClicked);
    connect(m_mailView, &MailListView::menuRequested, this, [this](const QPoint& at) {
        // Only with rows, the list enabled, no run in progress and the delete functions on.
        if (m_mail.isEmpty() || !m_mail.isEnabled() || runInProgress() ||
            (m_checker && m_checker->session().checkRunActive) || !m_settings.options.deleteEnabled)
            return;
        m_mailListMenu->popup(at);
    });
    connect(m_accountPage, &AccountPage::menuRequested, this,
            [this](const QPoint& at) { m_accountMenu->popup(at); });
    wireAccountPage();
    connect(m_settingsPage->runPasswordBox(), &QLineEdit::returnPressed, this, [this] {
        QLineEdit* box = m_settingsPage->runPasswordBox();
        box->setText(m_secrets.runPasswordEntered(box->text()));
    });
    connect(m_settingsPage->secretBox(), &QLineEdit::returnPressed, this, [this] {
        QLineEdit* box = m_settingsPage->secretBox();
        box->setText(m_secrets.secretEntered(box->text()));
    });
}

int MainWindow::selectedAccount() const {
    const QModelIndexList rows = m_accountPage->list()->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void MainWindow::selectAccount(int row) {
    QTreeView* list = m_accountPage->list();
    list->setCurrentIndex(m_accountModel.index(row - 1, 0));
}

void MainWindow::wireAccountPage() {
    AccountPage* page = m_accountPage;
    const auto entry = [page] {
        return AccountEntry{page->displayNameBox()->text(), page->usernameBox()->text(),
                            page->passwordBox()->text(), page->serverBox()->text(),
                            page->portBox()->text()};
    };
    const auto showEntry = [page](const AccountEntry& boxes) {
        page->displayNameBox()->setText(boxes.displayName);
        page->usernameBox()->setText(boxes.username);
        page->passwordBox()->setText(boxes.password);
        page->serverBox()->setText(boxes.server);
    };
    connect(page->addButton(), &QPushButton::clicked, this, [this, entry, showEntry] {
        AccountEntry boxes = entry();
        m_editor.add(boxes);
        showEntry(boxes);
    });
    const auto removeSelected = [this] { m_editor.remove(selectedAccount()); };
    connect(page->deleteButton(), &QPushButton::clicked, this, removeSelected);
    const auto action = [this](const char* name) {
        return m_accountMenu->findChild<QAction*>(QString::fromLatin1(name));
    };
    connect(action("mnuDelete"), &QAction::triggered, this, removeSelected);
    const auto moveBy = [this](const char* name, std::function<int(AccountEditor&, int)> move) {
        connect(m_accountMenu->findChild<QAction*>(QString::fromLatin1(name)), &QAction::triggered,
                this, [this, move = std::move(move)] {
                    const int row = selectedAccount();
                    if (row != 0)
                        selectAccount(move(m_editor, row));
                });
    };
    moveBy("mnuMoveUp", [](AccountEditor& editor, int row) { return editor.moveUp(row); });
    moveBy("mnuMovedown", [](AccountEditor& editor, int row) { return editor.moveDown(row); });
    moveBy("mnuToTop", [](AccountEditor& editor, int row) { return editor.moveToTop(row); });
    moveBy("mnuToBot", [](AccountEditor& editor, int row) { return editor.moveToBottom(row); });
    connect(action("mnuChangePass"), &QAction::triggered, this, [this, entry, showEntry] {
        AccountEntry boxes = entry();
        m_editor.changePassword(selectedAccount(), boxes);
        showEntry(boxes);
    });
    connect(page->portBox(), &QLineEdit::textChanged, this, [this](const QString& text) {
        const AccountEditor::PortCheck check = AccountEditor::filterPort(text);
        if (check.beep)
            m_beeper.beep();
        if (check.text != text)
            m_accountPage->portBox()->setText(check.text);
    });
    page->list()->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed);
    connect(&m_accountModel, &AccountListModel::displayNameEdited, this,
            [this](int row, const QString& name) { m_editor.rename(row, name); });
}

bool MainWindow::runInProgress() const {
    if (!m_checker)
        return false;
    return m_checker->checkRunFields().accountIndex != 0 || m_checker->session().deleteRunActive;
}

void MainWindow::selectTab(int tab) {
    if (m_tabs->currentIndex() == tab - 1)
        onTabChanged(tab - 1);
    else
        m_tabs->setCurrentIndex(tab - 1);
}

int MainWindow::currentTab() const {
    return m_tabs->currentIndex() + 1;
}

void MainWindow::onTabChanged(int index) {
    switch (index) {
    case 0:
        m_mailView->show();
        m_settingsPage->hide();
        m_accountPage->hide();
        if (!runInProgress()) {
            m_seen->setEnabled(true);
            if (m_settings.options.deleteEnabled)
                m_deleteMail->setEnabled(true);
        }
        break;
    case 1:
    case 2:
        m_mailView->hide();
        m_settingsPage->setVisible(index == 1);
        m_accountPage->setVisible(index == 2);
        m_seen->setEnabled(false);
        m_deleteMail->setEnabled(false);
        break;
    default:
        break;
    }
    m_log->raise();
}

QRectF MainWindow::pageArea() const {
    return Twips::fromPixels(m_settingsPage->geometry());
}

void MainWindow::layOut() {
    if (isMinimized())
        return;
    const double w = Twips::fromPixels(width());
    const double h = Twips::fromPixels(height());
    const double o = m_startup.themeBackColour == ThemeColour::WindowBackground ? 30 : 0;
    using Twips::toPixels;
    m_tabs->setGeometry(4, 4, toPixels(w - 105), toPixels(h - 810));
    m_mailView->setGeometry(8, 30, toPixels(w - (315 + o)), toPixels(h - (1305 + o)));
    // The seventh column reaches past the right edge, so that "Message_ID" lies beyond it.
    m_mailView->header()->resizeSection(MailListModel::Port, m_mailView->viewport()->width());
    const QRect page(8, 30, toPixels(w - (300 + o)), toPixels(h - (1275 + o)));
    m_settingsPage->setGeometry(page);
    m_accountPage->setGeometry(page);
    m_settingsPage->placeSubPages();
    m_accountPage->layOut();
    const int bottom = toPixels(h - 690);
    m_recheckBox->setGeometry(6, bottom, 28, 24);
    for (QWidget* widget :
         {static_cast<QWidget*>(m_checkMail), static_cast<QWidget*>(m_seen),
          static_cast<QWidget*>(m_cancel), static_cast<QWidget*>(m_deleteMail),
          static_cast<QWidget*>(m_menuButton), static_cast<QWidget*>(m_logButton)})
        widget->move(widget->x(), bottom);
    m_alarm->setGeometry(336, bottom, 42, 24);
    m_log->place(pageArea());
    m_status->setGeometry(0, height() - 21, width(), 21);
    rememberGeometry();
}

void MainWindow::rememberGeometry() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (m_applyingSettings || !isVisible())
        return;
    const QRect outer = frameGeometry();
    WindowValues& window = m_settings.window;
    window.left = static_cast<float>(Twips::fromPixels(outer.left()));
    window.top = static_cast<float>(Twips::fromPixels(outer.top()));
    window.width = static_cast<float>(Twips::fromPixels(outer.width()));
    window.height = static_cast<float>(Twips::fromPixels(outer.height()));
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
    const QSize frame = frameGeometry().size() - geometry().size();
    move(Twips::toPixels(window.left), Twips::toPixels(window.top));
    resize(std::max(Twips::toPixels(window.width) - frame.width(), kMinimumSize.width()),
           std::max(Twips::toPixels(window.height) - frame.height(), kMinimumSize.height()));
    QHeaderView* mailHeader = m_mailView->header();
    for (int column = 0; column < 6; ++column)
        mailHeader->resizeSection(
            column, Twips::toPixels(window.mailColumnWidths[static_cast<std::size_t>(column)]));
    mailHeader->resizeSection(MailListModel::Port, Twips::toPixels(1440));
    mailHeader->resizeSection(MailListModel::MessageId, Twips::toPixels(1440));
    QHeaderView* accountHeader = m_accountPage->list()->header();
    for (int column = 0; column < 4; ++column)
        accountHeader->resizeSection(
            column, Twips::toPixels(window.accountColumnWidths[static_cast<std::size_t>(column)]));

    m_settingsPage->showValues();
    m_mail.setDeleteFunctionsEnabled(m_settings.options.deleteEnabled);
    m_log->setPlacementMode(window.logPaneMode);
    selectTab(m_settings.firstRun ? 3 : 1);

    const QDateTime last = m_settings.options.lastCheckTime;
    if (last.isValid() && last > QDateTime::currentDateTime().addYears(-10)) {
        m_status->showText(QStringLiteral("Last Mail Check or Delete Was: ") +
                           DateTimeText::general(last));
        setWindowTitle(kTitle + QStringLiteral(" email - last check: ") +
                       DateTimeText::general(last));
    }
    m_applyingSettings = false;
    layOut();
}

void MainWindow::applyFont() {
    const WindowValues& window = m_settings.window;
    QFont font(window.fontName);
    font.setPointSizeF(window.fontSize > 0 ? window.fontSize : 8);
    font.setBold(window.fontBold);
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
        for (int column = 0; column < 6; ++column)
            window.mailColumnWidths[static_cast<std::size_t>(column)] =
                static_cast<float>(Twips::fromPixels(m_mailView->header()->sectionSize(column)));
        for (int column = 0; column < 4; ++column)
            window.accountColumnWidths[static_cast<std::size_t>(column)] = static_cast<float>(
                Twips::fromPixels(m_accountPage->list()->header()->sectionSize(column)));
    }
    rememberGeometry();
    window.logPaneMode = m_log->placementMode();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated)
        QTimer::singleShot(0, this, &MainWindow::firstActivation);
}

void MainWindow::firstActivation() {
    if (m_activated)
        return;
    m_activated = true;
    m_settingsPage->intervalBox()->setText(QString::number(m_settings.options.recheckMinutes));
    if (m_startup.themeBackColour == ThemeColour::WindowBackground) {
        for (QWidget* page :
             {static_cast<QWidget*>(m_settingsPage), static_cast<QWidget*>(m_accountPage)}) {
            QPalette colours = page->palette();
            colours.setColor(QPalette::Window, colours.color(QPalette::Base));
            page->setPalette(colours);
            page->setAutoFillBackground(true);
        }
    }
    m_settingsPage->dateFormatChooser()->setCurrentIndex(m_settings.options.dateFormat - 1);
    applyToolTips();
    if (m_settings.options.autoCheckOnOpen && m_checker)
        m_checker->checkOnOpen();
}

void MainWindow::applyToolTips() {
    const ToolTipTexts& texts = m_startup.toolTipTexts;
    const bool off = m_settings.options.noToolTips;
    const auto tip = [&](QWidget* widget, int slot) {
        widget->setToolTip(off ? QString() : texts[static_cast<std::size_t>(slot)]);
    };
    m_recheckBox->setToolTip(
        off ? QString() : QStringLiteral("Off - Timed Re-Check For Mail (dbl-click on/off)"));
    tip(m_checkMail, 1);
    tip(m_seen, 2);
    tip(m_accountPage->addButton(), 3);
    tip(m_accountPage->deleteButton(), 4);
    tip(m_deleteMail, 5);
    tip(m_cancel, 7);
    tip(m_log, 8);
    tip(m_settingsPage->secretBox(), 9);
    for (int page = 1; page <= 3; ++page)
        tip(m_settingsPage->defaultsButton(page), 10);
    tip(m_settingsPage->runPasswordBox(), 11);
    tip(m_alarm, 12);
    tip(m_logButton, 13);
}

void MainWindow::onOptionClicked(int number, bool on) {
    switch (number) {
    case 4:
        m_mail.setDeleteFunctionsEnabled(on);
        if (!on)
            m_deleteMail->setEnabled(false);
        break;
    case 7:
        if (m_activated)
            m_dialogs.message(
                m_settings.trayChosen == m_settings.trayActive
                    ? QStringLiteral("Your Current Tray Icon Setting Will Remain In Effect.")
                    : QStringLiteral("Tray Icon Setting Change Will Be Applied Next App Run."));
        break;
    case 9:
        applyToolTips();
        break;
    case 10:
        // A continuous alarm needs the sound on.
        if (on && !m_settings.options.soundOnNewMail) {
            m_settings.options.soundOnNewMail = true;
            m_settingsPage->check(5)->setChecked(true);
        }
        break;
    default:
        break;
    }
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

void MainWindow::stepTimeout(int direction) {
    // Repeats while the button is held: the first step waits 750 ms, later ones 50 ms.
    m_timeoutRepeat = true;
    const int step = QApplication::keyboardModifiers() == Qt::ControlModifier ? 10 : 1;
    SystemClock clock;
    int delay = 750;
    while (m_timeoutRepeat) {
        m_settings.timeoutSeconds =
            std::clamp(m_settings.timeoutSeconds + direction * step, 5, 600);
        m_settingsPage->timeoutBox()->setText(QString::number(m_settings.timeoutSeconds));
        waitMilliseconds(clock, delay);
        delay = 50;
    }
    m_settings.options.serverTimeoutMs = std::int64_t{m_settings.timeoutSeconds} * 1000;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (press || release) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == m_logButton && press && mouse->button() == Qt::RightButton) {
            m_log->togglePlacementMode();
            m_log->place(pageArea());
            return true;
        }
        const bool down = watched == m_settingsPage->timeoutDown();
        if ((down || watched == m_settingsPage->timeoutUp()) && mouse->button() == Qt::LeftButton) {
            if (release) {
                m_timeoutRepeat = false;
            } else {
                QTimer::singleShot(0, this, [this, down] { stepTimeout(down ? -1 : 1); });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closeHandler && !m_closeHandler()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::logBeginRun(const QString& firstLine) {
    m_log->beginRun(DateTimeText::stamp(QDateTime::currentDateTime()), firstLine);
}

void MainWindow::logAppend(const QString& line) {
    m_log->append(line);
}

void MainWindow::logEndRun() {
    m_log->endRun();
}

void MainWindow::showStatus(const QString& text) {
    m_status->showText(text);
}

void MainWindow::showRunControls(bool running, bool deleteMailEnabled) {
    m_checkMail->setEnabled(!running);
    m_seen->setVisible(!running);
    m_cancel->setVisible(running);
    m_tabs->tabBar()->setEnabled(!running);
    m_deleteMail->setEnabled(!running && deleteMailEnabled);
}

void MainWindow::selectMailPage() {
    selectTab(1);
}

void MainWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MainWindow::showMessage(const QString& text) {
    m_dialogs.message(text);
}

bool MainWindow::askYesNo(const QString& question) {
    return m_dialogs.question(question);
}

void MainWindow::showRawBlock(QByteArrayView /*block*/) {}

} // namespace mervantic
