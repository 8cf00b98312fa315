// Tells the vellory kitten where the pointer is (GNOME Shell 43 and 44, legacy imports).
// The kitten is an X11 window on Xwayland and sees the pointer only over X11 windows; this
// extension sends it the shell's own pointer over the session bus while, and only while,
// the kitten owns org.vellory.PointerRelay. At rest it has no timer and no connection
// to the cursor tracker. The same code, as an ES module, is eyes-relay@vellory (45+).
/* exported init */
'use strict';

const {Gio, GLib, Meta} = imports.gi;
const Main = imports.ui.main;

const RelayName = 'org.vellory.PointerRelay';
const RelayPath = '/org/vellory/PointerRelay';
const RelayInterface = 'org.vellory.PointerRelay';
const BurstMilliseconds = 16; // at most one Pointer call per frame of a 60 Hz screen

class PointerRelay {
    enable() {
        this._owner = null;
        this._tracker = null;
        this._trackerHandler = 0;
        this._monitorsHandler = 0;
        this._burstTimer = 0;
        this._movedDuringBurst = false;
        this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, RelayName,
            Gio.BusNameWatcherFlags.NONE,
            (_connection, _name, owner) => this._onRelayAppeared(owner),
            () => this._onRelayVanished());
    }

    disable() {
        if (this._owner !== null)
            this._send('Screen', 0, 0);
        this._onRelayVanished();
        Gio.bus_unwatch_name(this._watch);
        this._watch = 0;
    }

    _onRelayAppeared(owner) {
        this._onRelayVanished();
        this._owner = owner;
        try {
            this._tracker = CursorTracker();
            this._trackerHandler = this._tracker.connect('position-invalidated',
                () => this._onPointerMoved());
            this._monitorsHandler = Main.layoutManager.connect('monitors-changed',
                () => this._sendScreen());
        } catch (e) {
            logError(e, 'vellory pointer relay: cannot follow the pointer');
            return;
        }
        this._sendScreen();
        this._sendPointer();
    }

    _onRelayVanished() {
        if (this._trackerHandler)
            this._tracker.disconnect(this._trackerHandler);
        if (this._monitorsHandler)
            Main.layoutManager.disconnect(this._monitorsHandler);
        if (this._burstTimer)
            GLib.source_remove(this._burstTimer);
        this._trackerHandler = 0;
        this._monitorsHandler = 0;
        this._burstTimer = 0;
        this._tracker = null;
        this._owner = null;
    }

    // The first move of a burst goes at once; later ones wait for the timer, which sends
    // the latest place and stops after a quiet period.
    _onPointerMoved() {
        if (this._burstTimer) {
            this._movedDuringBurst = true;
            return;
        }
        this._sendPointer();
        this._movedDuringBurst = false;
        this._burstTimer = GLib.timeout_add(GLib.PRIORITY_DEFAULT, BurstMilliseconds, () => {
            if (this._movedDuringBurst) {
                this._movedDuringBurst = false;
                this._sendPointer();
                return GLib.SOURCE_CONTINUE;
            }
            this._burstTimer = 0;
            return GLib.SOURCE_REMOVE;
        });
    }

    _sendScreen() {
        const [width, height] = global.display.get_size();
        this._send('Screen', width, height);
    }

    _sendPointer() {
        const [x, y] = global.get_pointer();
        this._send('Pointer', x, y);
    }

    // A call that expects no reply: the kitten's answers would only cost the shell.
    _send(method, first, second) {
        try {
            const message = Gio.DBusMessage.new_method_call(this._owner, RelayPath,
                RelayInterface, method);
            message.set_body(new GLib.Variant('(ii)', [first, second]));
            message.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED |
                Gio.DBusMessageFlags.NO_AUTO_START);
            Gio.DBus.session.send_message(message, Gio.DBusSendMessageFlags.NONE);
        } catch (e) {
            logError(e, `vellory pointer relay: ${method} not sent`);
        }
    }
}

// NOTE: GNOME 44 also offers global.backend.get_cursor_tracker(); 43 only the display's.
function CursorTracker() {
    if (global.backend && global.backend.get_cursor_tracker)
        return global.backend.get_cursor_tracker();
    return Meta.CursorTracker.get_for_display(global.display);
}

function init() {
    return new PointerRelay();
}
