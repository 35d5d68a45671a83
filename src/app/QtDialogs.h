#pragma once

#include "app/Dialogs.h"
#include "app/Startup.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace mervantic {

// Dialogs as Qt message and input boxes. Messages and answers given later are boxes modal to
// the window that do not block the caller; the questions answered at once are modal boxes.
class QtDialogs final : public Dialogs, public StartupPrompts {
public:
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    void warn(const QString& text) override;
    bool question(const QString& text) override;
    void ask(const Question& question, std::function<void(bool yes)> answered) override;
    std::optional<FontChoice> chooseFont(const FontChoice& preset) override;
    void showFailure(const QString& text) override;
    std::optional<QString> askRunPassword(const QString& prompt) override;

private:
    void showNextMessage();

    QPointer<QWidget> m_parent;
    // One message box at a time: two boxes modal to the same window would block each other,
    // leaving the user a box that takes no click. The others wait their turn.
    QPointer<QMessageBox> m_shown;
    QStringList m_waiting;
};

} // namespace mervantic
