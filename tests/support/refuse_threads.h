// Lets a test make thread creation fail, as the system does when it runs out of threads or memory.
// Linking this in replaces pthread_create for the whole test program; it hands every creation it
// does not refuse to the real one.
#pragma once

namespace sbtest {

// The next `count` thread creations of this program fail with EAGAIN; 0 ends the refusals.
void refuseThreads(int count);

}  // namespace sbtest
