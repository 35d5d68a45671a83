#pragma once

#include <QString>

#include <array>

namespace mervantic {

// The tool-tip texts of the main window's controls, by slot (1 to 13; 0, 14 and 15 stay empty).
using ToolTipTexts = std::array<QString, 16>;

inline ToolTipTexts standardToolTipTexts() {
    ToolTipTexts texts;
    texts[1] = QStringLiteral("Check For Mail As Configured");
    texts[2] = QStringLiteral("Mark New Mail Items As -Seen-");
    texts[3] = QStringLiteral("Add New Username / (Password) / Server Name (Entered In TextBoxes)");
    texts[4] = QStringLiteral("Delete Selected User (Disregards CheckBox)");
    texts[5] =
        QStringLiteral("Permanently Delete All Mail Items w/CheckBox Ckecked From The Server");
    texts[6] = QStringLiteral("Off- Timed Re-Check For Mail (dbl-click on/off)");
    texts[7] = QStringLiteral("Clear Mail Window");
    texts[8] = QStringLiteral("App Messages & Pop3 Server Replies");
    texts[9] = QStringLiteral(
        "Type Or Paste Printable Text Secret, Then Press -Enter- Key To Store Secret");
    texts[10] = QStringLiteral("Restore The Original, Default Settings For This Page");
    texts[11] = QStringLiteral(
        "To Require A Password To Run Mervantic, Type Password In Box And Press -Enter- Key");
    texts[12] = QStringLiteral("Click To Stop Alarm Sound");
    texts[13] = QStringLiteral(
        "Show/Hide Log Messages Box (Right-Click To Split/Full Window Messages Box)");
    return texts;
}

} // namespace mervantic
