#pragma once

namespace mervantic {

// The reply the conversation awaits, numbered as the step table numbers it.
enum class Step : int {
    Greeting = 0,
    User = 1,
    Pass = 2,
    Stat = 3,
    Message = 4,
    Quit = 5,
    Dele = 6,
    DeleteQuit = 7,
    Apop = 8,
};

// Whether a run keeps the program busy: Running from the moment a starter prepares a run until
// it finishes or halts, Closing while the window's close waits for the run to end.
enum class RunBusy : int { Idle = 0, Running = 1, Closing = 2 };

// Which run is in progress, as the window needs to know it for its buttons, tabs and menus.
enum class RunActivity { Idle, Checking, Deleting };

} // namespace mervantic
