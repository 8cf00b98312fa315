// vellory's pointer relay inside KWin: loaded by the program over the session bus and
// unloaded when it ends. Tells the program the desktop's logical size, again whenever the
// layout or an output's scale changes, and the pointer's place: a move after a still
// moment at once, then the latest place once a look of the kitten's (70 ms) while it
// changes. Nothing runs while the pointer rests.
var service = "org.vellory.PointerRelay";
var path = "/org/vellory/PointerRelay";
var lookMilliseconds = 70;
var sent = null;  // the last place sent

// Whether a place was sent: only a new one, unless `always`.
function sendPointer(always) {
    var place = workspace.cursorPos;
    if (!always && sent !== null && sent.x === place.x && sent.y === place.y)
        return false;
    sent = {x: place.x, y: place.y};
    callDBus(service, path, service, "Pointer", place.x, place.y);
    return true;
}

// While the timer runs, cursorPosChanged is not listened to: no call per input event.
var look = new QTimer();
look.interval = lookMilliseconds;
look.singleShot = true;
look.timeout.connect(function () {
    if (sendPointer(false))
        look.start();
    else
        workspace.cursorPosChanged.connect(onMoved);
});

function onMoved() {
    workspace.cursorPosChanged.disconnect(onMoved);
    sendPointer(false);
    look.start();
}

// NOTE: KWin 6 has no displayWidth/displayHeight; virtualScreenSize is in 5.27 and 6. A
// place measured against the old size means nothing to the program: the place follows.
function sendScreen() {
    var size = workspace.virtualScreenSize;
    callDBus(service, path, service, "Screen", size.width, size.height);
    sendPointer(true);
}

// NOTE: KWin 6 lists its outputs (workspace.screens, screensChanged) and tells their scale
// changes; 5.27 has neither, only the workspace's own signals.
var watched = [];
function watchOutputs() {
    var outputs = workspace.screens || [];
    for (var i = 0; i < outputs.length; ++i) {
        if (watched.indexOf(outputs[i]) >= 0 || !outputs[i].scaleChanged)
            continue;
        watched.push(outputs[i]);
        outputs[i].scaleChanged.connect(sendScreen);
        if (outputs[i].geometryChanged)
            outputs[i].geometryChanged.connect(sendScreen);
    }
}
["virtualScreenSizeChanged", "virtualScreenGeometryChanged", "screensChanged"].forEach(
    function (name) {
        if (workspace[name])
            workspace[name].connect(sendScreen);
    });
if (workspace.screensChanged)
    workspace.screensChanged.connect(watchOutputs);
watchOutputs();

sendScreen();  // and where the pointer rests now
workspace.cursorPosChanged.connect(onMoved);
