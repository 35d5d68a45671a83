#pragma once

#include <QFont>
#include <QString>

namespace mervantic {

// A font as the font dialog gives and takes it. The settings keep the name, the bold flag and
// the size; `italic` says the user picked a slanted style, which is not kept.
struct FontChoice {
    QString name;
    bool bold = false;
    double points = 0;
    bool italic = false;
};

// The font the dialog opens at: the family's own upright style of that weight, named, because
// the dialog selects its style list by name and would otherwise settle on a slanted one.
QFont fontForDialog(const FontChoice& preset);

// What the user chose in the dialog.
FontChoice fontChoiceOf(const QFont& font);

} // namespace mervantic
