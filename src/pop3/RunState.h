#pragma once

#include <QString>

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
    Apop = 8,
    // What the server can do (CAPA), before and again after STLS.
    Capa = 9,
    // The server's agreement to go on under TLS, then the handshake.
    Stls = 10,
    // A SASL log-on (AUTH) in progress.
    Auth = 11,
};

// Where the program's runs stand: nothing in progress, the delete run's confirmation awaited,
// a check or a delete run under way, or a run the window's close waits for to end. Only
// RunTracker moves it; everything else observes it.
enum class RunPhase { Idle, Confirming, Checking, Deleting, Closing };

// How a run ended: the one way out of both runs. A completed run says so with its completion
// line, a halted one with its reason; a delete declined at its confirmation, or refused before
// it began, has said why already.
struct RunEnd {
    enum class Outcome { Completed, Halted, Declined };
    // Checking, Deleting, or Confirming for a delete that never began.
    RunPhase run = RunPhase::Idle;
    Outcome outcome = Outcome::Completed;
    QString text;
    // Whether the run had begun (a check halted before its first account, for want of
    // accounts, had not): set by the one way out.
    bool began = false;
};

} // namespace mervantic
