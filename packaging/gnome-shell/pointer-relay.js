// The GNOME Shell extension's logic, one copy for both variants: make-extensions.sh puts
// it into each variant's frame.js, which brings the imports (Gio, GLib, GObject, Main),
// ExtensionBase, CursorTracker(), PassPressesBesideTheFace and the entry point the
// variant's shell looks for.
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
        this._picker = null;
        this._pickerHandler = 0;
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
            if (PassPressesBesideTheFace) {
                this._picker = new FacePicker(owner);
                this._pickerHandler = this._tracker.connect('position-invalidated',
                    () => this._picker.follow());
            }
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
        if (this._pickerHandler)
            this._tracker.disconnect(this._pickerHandler);
        if (this._picker)
            this._picker.destroy();
        this._picker = null;
        this._pickerHandler = 0;
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

// GNOME Shell 43 and 44 give a press on an X11 window to the window if it lies anywhere in
// its square: the Xwayland of their day does not pass the input shape on. So while the
// pointer is in the kitten's square but off its face, the kitten's surface takes no
// input, and a press there reaches the window below, which keeps the focus. The face's
// shape comes from the kitten (Outline), asked again each time the pointer comes into the
// square: a new display scale gives a new one.
class FacePicker {
    constructor(owner) {
        this._owner = owner;
        this._description = null;  // the shell's name of the kitten's X11 window, "0x..."
        this._rects = null;  // the face, [x, y, width, height, ...] in window pixels
        this._actor = null;
        this._inSquare = false;
        this._offFace = false;
        this._fetching = false;
        this._cancellable = new Gio.Cancellable();
        this._fetch();
    }

    destroy() {
        this._cancellable.cancel();
        this._setOffFace(false);
        this._actor = null;
    }

    // The kitten may not show its shaped window yet when it is first asked: ask until it
    // does.
    follow() {
        const actor = this._findActor();
        if (actor === null) {
            this._fetch();
            return;
        }
        const inSquare = this._pick(actor);
        if (inSquare && !this._inSquare)
            this._fetch();
        this._inSquare = inSquare;
    }

    // Whether the pointer is in the kitten's square; there, off the face, the kitten's
    // surface takes no input.
    _pick(actor) {
        const [x, y] = global.get_pointer();
        const square = actor.get_meta_window().get_buffer_rect();
        const px = x - square.x, py = y - square.y;
        const inSquare = px >= 0 && py >= 0 && px < square.width && py < square.height;
        this._setOffFace(inSquare && this._rects !== null && !this._onFace(px, py));
        return inSquare;
    }

    _onFace(px, py) {
        const r = this._rects;
        for (let i = 0; i + 3 < r.length; i += 4) {
            if (px >= r[i] && py >= r[i + 1] && px < r[i] + r[i + 2] && py < r[i + 1] + r[i + 3])
                return true;
        }
        return false;
    }

    // NOTE: mutter 43 keeps the pointer's surface while the pointer stays within the one
    // it picked last, whatever turns reactive under it; a relayout makes it pick again.
    _setOffFace(offFace) {
        if (offFace === this._offFace || this._actor === null)
            return;
        this._offFace = offFace;
        for (const child of this._actor.get_children()) {
            child.reactive = !offFace;
            child.queue_relayout();
        }
    }

    _findActor() {
        if (this._actor !== null || this._description === null)
            return this._actor;
        const actor = global.get_window_actors().find(a => {
            const window = a.get_meta_window();
            return window !== null && window.get_description() === this._description;
        });
        if (actor === undefined)
            return null;
        this._actor = actor;
        actor.connect('destroy', () => {
            this._actor = null;
            this._offFace = false;
        });
        return actor;
    }

    _fetch() {
        if (this._fetching)
            return;
        this._fetching = true;
        Gio.DBus.session.call(this._owner, RelayPath, RelayInterface, 'Outline', null,
            new GLib.VariantType('(uai)'), Gio.DBusCallFlags.NO_AUTO_START, 1000,
            this._cancellable, (connection, result) => {
                this._fetching = false;
                try {
                    const [window, rects] = connection.call_finish(result).deepUnpack();
                    const description = `0x${window.toString(16)}`;
                    if (description !== this._description) {
                        this._setOffFace(false);
                        this._actor = null;
                    }
                    // Until it is shaped, the kitten's window is as good as none.
                    const shaped = window !== 0 && rects.length > 0;
                    this._description = shaped ? description : null;
                    this._rects = shaped ? rects : null;
                    const actor = this._findActor();
                    if (actor !== null)
                        this._pick(actor);
                } catch (e) {
                    if (!e.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        console.error('vellory pointer relay: no outline', e);
                }
            });
    }
}
