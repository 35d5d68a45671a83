#pragma once

#include "app/FontChoice.h"
#include "pop3/Question.h"

#include <QString>

#include <functional>
#include <optional>

namespace mervantic {

// The message and question boxes of the program, captioned with its title and always showing
// their text as plain text. Tests answer them without a modal dialog.
class Dialogs {
public:
    // Shows the message with an OK button and returns at once; the box stays until closed.
    virtual void message(const QString& text) = 0;
    // Shows the message and returns once the user has closed it: for what must be read before
    // the program goes on, such as a failure while it closes.
    virtual void warn(const QString& text) = 0;
    // A Yes/No question answered before the call returns (a modal box); true for Yes.
    virtual bool question(const QString& text) = 0;
    // A Yes/No question whose answer arrives later, through `answered`, so that nothing waits
    // for the user on the caller's stack.
    virtual void ask(const Question& question, std::function<void(bool yes)> answered) = 0;
    // The desktop's font dialog, opened at `preset`; nothing when the user cancels.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& preset) = 0;

protected:
    ~Dialogs() = default;
};

} // namespace mervantic
