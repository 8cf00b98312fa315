// The window's pixels in wl_shm buffers: two (three while the compositor holds on to
// both), each in a memfd of its own. A frame draws into a buffer the compositor has
// released, first bringing it up to date with the one shown (Buffer::stale), and commits
// it with the damage of what the frame painted: the eyes' few rows each tick.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/wayland/Pixels.h"
#include "platform/wayland/WaylandPlatform.h"

namespace wayland {
namespace {

constexpr std::size_t MostBuffers = 3;

native::Rect Union(const native::Rect& a, const native::Rect& b) {
    if (a.left >= a.right || a.top >= a.bottom) return b;
    if (b.left >= b.right || b.top >= b.bottom) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool Empty(const native::Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

const wl_buffer_listener BufferListener = {
    .release =
        [](void* data, wl_buffer*) {
            WindowState& w = TheWindow();
            const auto index = reinterpret_cast<std::uintptr_t>(data);
            if (index < w.buffers.size()) w.buffers[index].busy = false;
        },
};

bool MakeBuffer(Buffer& buffer, std::size_t index) {
    const WindowState& w = TheWindow();
    const std::int32_t stride = w.content.width * 4;
    buffer.bytes = std::size_t(stride) * w.content.height;
    const int fd = memfd_create("vellory", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, static_cast<off_t>(buffer.bytes)) != 0) {
        close(fd);
        return false;
    }
    void* memory = mmap(nullptr, buffer.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(W().shm, fd, static_cast<std::int32_t>(buffer.bytes));
    buffer.buffer = wl_shm_pool_create_buffer(pool, 0, w.content.width, w.content.height, stride,
                                              WL_SHM_FORMAT_ARGB8888);
    // NOTE: the buffer keeps the pool's memory; neither the pool nor the descriptor is
    // needed once it exists.
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer.buffer, &BufferListener, reinterpret_cast<void*>(index));
    buffer.pixels = static_cast<std::uint32_t*>(memory);
    return true;
}

void FreeBuffer(Buffer& buffer) {
    if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
    if (buffer.pixels != nullptr) munmap(buffer.pixels, buffer.bytes);
    buffer = Buffer{};
}

// Brings a buffer up to date: drawn from the content, or the stale part copied from the
// buffer shown last.
void Refresh(Buffer& buffer) {
    WindowState& w = TheWindow();
    const std::int32_t width = w.content.width;
    if (buffer.compose || w.front < 0) {
        Compose(w.content, w.coverage, buffer.pixels, width);
    } else if (!Empty(buffer.stale)) {
        const Buffer& shown = w.buffers[w.front];
        const auto columns = std::size_t(buffer.stale.right - buffer.stale.left);
        for (std::int32_t y = buffer.stale.top; y < buffer.stale.bottom; ++y) {
            const std::size_t at = std::size_t(y) * width + buffer.stale.left;
            std::memcpy(buffer.pixels + at, shown.pixels + at, columns * 4);
        }
    }
    buffer.compose = false;
    buffer.stale = {};
}

// A buffer the compositor does not hold, made when there is none; -1 when all are held.
int FreeIndex() {
    WindowState& w = TheWindow();
    for (std::size_t i = 0; i < w.buffers.size(); ++i)
        if (!w.buffers[i].busy && int(i) != w.front) return int(i);
    if (w.front >= 0 && !w.buffers[w.front].busy) return w.front;
    if (w.buffers.size() >= MostBuffers) return -1;
    w.buffers.emplace_back();
    if (!MakeBuffer(w.buffers.back(), w.buffers.size() - 1)) {
        w.buffers.pop_back();
        return -1;
    }
    return int(w.buffers.size() - 1);
}

}  // namespace

std::uint32_t* BackPixels() {
    WindowState& w = TheWindow();
    if (w.content.width <= 0 || w.content.height <= 0) return nullptr;
    if (w.back < 0) {
        w.back = FreeIndex();
        if (w.back < 0) return nullptr;  // NOTE: the compositor holds every buffer: no frame
        Refresh(w.buffers[w.back]);
    }
    return w.buffers[w.back].pixels;
}

void Present(bool whole) {
    WindowState& w = TheWindow();
    if (w.surface == nullptr || !w.configured) return;
    if (whole) {
        if (BackPixels() == nullptr) return;
        w.damage = {0, 0, w.content.width, w.content.height};
    }
    if (w.back < 0 || Empty(w.damage)) return;
    Buffer& buffer = w.buffers[w.back];
    wl_surface_attach(w.surface, buffer.buffer, 0, 0);
    wl_surface_damage_buffer(w.surface, w.damage.left, w.damage.top, w.damage.right - w.damage.left,
                             w.damage.bottom - w.damage.top);
    wl_surface_commit(w.surface);
    buffer.busy = true;
    for (std::size_t i = 0; i < w.buffers.size(); ++i)
        if (int(i) != w.back) w.buffers[i].stale = Union(w.buffers[i].stale, w.damage);
    w.front = w.back;
    w.back = -1;
    w.damage = {};
    w.mapped = true;
}

void ComposeAgain() {
    WindowState& w = TheWindow();
    for (Buffer& buffer : w.buffers) buffer.compose = true;
    w.back = -1;
    w.damage = {};
    // NOTE: without a tick the eyes would stay the picture's own until the pointer moved;
    // and without cursor sessions it may never move where the kitten sees it.
    PaintAgain();
}

void CopyToAllStale() {
    WindowState& w = TheWindow();
    for (std::size_t i = 0; i < w.buffers.size(); ++i)
        if (int(i) != w.front) w.buffers[i].stale = {0, 0, w.content.width, w.content.height};
    w.back = -1;
    w.damage = {};
}

void DropBuffers() {
    WindowState& w = TheWindow();
    for (Buffer& buffer : w.buffers) FreeBuffer(buffer);
    w.buffers.clear();
    w.front = w.back = -1;
    w.damage = {};
}

}  // namespace wayland

namespace wayland::api {

void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count) {
    WindowState& w = TheWindow();
    if (window == 0 || !w.exists || count == 0) return;
    std::uint32_t* pixels = BackPixels();
    if (pixels == nullptr) return;
    const Rect touched = PaintSpans(pixels, w.content.width, w.content.height, w.content.width,
                                    colour, spans, count);
    w.damage = Union(w.damage, touched);
}

// The frame the tick painted, in one commit.
void Flush() {
    WindowState& w = TheWindow();
    if (w.exists && w.shown && !w.mapped && !Posted(EventKind::ScaleChanged))
        Present(true);  // the first picture, once its scale is settled
    else if (w.mapped)
        Present(false);
    if (wl_display_flush(W().display) < 0 && errno != EAGAIN)
        Fail("lost the connection to the Wayland compositor");
}

}  // namespace wayland::api
