// Profile store load and save at 1, 100 and 1,000 profiles, their peak memory,
// and change detection on a full record.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "apply/apply_engine.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "store/profile_store.h"

namespace velor {
namespace {

class Texts final : public TextLookup {
  public:
    std::u16string text(std::string_view) const override { return u"Profile"; }
};

const ModelDescriptor& ms10() {
    return *descriptorFor(10);
}

std::string benchFolder(std::int64_t n) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("velor-bench-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    std::filesystem::create_directories(folder);
    return folder.string() + "/";
}

void fill(ProfileList& list, std::int64_t n) {
    std::vector<ProfileRecord> records;
    for (std::int64_t i = 0; i < n; ++i)
        records.push_back(
            newRecord(ms10().record, u"Profile " + std::u16string(1, char16_t(0x4E00 + i))));
    list.reset({}, std::move(records), 0);
}

// Peak resident memory (KB) of a fresh process that loads and saves a store
// of n profiles, less that of one that does nothing.
long peakKilobytes(const char* self, std::int64_t n, const std::string& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string count = std::to_string(n);
        ::execl(self, self, "--store-rss", count.c_str(), folder.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return usage.ru_maxrss;
}

const char* gSelf = nullptr;

void BM_SaveStore(benchmark::State& state) {
    ProfileList list(ms10());
    fill(list, state.range(0));
    const std::string folder = benchFolder(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(saveProfiles(list, folder));
    state.SetBytesProcessed(
        state.iterations() *
        static_cast<std::int64_t>(storeHeaderSize(ms10()) + list.size() * ms10().recordLength()));
}
BENCHMARK(BM_SaveStore)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// A store of n profiles written to the folder, then loaded as the page loads it.
void loadFromItsFile(ProfileList& list, std::int64_t n, const std::string& folder) {
    {
        ProfileList written(ms10());
        fill(written, n);
        saveProfiles(written, folder);
    }
    loadProfiles(list, folder, Texts());
}

// The floor of a save: the same bytes written at once to a new file beside
// the store, flushed, renamed over it and the folder flushed.
double floorSaveMillis(const std::vector<std::uint8_t>& bytes, const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    const std::string temp = folder + "floor.tmp";
    const std::string target = folder + "floor.data";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    ::rename(temp.c_str(), target.c_str());
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dir);
    ::close(dir);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// A save of a store as the page has it (loaded from its file, the current
// profile changed) against its floor, taken in turns and each first in every
// other turn, so that both meet the same disk: x_floor is the ratio of their
// total times.
void BM_SaveStoreAgainstFloor(benchmark::State& state) {
    const std::string folder = benchFolder(state.range(0));
    ProfileList list(ms10());
    loadFromItsFile(list, state.range(0), folder);
    const auto bytes = readWholeFile(profileStorePath(ms10(), folder), std::uintmax_t{1} << 40);
    const auto millis = [](const auto& run) {
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    double saves = 0;
    double floors = 0;
    bool saveFirst = true;
    for (auto _ : state) {
        list.current().set(Field::dpiLevel, saveFirst ? 2 : 3);
        if (!saveFirst) floors += floorSaveMillis(*bytes, folder);
        saves += millis([&] { benchmark::DoNotOptimize(saveProfiles(list, folder)); });
        if (saveFirst) floors += floorSaveMillis(*bytes, folder);
        saveFirst = !saveFirst;
    }
    state.counters["save_ms"] = saves / static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floors / static_cast<double>(state.iterations());
    state.counters["x_floor"] = saves / floors;
}
BENCHMARK(BM_SaveStoreAgainstFloor)->Arg(1000)->Iterations(20)->Unit(benchmark::kMillisecond);

std::uint64_t bytesWrittenSoFar() {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    unsigned long long value = 0;
    char key[32];
    while (io != nullptr && std::fscanf(io, "%31s %llu", key, &value) == 2)
        if (std::strcmp(key, "wchar:") == 0) break;
    if (io != nullptr) std::fclose(io);
    return value;
}

// The bytes one change the mouse made (its DPI level) writes to disk, store
// and journal, against one record: bounded whatever the number of profiles.
void BM_BytesPerReportedChange(benchmark::State& state) {
    const std::string folder = benchFolder(state.range(0));
    ProfileList list(ms10());
    loadFromItsFile(list, state.range(0), folder);
    std::uint64_t written = 0;
    int level = 0;
    for (auto _ : state) {
        {
            const std::lock_guard guard(list.lock());
            list.current().set(Field::dpiLevel, level = (level + 1) % 8);
        }
        const std::uint64_t before = bytesWrittenSoFar();
        benchmark::DoNotOptimize(saveProfiles(list, folder));
        written += bytesWrittenSoFar() - before;
    }
    const double perChange = static_cast<double>(written) / static_cast<double>(state.iterations());
    state.counters["bytes_per_change"] = perChange;
    state.counters["x_record"] = perChange / ms10().recordLength();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BytesPerReportedChange)
    ->Arg(1)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// How long the page's thread waits for the list's lock while a whole save of
// 1000 profiles (as loaded from their file) runs on the worker: the longest wait
// and the 99th percentile, against the same lock taken with no save running.
void BM_LockWaitDuringSave(benchmark::State& state) {
    const std::string folder = benchFolder(state.range(0));
    ProfileList list(ms10());
    loadFromItsFile(list, state.range(0), folder);
    const auto waits = [&](const std::atomic<bool>& running) {
        std::vector<double> micros;
        do {
            const auto start = std::chrono::steady_clock::now();
            { const std::lock_guard guard(list.lock()); }
            micros.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count());
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        } while (running);
        return micros;
    };
    std::vector<double> during;
    std::vector<double> idle;
    bool added = false;
    for (auto _ : state) {
        // A profile added, then removed: every save writes the store whole.
        added = added ? !list.removeCurrent() : list.add(u"Bench");
        std::atomic<bool> running{true};
        std::thread saver([&] {
            saveProfiles(list, folder);
            running = false;
        });
        const auto w = waits(running);
        saver.join();
        during.insert(during.end(), w.begin(), w.end());
        std::atomic<bool> once{false};
        for (int i = 0; i < 20; ++i) {
            const auto f = waits(once);
            idle.insert(idle.end(), f.begin(), f.end());
        }
    }
    std::sort(during.begin(), during.end());
    std::sort(idle.begin(), idle.end());
    state.counters["max_wait_us"] = during.back();
    state.counters["p99_wait_us"] = during[during.size() * 99 / 100];
    state.counters["floor_max_us"] = idle.back();
}
BENCHMARK(BM_LockWaitDuringSave)->Arg(1000)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_LoadStore(benchmark::State& state) {
    const std::string folder = benchFolder(state.range(0));
    {
        ProfileList list(ms10());
        fill(list, state.range(0));
        saveProfiles(list, folder);
    }
    const Texts texts;
    for (auto _ : state) {
        ProfileList list(ms10());
        benchmark::DoNotOptimize(loadProfiles(list, folder, texts));
    }
    state.counters["peak_rss_kb_load_save"] = static_cast<double>(
        peakKilobytes(gSelf, state.range(0), folder) - peakKilobytes(gSelf, 0, folder));
}
BENCHMARK(BM_LoadStore)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Identical records: every field is compared, none found changed.
void BM_ChangeDetection(benchmark::State& state) {
    const ProfileRecord a = newRecord(ms10().record, u"A");
    const ProfileRecord b = a;
    for (auto _ : state) benchmark::DoNotOptimize(ApplyEngine::changedGroups(a, b));
}
BENCHMARK(BM_ChangeDetection);

int storeRssChild(std::int64_t n, const std::string& folder) {
    if (n == 0) return 0;
    ProfileList list(ms10());
    const Texts texts;
    loadProfiles(list, folder, texts);
    return saveProfiles(list, folder) ? 0 : 1;
}

}  // namespace
}  // namespace velor

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--store-rss") == 0)
        return velor::storeRssChild(std::stoll(argv[2]), argv[3]);
    // For the start-up script: a slot-10 store of N profiles in a data folder.
    if (argc == 4 && std::strcmp(argv[1], "--write-store") == 0) {
        velor::ProfileList list(velor::ms10());
        velor::fill(list, std::stoll(argv[2]));
        return velor::saveProfiles(list, std::string(argv[3]) + "/") ? 0 : 1;
    }
    velor::gSelf = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
