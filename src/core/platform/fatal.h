#pragma once

#include <string_view>

namespace vora {

/// Ends the program at once: writes "Fatal error: " + message as one line on standard
/// error and exits with status 1, without running the exit handlers (another thread may
/// still be drawing). For failures the program cannot go on from, such as a missing look
/// shader. Safe from any thread.
[[noreturn]] void fatalError(std::string_view message);

}  // namespace vora
