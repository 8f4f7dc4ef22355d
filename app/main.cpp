#include "app/module_entry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

// palshift answers --version by itself and leaves everything else to one of its two modules, loaded
// only when needed: the command line (Qt Core and Gui) or the window (Qt Widgets too). Linking no Qt,
// it starts in about a millisecond; mapping Qt Gui's and Widgets' libraries alone takes about ten.

namespace {

// What the command line returns for a usage error: nothing was run.
constexpr int cannotRun = 2;

// The window takes at most one picture; anything else is for the command line to run or refuse.
bool wantsCommandLine(int argc, char* argv[])
{
    if (argc == 1)
        return false;
    const std::string_view first = argv[1];
    return argc > 2 || first == "convert" || first == "map" || first.starts_with('-');
}

// The command line's parser takes both.
bool asksForVersionOnly(int argc, char* argv[])
{
    return argc == 2 && (std::string_view(argv[1]) == "--version" || std::string_view(argv[1]) == "-v");
}

// The folder this program runs from, whatever the folder or link it was started through.
std::filesystem::path ownFolder()
{
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {};
        if (std::size_t(length) < path.size())
            return std::filesystem::path(path.substr(0, std::size_t(length))).parent_path();
        path.resize(path.size() * 2);
    }
}

// Beside the program in a build folder; PALSHIFT_INSTALLED_MODULES (relative to the program's folder)
// once installed.
std::filesystem::path modulePath(const std::filesystem::path& folder, const char* name)
{
    std::filesystem::path beside = folder / name;
    if (access(beside.c_str(), F_OK) == 0)
        return beside;
    return (folder / PALSHIFT_INSTALLED_MODULES / name).lexically_normal();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (asksForVersionOnly(argc, argv)) {
        std::printf("palshift %s\n", PALSHIFT_VERSION);
        return 0;
    }

    const std::filesystem::path folder = ownFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "palshift: cannot find its own folder: /proc/self/exe: %s\n", std::strerror(errno));
        return cannotRun;
    }
    const std::filesystem::path module =
        modulePath(folder, wantsCommandLine(argc, argv) ? PALSHIFT_COMMAND_LINE_MODULE : PALSHIFT_WINDOW_MODULE);
    // Symbols are bound on first use: binding all of Qt's at once would cost start-up time. A module
    // that is missing or has no entry point still fails here, with its name.
    void* const loaded = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    const auto entry = loaded ? reinterpret_cast<decltype(&palshift_main)>(dlsym(loaded, PALSHIFT_MODULE_ENTRY)) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "palshift: cannot load %s: %s\n", module.c_str(), dlerror());
        return cannotRun;
    }
    return entry(argc, argv);
}
