// Tells the vellory kitten where the pointer is: GNOME Shell 43 and 44 (legacy imports,
// init/enable/disable). make-extensions.sh makes extension.js of this frame and
// ../pointer-relay.js, which it puts in at the line that names it.
/* exported init */
'use strict';

const {Gio, GLib, GObject, Meta} = imports.gi;
const Main = imports.ui.main;
const ExtensionBase = class {};

// NOTE: GNOME 44 also offers global.backend.get_cursor_tracker(); 43 only the display's.
function CursorTracker() {
    if (global.backend && global.backend.get_cursor_tracker)
        return global.backend.get_cursor_tracker();
    return Meta.CursorTracker.get_for_display(global.display);
}

// The Xwayland of GNOME 43 and 44 does not pass the input shape on (FacePicker).
const PassPressesBesideTheFace = true;

//@include pointer-relay.js

function init() {
    return new PointerRelay();
}
