// The renderings kept between runs (see RenderingCache.h).
#include "runtime/RenderingCache.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "runtime/ImageFile.h"

namespace runtime {
namespace {

// FNV-1a over eight bytes at a time: enough to tell the program's pictures apart, not a
// defence against anyone; a start at another scale takes it of the whole picture.
std::uint64_t Fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 14695981039346656037u;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = (hash ^ word) * 1099511628211u;
    }
    for (; at < bytes.size(); ++at) hash = (hash ^ bytes[at]) * 1099511628211u;
    return hash;
}

// The file's bytes, read at once; none when it cannot be read or is larger than any
// rendering (kMaxImageSide squared, five bytes a pixel at most).
std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    constexpr long kMostBytes = 5L * kMaxImageSide * kMaxImageSide;
    std::vector<std::uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (size > 0 && size <= kMostBytes && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(std::size_t(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    }
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
                            const std::string& folder, scaling::FaceMask* face) {
    char name[64];
    std::snprintf(name, sizeof name, "picture-%016llx-r%u-%u.rows",
                  static_cast<unsigned long long>(Fingerprint(picture)),
                  unsigned(rendering.revision), unsigned(rendering.percent));
    const std::string path = folder.empty() ? "" : folder + name;
    if (!path.empty()) {
        std::optional<native::Image> kept = DecodeFaceRows(ReadWhole(path), face);
        if (kept && kept->width == rendering.width && kept->height == rendering.height)
            return std::move(*kept);
    }
    native::Image painted = rendering.paint(rendering.percent / 100.0);
    if (!path.empty()) WriteWhole(path, EncodeFaceRows(painted, 0));
    if (face != nullptr) *face = scaling::FaceOf(painted);
    return painted;
}

}  // namespace runtime
