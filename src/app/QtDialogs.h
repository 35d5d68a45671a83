#pragma once

#include "app/Startup.h"
#include "platform/Dialogs.h"

class QWidget;

namespace mervantic {

// Dialogs as modal Qt message and input boxes.
class QtDialogs final : public Dialogs, public StartupPrompts {
public:
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    bool question(const QString& text) override;
    void showFailure(const QString& text) override;
    std::optional<QString> askRunPassword(const QString& prompt) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace mervantic
