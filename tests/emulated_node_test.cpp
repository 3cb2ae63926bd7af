// The emulated hidraw node as a host that reads it with a large buffer sees it.
#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Whether thread `tid` sits in read(fd) itself, not in the emulator's handler.
bool inRead(pid_t tid, int fd)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long nr = -1, arg = -1;
    in >> nr >> std::hex >> arg;
    return nr == SYS_read && arg == fd;
}

// Real-time spinners on every CPU keep the kernel's tty worker away, as a
// loaded machine can, while two reports go to a host waiting in read().
TEST(EmulatedNode, OneReportPerReadWhileTheTtyWorkerIsLate)
{
    // The test bed's threads inherit this priority and run above the spinners.
    const sched_param high{20}, low{10}, normal{0};
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &high) != 0)
        GTEST_SKIP() << "needs real-time scheduling";
    std::vector<ssize_t> reads;
    {
        zq40emu::Testbed bed;
        zq40emu::Unit& unit = bed.plug({});
        const int fd = ::open(unit.devnode().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); // blocking, as Wine's
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(unit.waitForHostAttached(true, 2s));
        std::atomic<pid_t> tid{0};
        std::atomic<bool> done{false};
        std::thread reader([&] {
            tid = gettid();
            uint8_t buf[1024];
            for (ssize_t n, total = 0; total < 128 && (n = ::read(fd, buf, sizeof buf)) > 0; total += n)
                reads.push_back(n);
            done = true;
        });
        // With nothing queued the read is left to the pty.
        for (int i = 0; i < 400 && !(tid && inRead(tid, fd)); ++i)
            std::this_thread::sleep_for(5ms);
        const bool waiting = inRead(tid, fd);
        std::vector<std::thread> spinners;
        for (unsigned cpu = 0; waiting && cpu < std::thread::hardware_concurrency(); ++cpu)
            spinners.emplace_back([&, cpu] {
                cpu_set_t set;
                CPU_ZERO(&set);
                CPU_SET(cpu, &set);
                pthread_setaffinity_np(pthread_self(), sizeof set, &set);
                pthread_setschedparam(pthread_self(), SCHED_FIFO, &low);
                for (auto end = std::chrono::steady_clock::now() + 40ms; std::chrono::steady_clock::now() < end;) { }
            });
        std::this_thread::sleep_for(5ms);
        unit.flood(2);
        for (auto& s : spinners)
            s.join();
        for (int i = 0; i < 200 && !done; ++i)
            std::this_thread::sleep_for(10ms);
        bed.unplug(unit); // frees a reader still waiting
        reader.join();
        ::close(fd);
        EXPECT_TRUE(waiting);
    }
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
    EXPECT_EQ(reads, (std::vector<ssize_t>{64, 64}));
}

} // namespace
