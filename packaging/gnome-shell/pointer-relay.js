// The GNOME Shell extension's logic, one copy for both variants: make-extensions.sh puts
// it into each variant's frame.js, which brings the imports (Gio, GLib, GObject, Main),
// ExtensionBase, CursorTracker() and the entry point the variant's shell looks for.
// Tells the vellory kitten where the pointer is. The kitten is an X11 window on Xwayland
// and sees the pointer only over X11 windows; this sends it the shell's own pointer over
// the session bus while, and only while, the kitten owns org.vellory.PointerRelay. At
// rest it has no timer and nothing of it runs.

const RelayName = 'org.vellory.PointerRelay';
const RelayPath = '/org/vellory/PointerRelay';
const RelayInterface = 'org.vellory.PointerRelay';
// The kitten looks at the pointer every 70 ms: more places than one a look cost the shell
// and change nothing the user sees.
const LookMilliseconds = 70;

class PointerRelay extends ExtensionBase {
    enable() {
        this._owner = null;
        this._tracker = null;
        this._trackerHandler = 0;
        this._monitorsHandler = 0;
        this._lookTimer = 0;
        this._sent = null;  // the last place sent, [x, y]
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
            console.error('vellory pointer relay: cannot follow the pointer', e);
            return;
        }
        this._sendScreen();
    }

    _onRelayVanished() {
        if (this._lookTimer)
            GLib.source_remove(this._lookTimer);
        if (this._trackerHandler)
            this._tracker.disconnect(this._trackerHandler);
        if (this._monitorsHandler)
            Main.layoutManager.disconnect(this._monitorsHandler);
        this._lookTimer = 0;
        this._trackerHandler = 0;
        this._monitorsHandler = 0;
        this._tracker = null;
        this._owner = null;
        this._sent = null;
    }

    // A move after a still moment goes at once. Then the tracker's signal is blocked (no
    // call per input event) and a timer sends the latest place once a look while it
    // changes; the first look that finds it unchanged ends the timer and listens again.
    _onPointerMoved() {
        this._sendPointer(false);
        GObject.signal_handler_block(this._tracker, this._trackerHandler);
        this._lookTimer = GLib.timeout_add(GLib.PRIORITY_DEFAULT, LookMilliseconds, () => {
            if (this._sendPointer(false))
                return GLib.SOURCE_CONTINUE;
            this._lookTimer = 0;
            GObject.signal_handler_unblock(this._tracker, this._trackerHandler);
            return GLib.SOURCE_REMOVE;
        });
    }

    // The logical size, then the place: the kitten forgets a place measured against
    // another size. Monitors added, removed, moved or scaled change the size.
    _sendScreen() {
        const [width, height] = global.display.get_size();
        this._send('Screen', width, height);
        this._sendPointer(true);
    }

    // Whether a place was sent: only a new one, unless `always`.
    _sendPointer(always) {
        const [x, y] = global.get_pointer();
        if (!always && this._sent !== null && this._sent[0] === x && this._sent[1] === y)
            return false;
        this._sent = [x, y];
        this._send('Pointer', x, y);
        return true;
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
            console.error(`vellory pointer relay: ${method} not sent`, e);
        }
    }
}
