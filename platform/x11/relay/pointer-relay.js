// vellory's pointer relay inside KWin: loaded by the program over the session bus and
// unloaded when it ends. Tells the program the desktop's logical size once, then the
// pointer's place at every move. Nothing runs while the pointer rests.
var service = "org.vellory.PointerRelay";
var path = "/org/vellory/PointerRelay";

function sendPointer() {
    var place = workspace.cursorPos;
    callDBus(service, path, service, "Pointer", place.x, place.y);
}

// NOTE: KWin 6 has no displayWidth/displayHeight; virtualScreenSize is in 5.27 and 6.
var size = workspace.virtualScreenSize;
callDBus(service, path, service, "Screen", size.width, size.height);
sendPointer();  // where the pointer rests now
workspace.cursorPosChanged.connect(sendPointer);
