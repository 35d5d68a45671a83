#pragma once

#include "store/Options.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mervantic {

class ClickableLabel;
class Settings;

// The "Run Settings" page (Frame1): three sub-pages of options, one shown at a time, each with
// its "Defaults" button and arrows to the others. The option boxes change the working values at
// once; the settings file receives them at close.
class SettingsPage final : public QGroupBox {
    Q_OBJECT

public:
    // The size of each sub-page, centred in the page.
    static constexpr QSize kSubPageSize{356, 236};

    SettingsPage(Settings& settings, QWidget* parent = nullptr);

    // Shows the working values.
    void showValues();
    // 1 to 3.
    void showSubPage(int page);
    QWidget* subPage(int page) const { return m_pages[static_cast<std::size_t>(page - 1)]; }
    // Centres the sub-pages in the page.
    void placeSubPages();

    // Check1 to Check12.
    QCheckBox* check(OptionCheck option) const {
        return m_checks[static_cast<std::size_t>(option) - 1];
    }
    QLineEdit* intervalBox() const { return m_interval; }
    QLineEdit* runPasswordBox() const { return m_runPassword; }
    QLineEdit* timeoutBox() const { return m_timeout; }
    QLineEdit* secretBox() const { return m_secret; }
    // "Keep Passwords In The Desktop Keyring": kept in the connection settings, not in the
    // settings file, and turned on or off by a move that takes its time.
    QCheckBox* keyringCheck() const { return m_keyring; }
    // "Start At Login, In The Notification Area": the desktop's autostart entry.
    QCheckBox* startAtLoginCheck() const { return m_startAtLogin; }
    QComboBox* dateFormatChooser() const { return m_dateFormat; }
    QPushButton* defaultsButton(int page) const {
        return m_defaults[static_cast<std::size_t>(page - 1)];
    }
    QPushButton* intervalDown() const { return m_intervalDown; }
    QPushButton* intervalUp() const { return m_intervalUp; }
    QPushButton* timeoutDown() const { return m_timeoutDown; }
    QPushButton* timeoutUp() const { return m_timeoutUp; }

Q_SIGNALS:
    // An option box was ticked or unticked by the user; its working value is already set.
    void optionChanged(mervantic::OptionCheck option, bool on);

protected:
    void changeEvent(QEvent* event) override;

private:
    // The interval and time-out change by their step buttons only, and look it.
    void showStepBoxesAsReadOnly();
    QWidget* makeSubPage(int page, const QString& title);
    QCheckBox* addCheck(QWidget* page, OptionCheck option, const QString& caption, int y);
    QLabel* addLabel(QWidget* page, const QString& text, int x, int y, int width);
    QLineEdit* addBox(QWidget* page, const QString& name, const QString& label, int x, int y,
                      int width);
    QPushButton* addButton(QWidget* page, const QString& name, const QString& caption, int x, int y,
                           int width);
    ClickableLabel* addArrow(QWidget* page, const QString& name, const QString& arrow, int x,
                             int target);

    Settings& m_settings;
    std::array<QWidget*, 3> m_pages{};
    std::array<QCheckBox*, 12> m_checks{};
    std::array<QPushButton*, 3> m_defaults{};
    QLineEdit* m_interval = nullptr;
    QCheckBox* m_keyring = nullptr;
    QCheckBox* m_startAtLogin = nullptr;
    QLineEdit* m_runPassword = nullptr;
    QLineEdit* m_timeout = nullptr;
    QLineEdit* m_secret = nullptr;
    QComboBox* m_dateFormat = nullptr;
    QPushButton* m_intervalDown = nullptr;
    QPushButton* m_intervalUp = nullptr;
    QPushButton* m_timeoutDown = nullptr;
    QPushButton* m_timeoutUp = nullptr;
};

} // namespace mervantic
