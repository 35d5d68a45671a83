#pragma once

namespace mervantic {

// Passwords and tokens are in this process's memory while it runs: no core dump may write them
// to disk, and no other process of the user may read them by attaching as a debugger (as
// password managers do). Call once, first thing. False when the system refused.
bool keepSecretsOutOfCoreDumps();

} // namespace mervantic
