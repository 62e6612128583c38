// The profile functions against what the disk itself costs, for files of
// 1 KiB, 100 KiB and 10 MiB in a folder under $TMPDIR (or /tmp):
//   BM_Read   the last key of the last section; floor: open, a buffer of the
//             file's size, one read() of the whole file, close ("warm_floor":
//             the same into a buffer kept from pass to pass)
//   BM_Write  a new value (of the same length) into that key; floor: the same
//             bytes written to a new file, fsync, rename over another file
// Each pass times the operation and then its floors, so all see the same disk
// and cache; "ratio" is operation over floor, "floor_us" the floor's own time.
// BM_Write also runs one write in a fresh child process and reports the most
// heap memory it held at once ("peak", and "peak/size"). The heap is counted
// by the allocator below: the kernel's resident-page figures (VmHWM, getrusage)
// lag here and gave anything from 3 to 10 MiB for one and the same write.

#include "platform/drives.h"
#include "platform/profilefunctions.h"
#include "selfchild.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Heap in use and its peak, counted while a child's write runs.
struct HeapCount
{
    std::atomic<long> live{ 0 };
    std::atomic<long> peak{ 0 };
    std::atomic<bool> counting{ false };
};
HeapCount s_heap;

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *pointer);
}

namespace {

void *counted(void *pointer)
{
    if (pointer) {
        const long live = s_heap.live += long(malloc_usable_size(pointer));
        if (s_heap.counting && live > s_heap.peak)
            s_heap.peak = live;
    }
    return pointer;
}

void uncount(void *pointer)
{
    if (pointer)
        s_heap.live -= long(malloc_usable_size(pointer));
}

} // namespace

extern "C" {
void *malloc(size_t size)
{
    return counted(__libc_malloc(size));
}
void *calloc(size_t count, size_t size)
{
    return counted(__libc_calloc(count, size));
}
void *realloc(void *pointer, size_t size)
{
    uncount(pointer);
    return counted(__libc_realloc(pointer, size));
}
void *memalign(size_t alignment, size_t size)
{
    return counted(__libc_memalign(alignment, size));
}
void *aligned_alloc(size_t alignment, size_t size)
{
    return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void **pointer, size_t alignment, size_t size)
{
    *pointer = counted(__libc_memalign(alignment, size));
    return *pointer ? 0 : ENOMEM;
}
void free(void *pointer)
{
    uncount(pointer);
    __libc_free(pointer);
}
}

namespace {

using Clock = std::chrono::steady_clock;

const char *const profile = "B:\\bench.ini";

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Sections of 32 keys of some 60 bytes each, as many as make size bytes.
struct Profile
{
    QByteArray content;
    QByteArray lastSection;
    QByteArray lastKey;
};

Profile profileOf(qint64 size)
{
    Profile p;
    p.content.reserve(size + 4096);
    for (int s = 0; p.content.size() < size; ++s) {
        p.lastSection = "Section" + QByteArray::number(s);
        p.content += '[' + p.lastSection + "]\r\n";
        for (int k = 0; k < 32 && p.content.size() < size; ++k) {
            p.lastKey = "key" + QByteArray::number(k);
            p.content += p.lastKey + '=' + QByteArray(50, char('a' + k % 26)) + "\r\n";
        }
    }
    return p;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A folder installed as drive B:, holding bench.ini.
struct Drive
{
    explicit Drive(const QByteArray &content)
    {
        platform::setDrives({ { QLatin1Char('B'), folder.path(), QStringLiteral("Bench") } });
        ok = folder.isValid() && writeFile(path(QStringLiteral("bench.ini")), content);
    }
    QString path(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    bool ok = false;
};

void readFloor(const QByteArray &path, qint64 size, char *buffer)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    std::unique_ptr<char[]> fresh;
    if (!buffer) {
        fresh.reset(new char[size_t(size) + 1]);
        buffer = fresh.get();
    }
    const ssize_t count = ::read(fd, buffer, size_t(size) + 1);
    ::close(fd);
    benchmark::DoNotOptimize(buffer);
    benchmark::DoNotOptimize(count);
}

bool writeFloor(const QByteArray &temporary, const QByteArray &target, const QByteArray &bytes)
{
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    return ::rename(temporary.constData(), target.constData()) == 0 && ok;
}

void report(benchmark::State &state, double operation, double floor, qint64 size,
            const char *name = "")
{
    const double passes = double(state.iterations());
    state.counters[std::string(name) + "floor_us"] = benchmark::Counter(floor / passes * 1e6);
    state.counters[std::string(name) + "ratio"] = operation / floor;
    state.SetBytesProcessed(state.iterations() * size);
    state.SetComplexityN(size);
}

void BM_Read(benchmark::State &state)
{
    const Profile p = profileOf(state.range(0));
    const Drive drive(p.content);
    if (!drive.ok)
        return state.SkipWithError("cannot write the file");
    const QByteArray path = QFile::encodeName(drive.path(QStringLiteral("bench.ini")));
    std::vector<char> warmBuffer(size_t(p.content.size()) + 1);
    char buffer[750];
    double operation = 0;
    double floor = 0;
    double warmFloor = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::uint32_t count = platform::GetPrivateProfileStringA(
            p.lastSection.constData(), p.lastKey.constData(), "", buffer, sizeof buffer, profile);
        const double elapsed = since(start);
        if (count != 50)
            return state.SkipWithError("the last key was not found");
        const Clock::time_point floorStart = Clock::now();
        readFloor(path, p.content.size(), nullptr);
        floor += since(floorStart);
        const Clock::time_point warmStart = Clock::now();
        readFloor(path, p.content.size(), warmBuffer.data());
        warmFloor += since(warmStart);
        operation += elapsed;
        state.SetIterationTime(elapsed);
    }
    report(state, operation, warmFloor, p.content.size(), "warm_");
    report(state, operation, floor, p.content.size());
}

// How much one write of the file raises the peak of heap memory in use, in a
// fresh process (this program run as "--peak-write FOLDER SECTION KEY").
long peakOfWrite(const QString &folder, const Profile &p)
{
    const std::optional<std::string> printed
        = runSelf({ "--peak-write", QFile::encodeName(folder).toStdString(),
                    p.lastSection.toStdString(), p.lastKey.toStdString() });
    return printed ? std::atol(printed->c_str()) : -1;
}

// The child's side: a first write of a small file loads and sets up what any
// write needs; then the peak is taken before and after writing bench.ini.
int peakWriteChild(const char *folder, const char *section, const char *key)
{
    platform::setDrives({ { QLatin1Char('B'), QFile::decodeName(folder), QString() } });
    const QString small = QFile::decodeName(folder) + QStringLiteral("/small.ini");
    if (!writeFile(small, "[S]\r\nK=1\r\n")
        || !platform::WritePrivateProfileStringA("S", "K", "2", "B:\\small.ini"))
        return 1;
    QFile::remove(small);
    s_heap.peak = s_heap.live.load();
    const long before = s_heap.peak;
    s_heap.counting = true;
    const bool ok = platform::WritePrivateProfileStringA(section, key, "peak", profile);
    s_heap.counting = false;
    if (!ok)
        return 1;
    std::printf("%ld\n", s_heap.peak.load() - before);
    return 0;
}

void BM_Write(benchmark::State &state)
{
    const Profile p = profileOf(state.range(0));
    const Drive drive(p.content);
    if (!drive.ok)
        return state.SkipWithError("cannot write the file");
    const QByteArray temporary = QFile::encodeName(drive.path(QStringLiteral("floor.new")));
    const QByteArray target = QFile::encodeName(drive.path(QStringLiteral("floor.ini")));
    // Values as long as the one there, so that every pass writes the same size.
    const QByteArray values[2] = { QByteArray(50, 'x'), QByteArray(50, 'y') };
    double operation = 0;
    double floor = 0;
    int pass = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool ok
            = platform::WritePrivateProfileStringA(p.lastSection.constData(), p.lastKey.constData(),
                                                   values[pass++ % 2].constData(), profile);
        const double elapsed = since(start);
        if (!ok)
            return state.SkipWithError("the write failed");
        const Clock::time_point floorStart = Clock::now();
        if (!writeFloor(temporary, target, p.content))
            return state.SkipWithError("the floor's write failed");
        floor += since(floorStart);
        operation += elapsed;
        state.SetIterationTime(elapsed);
    }
    report(state, operation, floor, p.content.size());

    static std::map<qint64, long> peaks;
    if (!peaks.count(state.range(0)))
        peaks[state.range(0)] = peakOfWrite(drive.folder.path(), p);
    const long peak = peaks[state.range(0)];
    state.counters["peak"] = benchmark::Counter(double(peak), benchmark::Counter::kDefaults,
                                                benchmark::Counter::kIs1024);
    state.counters["peak/size"] = double(peak) / double(p.content.size());
}

BENCHMARK(BM_Read)
    ->Arg(1 << 10)
    ->Arg(100 << 10)
    ->Arg(10 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Write)
    ->Arg(1 << 10)
    ->Arg(100 << 10)
    ->Arg(10 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--peak-write") == 0)
        return peakWriteChild(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
