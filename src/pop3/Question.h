#pragma once

#include <QString>

namespace mervantic {

// A Yes/No question to the user.
struct Question {
    QString text;
    // A line under the question: what a Yes will do.
    QString detail;
    // Enter answers No: for a question whose Yes cannot be undone.
    bool noByDefault = false;
};

} // namespace mervantic
