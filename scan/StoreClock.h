/*
 * The processor time the scan's thread spends in the store, for the debug line that ends a
 * scan (processor time, since the walk's threads share the processors with it). Reading a
 * thread's processor clock is a system call, several per directory: the clock runs only while
 * debug logging is on. One per scan, on the scan's thread.
 */
#ifndef TALLYVOL_SCAN_STORECLOCK_H
#define TALLYVOL_SCAN_STORECLOCK_H

#include <time.h>

#include <cstdint>
#include <type_traits>

namespace scan {

class StoreClock {
public:
    explicit StoreClock(bool running) : m_running(running) {}

    template <typename Work> auto Time(Work&& work) {
        if (!m_running) {
            return work();
        }
        std::int64_t start = threadNanoseconds();
        auto finish = [&] { m_total += threadNanoseconds() - start; };
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            finish();
        } else {
            auto result = work();
            finish();
            return result;
        }
    }
    long Milliseconds() const { return static_cast<long>(m_total / 1000000); }

private:
    static std::int64_t threadNanoseconds() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

    bool m_running;
    std::int64_t m_total = 0;
};

} // namespace scan

#endif
