#pragma once

#include <QString>

namespace mervantic {

// The message and question boxes of the program, captioned with its title and
// always showing their text as plain text. Tests answer them without a modal dialog.
class Dialogs {
public:
    virtual void message(const QString& text) = 0;
    // True for Yes.
    virtual bool question(const QString& text) = 0;

protected:
    ~Dialogs() = default;
};

} // namespace mervantic
