// The renderings kept between runs: painted once, then read back; a damaged or foreign
// file is painted over; without a folder to keep them in, painted every time.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/RenderingCache.h"
#include "tests/unit/TempFolder.h"

namespace {

int paintings = 0;
native::Image PaintStripes(double scale) {
    ++paintings;
    native::Image image{int(4 * scale), 3, {}, {}};
    for (int i = 0; i < image.width * image.height; ++i)
        image.pixels.push_back(i % 3 == 0 ? 0 : native::Colour(0x102030 * i) & 0xFFFFFF);
    return image;
}

TEST(KeptRendering, IsPaintedOnceAndAgainOnlyWhenItsFileIsDamagedOrAnotherPaintings) {
    TempFolder folder;
    const std::uint8_t picture[] = {1, 2, 3};
    const runtime::Rendering rendering{200, 8, 3, PaintStripes, 1};
    const native::Image expected = PaintStripes(2);
    const auto kept = [&](const runtime::Rendering& r, const std::string& in) {
        paintings = 0;
        const native::Image image = runtime::KeptRendering(picture, r, in);
        EXPECT_EQ(image.pixels, expected.pixels);
        return paintings;
    };
    EXPECT_EQ(kept(rendering, folder.Path() + "/"), 1);
    EXPECT_EQ(kept(rendering, folder.Path() + "/"), 0);
    std::string file;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        file = entry.path().string();
    ASSERT_EQ(file.substr(file.size() - 9), "-200.rows");  // and nothing half-written beside
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 1);
    EXPECT_EQ(kept(rendering, folder.Path() + "/"), 1);
    EXPECT_EQ(kept(rendering, folder.Path() + "/"), 0);

    runtime::Rendering revised = rendering;
    revised.revision = 2;
    EXPECT_EQ(kept(revised, folder.Path() + "/"), 1);
    EXPECT_EQ(kept(rendering, folder.Path() + "/missing/"), 1);
    EXPECT_EQ(kept(rendering, ""), 1);
}

}  // namespace
