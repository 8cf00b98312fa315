// A form's client-area pixels: its picture, decoded from the design's bitmap only while
// something needs it, and the persistent image that AutoRedraw keeps. A pixel read comes
// from the persistent image when there is one, else from the picture over the back colour.
// Form owns one; this class holds no window and calls no backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Native.h"

namespace runtime {

class ClientImage {
  public:
    ClientImage(std::span<const std::uint8_t> pictureFile, native::Colour backColor)
        : pictureFile_(pictureFile), backColor_(backColor) {}

    // Decodes the picture now, once the form loads; Picture() says whether there is one.
    void TakePicture();
    bool Picture() const { return hasPicture_; }
    void SetSize(std::int32_t width, std::int32_t height);
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // The client area as the system repaints it, before any drawing: the picture unscaled
    // at the top-left corner over the back colour.
    std::vector<native::Colour> Composed();
    // Lets the decoded picture go; it is decoded again if a read or Keep wants it.
    void DropPicture();

    // The persistent image: Keep makes it from the picture (taking the decoded picture
    // itself when it is exactly the client area), Drop lets it go.
    void Keep();
    void Drop();
    bool Kept() const { return !kept_.empty(); }
    // Reads in whole pixels may go straight to the persistent image while the form's
    // scale is pixels; the form says when it is.
    void SetPixelScale(bool on);

    // One pixel; (x, y) must lie in the client area.
    native::Colour Pixel(std::int32_t x, std::int32_t y);
    // The common case of a pixel read, inline since a trim reads every pixel: true, with
    // the colour, when reads go straight to the persistent image and (x, y) is a whole
    // pixel inside it.
    bool ReadDirect(float x, float y, native::Colour& colour) const {
        if (directReads_ == nullptr) return false;
        const auto px = static_cast<std::int32_t>(x), py = static_cast<std::int32_t>(y);
        if (px != x || py != y ||
            static_cast<std::uint32_t>(px) >= static_cast<std::uint32_t>(width_) ||
            static_cast<std::uint32_t>(py) >= static_cast<std::uint32_t>(height_))
            return false;
        colour = directReads_[static_cast<std::size_t>(py) * width_ + px];
        return true;
    }
    // Paints pixel spans (inside the client area) into the persistent image, if any.
    void Paint(native::Colour colour, const native::Span* spans, std::size_t count) {
        if (!kept_.empty()) PaintKept(colour, spans, count);
    }

  private:
    const native::Image& DecodedPicture();  // decoded on demand
    void PaintKept(native::Colour colour, const native::Span* spans, std::size_t count);
    void UpdateDirectReads();

    std::span<const std::uint8_t> pictureFile_;  // a BMP file, or empty
    native::Colour backColor_;
    bool hasPicture_ = false;
    native::Image picture_;  // empty while not decoded
    std::int32_t width_ = 0, height_ = 0;
    std::vector<native::Colour> kept_;  // the persistent image; empty when there is none
    bool pixelScale_ = false;
    const native::Colour* directReads_ = nullptr;  // kept_'s pixels while reads may go there
};

}  // namespace runtime
