// Decoding of the image files the program carries as artwork, in the layouts that our
// generator (tools/DrawArtwork.cpp) writes them: a Windows bitmap (.bmp), an icon (.ico)
// and the picture's renderings at other display scales (.rows, tools/artwork/FaceRows.h
// gives the layout). The decoders take
// untrusted bytes: anything malformed, truncated, larger than
// kMaxImageSide on a side or in another layout gives std::nullopt, never a crash or a
// huge allocation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/Native.h"
#include "platform/Scaling.h"

namespace runtime {

constexpr std::int32_t kMaxImageSide = 4096;

// An uncompressed (BI_RGB) bitmap of 24 or 32 bits per pixel, bottom-up or top-down.
// The result has no mask (`opaque` empty).
std::optional<native::Image> DecodeBmp(std::span<const std::uint8_t> bytes);

// An icon file of exactly one image of 16 colours: 4 bits per pixel, a palette of 16
// and an AND mask. `opaque` holds 255 where the pixel shows and 0 where the mask makes it
// transparent. Several images, other depths and PNG images are refused.
std::optional<native::Image> DecodeIco(std::span<const std::uint8_t> bytes);

// A picture in face rows: each row's runs of face pixels, the rest the key colour. The
// result has no mask; `face`, when given, receives the runs.
std::optional<native::Image> DecodeFaceRows(std::span<const std::uint8_t> bytes,
                                            scaling::FaceMask* face = nullptr);

}  // namespace runtime
