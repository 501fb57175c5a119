#pragma once

namespace vora {

/// Asks the scheduler to run the calling thread before every ordinary thread (SCHED_FIFO at
/// priority, kept low so that a MIDI server's own threads still come first). Threads and
/// processes it starts later do not inherit it. False when the system refuses (no
/// permission); the thread then runs as before.
bool raiseThisThreadToRealtime(int priority = 1);

}  // namespace vora
