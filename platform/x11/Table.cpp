// The X11 backend's table, for the Linux program's dispatcher (platform/linux/Dispatch.cpp).
#include "platform/x11/X11Platform.h"

namespace x11::api {

const Backend Table = {
    .name = "x11",
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

}  // namespace x11::api
