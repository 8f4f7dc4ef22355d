#pragma once

#include <QString>

#include <sys/types.h>

namespace palshift {

// The system's own words for errno value error ("No space left on device"); safe on any thread.
QString systemReason(int error);

// "a folder", "a FIFO", "a character device", "a block device", "a socket" for a file that is not
// regular; an empty string for a regular file.
QString fileKind(mode_t mode);

}  // namespace palshift
