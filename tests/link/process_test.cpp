// The library across the life of its process: copied by fork, unloaded and
// loaded again.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "receiver_emulator.h"
#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

// Runs `child` in a forked copy of this process; its result is the exit code.
pid_t Fork(const std::function<int()>& child) {
    const pid_t pid = fork();
    if (pid == 0) _exit(child());
    return pid;
}

using test::ExitCode;

// True while some open file description holds the device's lock.
bool DeviceLocked(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return locked;
}

class ProcessCopy : public ::testing::Test {
protected:
    void SetUp() override {
        Connect(&freq_);
        ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 115200));
        ASSERT_TRUE(receiver_.WaitForLines(2, 2000ms));
    }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    bool Hears(int wireFrequency) {
        receiver_.Send(emulator::TuningSentence(wireFrequency, 40));
        return test::WaitUntil([&] {
            const auto events = freq_.Events();
            return !events.empty() && events.back().frequency == wireFrequency / 10;
        });
    }
    emulator::ReceiverEmulator receiver_;
    test::FrequencyRecorder freq_;
};

TEST_F(ProcessCopy, AChildStartsClosedAndWhatItCallsLeavesTheParentsConnectionAlone) {
    const pid_t child = Fork([] {
        const bool closed = !TmcIsOpen() && !TmcClose() && !TmcStopSimulation() &&
                            TmcGetStatus() == TmcStatusStopped && !TmcControlTuner(TmcTune, 900);
        int f;
        return closed && !TmcGetTunerFrequency(f) ? 0 : 1;
    });
    ASSERT_EQ(ExitCode(child), 0) << "the child saw an open port or a running status";
    EXPECT_TRUE(TmcIsOpen());
    EXPECT_TRUE(DeviceLocked(receiver_.DevicePath())) << "the child released the parent's lock";
    const double cpuBefore = test::ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Hears(9000)) << "the parent's reader still hears the module";
    std::this_thread::sleep_for(1s);  // a span to measure CPU over, not a synchronisation
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT((test::ProcessCpuSeconds() - cpuBefore) / took, 0.2) << "the parent's reader spins";
}

TEST_F(ProcessCopy, AChildThatLivesOnDoesNotKeepTheDeviceFromTheParent) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = Fork([&] {
        char byte;
        close(pipeFds[1]);
        return read(pipeFds[0], &byte, 1) == 1 ? 0 : 1;
    });
    close(pipeFds[0]);
    ASSERT_TRUE(TmcClose());
    // The parent's reader lets go of the device as it ends, a moment after the close.
    EXPECT_TRUE(test::WaitUntil([&] { return !DeviceLocked(receiver_.DevicePath()); }))
        << "the living child still holds the device";
    EXPECT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 115200));
    EXPECT_TRUE(Hears(9100));
    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    close(pipeFds[1]);
    EXPECT_EQ(ExitCode(child), 0);
}

TEST_F(ProcessCopy, AChildsOwnRunWritesNothingIntoTheParentsLog) {
    if (!test::ChildMayStartThreads()) GTEST_SKIP() << "a child's threads cannot start here";
    test::TempDir dir;
    const std::string log = dir.File("parent.log");
    ASSERT_TRUE(TmcStartLogging(log.c_str()));
    ASSERT_TRUE(Hears(9000));
    emulator::ReceiverEmulator other;
    const pid_t child = Fork([&] {
        if (!TmcOpen(other.DevicePath().c_str(), 115200)) return 1;
        int f = 0;
        const bool heard = test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 1010; }, 5000ms);
        TmcClose();
        return heard ? 0 : 2;
    });
    // The child's module reports what the parent's never does.
    ASSERT_TRUE(other.WaitForLines(2, 5000ms)) << "the child did not open its port";
    other.Send(emulator::TuningSentence(10100, 40));
    ASSERT_EQ(ExitCode(child), 0);
    EXPECT_TRUE(Hears(9100)) << "the parent's run goes on";
    ASSERT_TRUE(TmcStopLogging());
    EXPECT_EQ(test::LoggedSentences(test::ReadFile(log)),
              emulator::TuningSentence(9000, 40) + emulator::TuningSentence(9100, 40));
}

TEST(ProcessCopyOfAReplay, TheChildStartsWithoutItAndTheParentsReplayGoesOn) {
    if (!test::ChildMayStartThreads()) GTEST_SKIP() << "a child's threads cannot start here";
    test::TempDir dir;
    // Copies of the recording: a replay holds its file locked, and other
    // tests may be playing the bundled one meanwhile.
    const std::string own = dir.File("child.log"), parents = dir.File("parent.log");
    test::WriteFile(own, test::ReadFile(RDSTMC_BUNDLED_RECORDING_PATH));
    test::WriteFile(parents, test::ReadFile(RDSTMC_BUNDLED_RECORDING_PATH));
    ASSERT_TRUE(TmcStartSimulation(parents.c_str()));
    int f = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f); }, 5000ms));
    const pid_t child = Fork([&] {
        int g = 0;
        const bool closed = !TmcStopSimulation() && TmcGetStatus() == TmcStatusStopped && !TmcGetTunerFrequency(g);
        // A replay of its own works, beside the parent's.
        const bool played = TmcStartSimulation(own.c_str()) &&
                            test::WaitUntil([&] { return TmcGetTunerFrequency(g); }, 5000ms) && TmcStopSimulation();
        return closed ? (played ? 0 : 2) : 1;
    });
    ASSERT_EQ(ExitCode(child), 0);
    // The recording's RDS begins two seconds in.
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusRdsOnly; }, 10000ms));
    EXPECT_TRUE(TmcStopSimulation()) << "the parent's replay was still running";
    test::DisconnectAll();
}

// The exported functions of a separately loaded copy of the shared library.
struct LoadedLibrary {
    explicit LoadedLibrary(const std::string& path) : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle == nullptr) return;
        open = reinterpret_cast<bool (*)(const unsigned short*, unsigned)>(dlsym(handle, "_Z7TmcOpenPKtj"));
        close = reinterpret_cast<bool (*)()>(dlsym(handle, "_Z8TmcClosev"));
        isOpen = reinterpret_cast<bool (*)()>(dlsym(handle, "_Z9TmcIsOpenv"));
    }
    bool Usable() const { return handle && open && close && isOpen; }
    void Unload() { dlclose(handle); }
    void* handle;
    bool (*open)(const unsigned short*, unsigned) = nullptr;
    bool (*close)() = nullptr;
    bool (*isOpen)() = nullptr;
};

class Unloading : public ::testing::Test {
protected:
    void SetUp() override {
        copy_ = dir_.File("librdstmc-copy.so");
        std::filesystem::copy_file(RDSTMC_SHARED_LIBRARY_PATH, copy_);
    }
    test::TempDir dir_;
    std::string copy_;
};

TEST_F(Unloading, UnloadingWithThePortOpenLeavesTheWorkersRunningSafely) {
    emulator::ReceiverEmulator receiver;
    LoadedLibrary first(copy_);
    ASSERT_TRUE(first.Usable()) << dlerror();
    ASSERT_TRUE(first.open(test::W(test::Wide(receiver.DevicePath())), 115200));
    first.Unload();
    // The workers go on reading and ticking; without the library staying
    // mapped they would run in unmapped code and crash the process here.
    for (int i = 0; i < 20; ++i) {
        receiver.Send(emulator::TuningSentence(9000 + 10 * i, 40) + emulator::GroupSentence(1, 0, 0, 0));
        std::this_thread::sleep_for(75ms);  // spreads the data over status ticks
    }
    LoadedLibrary again(copy_);
    ASSERT_TRUE(again.Usable()) << dlerror();
    EXPECT_TRUE(again.isOpen()) << "a reload finds the same, still open library";
    EXPECT_TRUE(again.close());
    again.Unload();
}

TEST_F(Unloading, LoadAndUnloadCyclesGrowNothing) {
    auto cycle = [&] {
        LoadedLibrary lib(copy_);
        const bool usable = lib.Usable() && !lib.isOpen() && !lib.close();
        if (lib.handle) lib.Unload();
        return usable;
    };
    ASSERT_TRUE(cycle()) << dlerror();
    const int descriptors = test::OpenDescriptorCount();
    const int threads = test::ThreadCount();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(cycle());
    EXPECT_EQ(test::OpenDescriptorCount(), descriptors);
    EXPECT_EQ(test::ThreadCount(), threads);
}

}  // namespace
}  // namespace rdstmc
