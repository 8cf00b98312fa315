// Tells the vellory kitten where the pointer is: GNOME Shell 45 and later (ES modules).
// make-extensions.sh makes extension.js of this frame and ../pointer-relay.js, which it
// puts in at the line that names it.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import GObject from 'gi://GObject';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension as ExtensionBase} from 'resource:///org/gnome/shell/extensions/extension.js';

function CursorTracker() {
    return global.backend.get_cursor_tracker();
}

// GNOME 48 and later, tried with Xwayland 24.1 and later, which pass the input shape on.
const PassPressesBesideTheFace = false;

//@include pointer-relay.js

export default PointerRelay;
