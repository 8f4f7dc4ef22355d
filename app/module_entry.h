#pragma once

// Each of palshift's modules (the command line, the window) exports this one function, which the
// launcher (app/main.cpp) looks up after loading the module and calls with the program's arguments.
// It returns the program's exit status.
#define PALSHIFT_MODULE_ENTRY "palshift_main"

extern "C" __attribute__((visibility("default"))) int palshift_main(int argc, char* argv[]);
