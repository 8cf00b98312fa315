// For vellory's tests only (tests/wayland/gnome-session.sh installs it): tells the tests
// where GNOME Shell's own pointer is, in the stage's coordinates (logical pixels, or
// device pixels in mutter's physical layout), so that a test need not trust its mover.
import Gio from 'gi://Gio';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const Path = '/org/vellory/TestProbe';
const Interface = `<node><interface name="org.vellory.TestProbe">
  <method name="Pointer"><arg type="i" direction="out"/><arg type="i" direction="out"/></method>
</interface></node>`;

export default class extends Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(Interface, {
            Pointer() {
                const [x, y] = global.get_pointer();
                return [x, y];
            },
        });
        this._object.export(Gio.DBus.session, Path);
    }

    disable() {
        this._object.unexport();
        this._object = null;
    }
}
