// The relay's Outline method: the window and its input shape, for a compositor side that
// passes presses beside the face on itself (the GNOME Shell extension under GNOME 43 and
// 44, whose Xwayland before 24.1 never tells the shell of our input shape).
#include <cstdint>
#include <vector>

#include "platform/relay/Compositors.h"
#include "platform/relay/DBusLibrary.h"
#include "platform/relay/Relay.h"

namespace relay {

// Outline() -> (uint32 window, int32 array x, y, width, height, ... in window pixels).
DBusMessage* OutlineReply(DBusMessage* call) {
    const DBusLibrary& dbus = DBus();
    const Outline outline = HostOutline();
    std::vector<std::int32_t> flat;
    flat.reserve(outline.inputShape.size() * 4);
    for (const native::Rect& r : outline.inputShape)
        flat.insert(flat.end(), {r.left, r.top, r.right - r.left, r.bottom - r.top});
    DBusMessage* reply = dbus.message_new_method_return(call);
    if (reply == nullptr) return nullptr;
    const dbus_uint32_t window = outline.window;
    // NOTE: libdbus aborts on a null array, which an empty vector may give (no shape yet).
    static constexpr std::int32_t Nothing = 0;
    const std::int32_t* values = flat.empty() ? &Nothing : flat.data();
    const int count = static_cast<int>(flat.size());
    if (!dbus.message_append_args(reply, DBUS_TYPE_UINT32, &window, DBUS_TYPE_ARRAY,
                                  DBUS_TYPE_INT32, &values, count, DBUS_TYPE_INVALID)) {
        dbus.message_unref(reply);
        return nullptr;
    }
    return reply;
}

}  // namespace relay
