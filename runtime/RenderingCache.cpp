// The renderings kept between runs (see RenderingCache.h).
#include "runtime/RenderingCache.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "runtime/ImageFile.h"

namespace runtime {
namespace {

// FNV-1a: enough to tell the program's pictures apart, not a defence against anyone.
std::uint32_t Fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
    return hash;
}

std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    std::uint8_t block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    std::fclose(file);
    return bytes;
}

void WriteWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string part = path + "." + std::to_string(stamp) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::remove(part.c_str());
        return;
    }
    // NOTE: Windows' rename never replaces a file: a damaged one goes first.
    if (std::rename(part.c_str(), path.c_str()) != 0 &&
        (std::remove(path.c_str()) != 0 || std::rename(part.c_str(), path.c_str()) != 0))
        std::remove(part.c_str());
}

}  // namespace

native::Image KeptRendering(std::span<const std::uint8_t> picture, const Rendering& rendering,
                            const std::string& folder) {
    const double scale = rendering.percent / 100.0;
    char name[64];
    std::snprintf(name, sizeof name, "picture-%08x-r%u-%u.rows", unsigned(Fingerprint(picture)),
                  unsigned(rendering.revision), unsigned(rendering.percent));
    const std::string path = folder.empty() ? "" : folder + name;
    if (!path.empty()) {
        std::optional<native::Image> kept = DecodeFaceRows(ReadWhole(path));
        if (kept && kept->width == rendering.width && kept->height == rendering.height)
            return std::move(*kept);
    }
    native::Image painted = rendering.paint(scale);
    if (!path.empty()) WriteWhole(path, EncodeFaceRows(painted, 0));
    return painted;
}

}  // namespace runtime
