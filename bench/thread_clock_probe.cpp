// Whether a thread's CPU clock can be trusted on this machine: one thread reads its own CPU clock and
// the monotonic clock in a tight loop while another maps, fills and unmaps 324 MB again and again,
// as the window's steps do with a 9000 x 9000 picture's index maps. Between two reads a few
// microseconds apart, neither clock should move by more than the time the reading thread was off
// its processor, and the CPU clock never by more than the other.
//
//     thread_clock_probe [SECONDS]     (default 30)

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

std::int64_t nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int main(int argc, char* argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    std::atomic<bool> stop = false;
    std::thread churn([&] {
        constexpr std::size_t bytes = std::size_t{324} << 20;
        while (!stop) {
            void* const memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (memory == MAP_FAILED)
                std::abort();
            std::memset(memory, 1, bytes);
            munmap(memory, bytes);
        }
    });
    const std::int64_t end = nanoseconds(CLOCK_MONOTONIC) + static_cast<std::int64_t>(seconds * 1e9);
    std::int64_t lastCpu = nanoseconds(CLOCK_THREAD_CPUTIME_ID), last = nanoseconds(CLOCK_MONOTONIC);
    std::int64_t cpuJump = 0, clockJump = 0, cpuAhead = 0, cpuJumps = 0;
    for (std::int64_t now = last; now < end;) {
        const std::int64_t cpu = nanoseconds(CLOCK_THREAD_CPUTIME_ID);
        now = nanoseconds(CLOCK_MONOTONIC);
        cpuJump = std::max(cpuJump, cpu - lastCpu);
        clockJump = std::max(clockJump, now - last);
        cpuAhead = std::max(cpuAhead, (cpu - lastCpu) - (now - last));
        cpuJumps += cpu - lastCpu > 10'000'000;
        lastCpu = cpu, last = now;
    }
    stop = true;
    churn.join();
    std::printf("largest step between two reads: CPU clock %.3f ms, monotonic clock %.3f ms\n"
                "CPU clock ahead of the monotonic clock by up to %.3f ms; CPU clock steps over 10 ms: %lld\n",
                cpuJump / 1e6, clockJump / 1e6, cpuAhead / 1e6, static_cast<long long>(cpuJumps));
}
