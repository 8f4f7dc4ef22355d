#pragma once

#include <QByteArray>

namespace palshift {

// What a save's temporary name carries after "<target>.": "palshift-<writer>-<pid>-<start>-", where
// writer names this machine, its boot and its pid namespace, and start is the process's start time,
// so that a reused pid is told apart. Empty where /proc does not say them.
QByteArray temporaryNameTag();

// Removes, once per folder and process, the temporaries in folder that saves of this machine and
// boot left behind when their process ended before finishing: regular files of this user whose
// name has exactly the form above, and whose pid no longer runs or runs another process. Anything
// else, another machine's temporaries on a shared folder included, is left alone. Failures are
// ignored: the save itself does not depend on it.
void removeAbandonedTemporaries(const QByteArray& folder);

}  // namespace palshift
