#pragma once

#include <QStringList>

namespace palshift {

// Exit statuses of the command line.
enum ExitStatus { ExitConverted = 0, ExitFailed = 1, ExitUsage = 2 };

// palshift convert INPUT -o OUTPUT | INPUT... --output-dir DIR [--source-pal F] [--target-pal F],
// and --help / --version. arguments starts with the program name. Needs a QCoreApplication.
int runCommandLine(const QStringList& arguments);

}  // namespace palshift
