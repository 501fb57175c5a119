#include "support/realtime.h"

#include <sched.h>

namespace vora {

bool raiseThisThreadToRealtime(int priority) {
#if defined(__linux__)
  sched_param param{};
  param.sched_priority = priority;
  // On Linux the call applies to the calling thread alone; reset-on-fork keeps what it
  // starts (a browser for a link, a MIDI library's helper threads) ordinary.
  return sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
#else
  (void)priority;
  return false;
#endif
}

}  // namespace vora
