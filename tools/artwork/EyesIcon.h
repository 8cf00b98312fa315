// The eyes icon: 32 x 32 pixels, 16 colours, two cartoon eyes side by side in rows 10
// to 19. Each eye is a white eyeball with a black outline whose corners are softened in
// grey, a blue iris and a dark-blue pupil with a black centre pixel. Everything else is
// transparent.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

namespace eyes {

constexpr int kSize = 32;
constexpr int kTopRow = 10;
constexpr int kRows = 10;
constexpr int kEyeWidth = 12;
constexpr std::array<int, 2> kEyeLeft{3, 17};  // first column of each eye

// The standard 16-colour palette, as red, green, blue.
struct Rgb8 {
    std::uint8_t r, g, b;
};
constexpr std::array<Rgb8, 16> kPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};
constexpr std::uint8_t kBlack = 0, kDarkBlue = 4, kGrey = 8, kBlue = 12, kWhite = 15;

// Width of the eyeball in each of its rows, centred in the eye's 12 columns.
constexpr std::array<int, kRows> kRowWidth{6, 8, 10, 12, 12, 12, 12, 10, 8, 6};
constexpr int kIrisRow = 5, kIrisColumn = 6;  // the pupil's centre, in the eye's own frame

struct Icon {
    std::array<std::array<std::uint8_t, kSize>, kSize> index{};  // palette index, top row first
    std::array<std::array<bool, kSize>, kSize> transparent{};
};

inline bool InEyeball(int row, int column) {
    if (row < 0 || row >= kRows) return false;
    const int margin = (kEyeWidth - kRowWidth[row]) / 2;
    return column >= margin && column < kEyeWidth - margin;
}

// The palette index of one eye pixel in the eye's frame (row 0..9, column 0..11).
inline std::uint8_t EyePixel(int row, int column) {
    int open = 0;  // 4-neighbours outside the eyeball
    for (const auto& [dr, dc] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
        open += InEyeball(row + dr, column + dc) ? 0 : 1;
    }
    if (open >= 2) return kGrey;
    if (open == 1) return kBlack;
    const int dr = row - kIrisRow, dc = column - kIrisColumn;
    if (dr == 0 && dc == 0) return kBlack;
    if (std::abs(dr) + std::abs(dc) == 1) return kDarkBlue;
    if (dr * dr + dc * dc <= 5) return kBlue;
    return kWhite;
}

inline Icon DrawIcon() {
    Icon icon;
    for (auto& row : icon.transparent) row.fill(true);
    for (int row = 0; row < kRows; ++row) {
        for (const int left : kEyeLeft) {
            for (int column = 0; column < kEyeWidth; ++column) {
                if (!InEyeball(row, column)) continue;
                icon.index[kTopRow + row][left + column] = EyePixel(row, column);
                icon.transparent[kTopRow + row][left + column] = false;
            }
        }
    }
    return icon;
}

}  // namespace eyes
