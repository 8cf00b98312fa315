// The picture and the persistent image of a form's client area (see ClientImage.h).
#include "runtime/ClientImage.h"

#include <algorithm>
#include <utility>

#include "runtime/ImageFile.h"

namespace runtime {

namespace {

// Empties a vector and gives its memory back: a window that lives for days should not
// carry a picture-sized block that it no longer needs.
void Release(std::vector<native::Colour>& pixels) {
    std::vector<native::Colour>().swap(pixels);
}

}  // namespace

void ClientImage::TakePicture() {
    hasPicture_ = false;
    if (auto picture = DecodeBmp(pictureFile_)) {
        picture_ = std::move(*picture);
        hasPicture_ = true;
    }
}

void ClientImage::SetSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
}

const native::Image& ClientImage::DecodedPicture() {
    if (picture_.pixels.empty() && hasPicture_) {
        if (auto picture = DecodeBmp(pictureFile_)) picture_ = std::move(*picture);
    }
    return picture_;
}

void ClientImage::DropPicture() {
    picture_ = native::Image();
}

std::vector<native::Colour> ClientImage::Composed() {
    const native::Image& picture = DecodedPicture();
    const auto area = static_cast<std::ptrdiff_t>(width_) * height_;
    if (picture.width == width_ && picture.height >= height_)  // it covers all
        return std::vector<native::Colour>(picture.pixels.begin(), picture.pixels.begin() + area);
    std::vector<native::Colour> pixels(static_cast<std::size_t>(area), backColor_);
    const std::int32_t rows = std::min(height_, picture.height);
    const std::int32_t columns = std::min(width_, picture.width);
    for (std::int32_t y = 0; y < rows; ++y)
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width,
                    columns, pixels.begin() + static_cast<std::ptrdiff_t>(y) * width_);
    return pixels;
}

void ClientImage::Keep() {
    if (kept_.empty()) {
        const native::Image& picture = DecodedPicture();
        if (picture.width == width_ && picture.height == height_) {
            kept_ = std::move(picture_.pixels);  // the picture is the image: no copy
            DropPicture();
        } else {
            kept_ = Composed();
        }
    }
    UpdateDirectReads();
}

void ClientImage::Drop() {
    Release(kept_);
    UpdateDirectReads();
}

void ClientImage::SetPixelScale(bool on) {
    pixelScale_ = on;
    UpdateDirectReads();
}

void ClientImage::UpdateDirectReads() {
    directReads_ = pixelScale_ && !kept_.empty() ? kept_.data() : nullptr;
}

native::Colour ClientImage::Pixel(std::int32_t x, std::int32_t y) {
    if (!kept_.empty()) return kept_[static_cast<std::size_t>(y) * width_ + x];
    // NOTE: without a persistent image a read takes the picture over the back colour, as
    // the window shows it before anything is drawn, rather than asking the display for
    // each pixel (a round trip apiece on X11).
    const native::Image& picture = DecodedPicture();
    if (x < picture.width && y < picture.height)
        return picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
    return backColor_;
}

void ClientImage::PaintKept(native::Colour colour, const native::Span* spans, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        native::Colour* row = &kept_[static_cast<std::size_t>(spans[i].y) * width_];
        std::fill(row + spans[i].x0, row + spans[i].x1, colour);
    }
}

}  // namespace runtime
