// The Wayland backend's table, for the Linux program's dispatcher
// (platform/linux/Dispatch.cpp).
#include "platform/wayland/WaylandPlatform.h"

namespace wayland::api {

const Backend Table = {
    .name = "wayland",
    .Open = Open,
    .SessionName = SessionName,
    .Close = Close,
    .RefreshScreens = RefreshScreens,
    .PrimaryScreenSize = PrimaryScreenSize,
    .ScreenAreas = ScreenAreas,
    .Monitors = Monitors,
    .WindowScale = WindowScale,
    .CreateHiddenWindow = CreateHiddenWindow,
    .MoveWindow = MoveWindow,
    .GetWindowRect = GetWindowRect,
    .GetClientOrigin = GetClientOrigin,
    .ShowWindow = ShowWindow,
    .DestroyWindow = DestroyWindow,
    .SetContent = SetContent,
    .SetTopmost = SetTopmost,
    .SetShape = SetShape,
    .FillSpans = FillSpans,
    .Flush = Flush,
    .GetPointer = GetPointer,
    .ReleaseCapture = ReleaseCapture,
    .BeginMove = BeginMove,
    .StartTimer = StartTimer,
    .WaitEvent = WaitEvent,
    .SetModalEventHandler = SetModalEventHandler,
};

}  // namespace wayland::api
