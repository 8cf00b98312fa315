// ReadIni and WriteIni on settings files of 1 KB, 100 KB, 10 MB and 50 MB (far beyond any
// real one, and still to be read and rewritten at file speed), each beside plain file
// I/O of the same bytes: reading the file whole, and reading it and writing it back as a
// new file flushed to disk and renamed into place (the durability a settings write needs).
// The entry asked for stands last in the file, so every call walks the whole file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "startup/Commands.h"

namespace {

constexpr const char* Section = "Varnhold Quimbrel";

// A file of about `size` bytes: filler sections, then the program's section.
const std::string& SettingsFile(std::int64_t size) {
    static std::map<std::int64_t, std::string> files;
    static const std::string folder = [] {
        char name[] = "/tmp/vellory-bench-XXXXXX";
        if (mkdtemp(name) == nullptr) std::abort();
        return std::string(name);
    }();
    auto& path = files[size];
    if (path.empty()) {
        path = folder + "/v" + std::to_string(size) + ".ini";
        std::string bytes;
        for (int n = 0; bytes.size() + 64 < static_cast<std::size_t>(size); ++n)
            bytes += "[Other " + std::to_string(n) + "]\nWidth=1234\nHeight=5678\n\n";
        bytes += "[Varnhold Quimbrel]\nTop=1500\nLeft=-45\n";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::string ProgramPath(const std::string& path) {
    std::string result = path;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

std::string PlainRead(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    fstat(fd, &info);
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    return bytes;
}

void PlainWrite(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    fsync(fd);
    close(fd);
    std::rename(temporary.c_str(), path.c_str());
}

void ReadIni(benchmark::State& state) {
    const std::string file = ProgramPath(SettingsFile(state.range(0)));
    if (Commands::ReadIni(Section, "Top", file) != "1500") state.SkipWithError("entry not read");
    for (auto _ : state) benchmark::DoNotOptimize(Commands::ReadIni(Section, "Top", file));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void PlainRead(benchmark::State& state) {
    const std::string& file = SettingsFile(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(PlainRead(file));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void WriteIni(benchmark::State& state) {
    const std::string file = ProgramPath(SettingsFile(state.range(0)));
    bool odd = false;
    for (auto _ : state) {
        Commands::WriteIni(Section, "Top", (odd = !odd) ? "1501" : "1500", file);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void PlainReadWrite(benchmark::State& state) {
    const std::string& file = SettingsFile(state.range(0));
    for (auto _ : state) PlainWrite(file, PlainRead(file));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

constexpr std::int64_t KB = 1024;

// The sizes of settings file that each benchmark runs on.
void Sizes(benchmark::internal::Benchmark* benchmark) {
    for (std::int64_t size : {KB, 100 * KB, 10 * KB * KB, 50 * KB * KB}) benchmark->Arg(size);
    benchmark->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(ReadIni)->Apply(Sizes);
BENCHMARK(PlainRead)->Apply(Sizes);
BENCHMARK(WriteIni)->Apply(Sizes);
BENCHMARK(PlainReadWrite)->Apply(Sizes);
