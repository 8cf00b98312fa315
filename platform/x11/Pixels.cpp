// The program's colours as the X visual's pixels: one colour (a fill) or a whole picture
// (the window's content, uploaded once into a pixmap).
#include <X11/Xutil.h>

#include <bit>
#include <cstddef>
#include <vector>

#include "platform/Colour.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

// How a colour channel lands in the visual's pixel value: shift and width of its mask.
struct ChannelLayout {
    int shift = 0;
    int bits = 0;
};

ChannelLayout LayoutOf(unsigned long mask) {
    ChannelLayout layout;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++layout.shift;
    }
    while ((mask & 1) != 0) {
        mask >>= 1;
        ++layout.bits;
    }
    return layout;
}

// An 8-bit channel value scaled to a channel of another width.
unsigned long Place(unsigned value, const ChannelLayout& layout) {
    if (layout.bits == 0) return 0;
    const unsigned long max = (1ul << layout.bits) - 1;
    return ((value * max + 127) / 255) << layout.shift;
}

// An ARGB pixel: the colour times its coverage, and the coverage as alpha.
std::uint32_t Premultiplied(native::Colour colour, unsigned alpha, const PixelFormat& format) {
    const auto times = [&](unsigned channel) { return (channel * alpha + 127) / 255; };
    const native::Colour scaled =
        times(colour & 0xFF) | times(colour >> 8 & 0xFF) << 8 | times(colour >> 16 & 0xFF) << 16;
    return alpha << 24 |
           native::PlaceChannels(scaled, format.redShift, format.greenShift, format.blueShift);
}

}  // namespace

PixelFormat ReadPixelFormat(const Visual* visual) {
    const ChannelLayout red = LayoutOf(visual->red_mask), green = LayoutOf(visual->green_mask),
                        blue = LayoutOf(visual->blue_mask);
    return {red.bits == 8 && green.bits == 8 && blue.bits == 8, red.shift, green.shift, blue.shift};
}

unsigned long PixelOf(native::Colour colour) {
    const PixelFormat& format = X().pixelFormat;
    // NOTE: an ARGB visual's pixel carries its alpha in the bits no colour uses.
    const unsigned long opaque = X().argb ? 0xFF000000ul : 0;
    if (format.trueColour24)  // the usual visual: one byte a channel
        return opaque |
               native::PlaceChannels(colour, format.redShift, format.greenShift, format.blueShift);
    const Visual* visual = X().visual;
    return Place(colour & 0xFF, LayoutOf(visual->red_mask)) |
           Place((colour >> 8) & 0xFF, LayoutOf(visual->green_mask)) |
           Place((colour >> 16) & 0xFF, LayoutOf(visual->blue_mask));
}

// Its pixels are converted in place when the image's layout is the XImage's own (32-bit
// pixels, no row padding), else into a copy.
Pixmap MakeContentPixmap(Window window, native::Image& image,
                         const std::vector<std::uint8_t>& alpha) {
    Connection& x = X();
    const int depth = x.depth;
    Visual* visual = x.visual;
    XImage* ximage = XCreateImage(x.display, visual, depth, ZPixmap, 0, nullptr, image.width,
                                  image.height, 32, 0);
    if (ximage == nullptr) return 0;
    const bool direct =
        ximage->bits_per_pixel == 32 && ximage->byte_order == ImageByteOrder(x.display) &&
        (ximage->byte_order == LSBFirst) == (std::endian::native == std::endian::little);
    std::vector<char> bytes;
    if (direct && ximage->bytes_per_line == image.width * 4) {
        ximage->data = reinterpret_cast<char*>(image.pixels.data());
    } else {
        bytes.resize(static_cast<std::size_t>(ximage->bytes_per_line) * image.height);
        ximage->data = bytes.data();
    }
    const PixelFormat& format = x.pixelFormat;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const native::Colour* from = &image.pixels[static_cast<std::size_t>(y) * image.width];
        // NOTE: in place, each pixel is read before its own place is written.
        auto* row = reinterpret_cast<std::uint32_t*>(ximage->data + static_cast<std::ptrdiff_t>(y) *
                                                                        ximage->bytes_per_line);
        if (direct && x.argb && format.trueColour24) {
            const std::uint8_t* cover =
                alpha.empty() ? nullptr : &alpha[static_cast<std::size_t>(y) * image.width];
            for (std::int32_t x0 = 0; x0 < image.width; ++x0)
                row[x0] = Premultiplied(from[x0], cover != nullptr ? cover[x0] : 255, format);
            continue;
        }
        // NOTE: 32-bit pixels of a 24-bit visual in our own byte order go straight in;
        // anything else through Xlib's general (and slow) path.
        if (direct && format.redShift == 16 && format.greenShift == 8 && format.blueShift == 0) {
            // NOTE: one pointer when in place and the width in a local (a pixel written could
            // otherwise be the image's width), so that the compiler converts several pixels
            // at a time: at a large display scale this runs over many.
            const std::int32_t width = image.width;
            if (static_cast<const void*>(row) == from)
                for (std::int32_t x0 = 0; x0 < width; ++x0) row[x0] = native::ToRgb(row[x0]);
            else
                for (std::int32_t x0 = 0; x0 < width; ++x0) row[x0] = native::ToRgb(from[x0]);
            continue;
        }
        if (direct && format.trueColour24) {
            for (std::int32_t x0 = 0; x0 < image.width; ++x0)
                row[x0] = native::PlaceChannels(from[x0], format.redShift, format.greenShift,
                                                format.blueShift);
            continue;
        }
        for (std::int32_t x0 = 0; x0 < image.width; ++x0)
            XPutPixel(ximage, x0, y, PixelOf(from[x0]));
    }
    const Pixmap pixmap = XCreatePixmap(x.display, window, image.width, image.height, depth);
    XPutImage(x.display, pixmap, TheWindow().gc, ximage, 0, 0, 0, 0, image.width, image.height);
    ximage->data = nullptr;
    XDestroyImage(ximage);
    return pixmap;
}

}  // namespace x11
