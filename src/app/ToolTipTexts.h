#pragma once

#include <QString>

#include <array>

namespace mervantic {

// The slots of the tool-tip texts, numbered as start-up fills them (0, 14 and 15 stay empty).
enum class ToolTipSlot : int {
    CheckMail = 1,
    Seen = 2,
    AddAccount = 3,
    DeleteAccount = 4,
    DeleteMail = 5,
    TimerOff = 6,
    Cancel = 7,
    LogPane = 8,
    ApopSecret = 9,
    Defaults = 10,
    RunPassword = 11,
    Alarm = 12,
    LogButton = 13,
};

// The tool-tip texts of the main window's controls.
class ToolTipTexts {
public:
    const QString& operator[](ToolTipSlot slot) const { return at(static_cast<int>(slot)); }
    QString& operator[](ToolTipSlot slot) { return m_texts[static_cast<std::size_t>(slot)]; }
    // By number, 0 to 15.
    const QString& at(int slot) const { return m_texts.at(static_cast<std::size_t>(slot)); }

private:
    std::array<QString, 16> m_texts;
};

inline ToolTipTexts standardToolTipTexts() {
    ToolTipTexts texts;
    texts[ToolTipSlot::CheckMail] = QStringLiteral("Check For Mail As Configured");
    texts[ToolTipSlot::Seen] = QStringLiteral("Mark New Mail Items As -Seen-");
    texts[ToolTipSlot::AddAccount] =
        QStringLiteral("Add New Username / (Password) / Server Name (Entered In TextBoxes)");
    texts[ToolTipSlot::DeleteAccount] =
        QStringLiteral("Delete Selected User (Disregards CheckBox)");
    texts[ToolTipSlot::DeleteMail] =
        QStringLiteral("Permanently Delete All Mail Items w/CheckBox Ckecked From The Server");
    texts[ToolTipSlot::TimerOff] =
        QStringLiteral("Off- Timed Re-Check For Mail (dbl-click on/off)");
    texts[ToolTipSlot::Cancel] = QStringLiteral("Clear Mail Window");
    texts[ToolTipSlot::LogPane] = QStringLiteral("App Messages & Pop3 Server Replies");
    texts[ToolTipSlot::ApopSecret] = QStringLiteral(
        "Type Or Paste Printable Text Secret, Then Press -Enter- Key To Store Secret");
    texts[ToolTipSlot::Defaults] =
        QStringLiteral("Restore The Original, Default Settings For This Page");
    texts[ToolTipSlot::RunPassword] = QStringLiteral(
        "To Require A Password To Run Mervantic, Type Password In Box And Press -Enter- Key");
    texts[ToolTipSlot::Alarm] = QStringLiteral("Click To Stop Alarm Sound");
    texts[ToolTipSlot::LogButton] = QStringLiteral(
        "Show/Hide Log Messages Box (Right-Click To Split/Full Window Messages Box)");
    return texts;
}

} // namespace mervantic
