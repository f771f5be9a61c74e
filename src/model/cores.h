#pragma once
// Whether a second thread would find a core of its own now.

// At least two cores, and fewer threads running at this moment than there are cores (the
// running count of /proc/loadavg, which counts the caller too; not the load average, which
// would count a long job's own work). True where the count cannot be read.
bool aCoreIsFree();
