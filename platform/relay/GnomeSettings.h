// What the user's GNOME set-up says about an extension, for the GNOME start-up step
// (GnomeExtension.cpp): whether its files are installed, and whether the user turned it
// off (the gsetting org.gnome.shell disabled-extensions, which wins over enabling).
#pragma once

namespace relay {

// Whether <uuid>/metadata.json is in a folder the shell searches for extensions
// ($XDG_DATA_HOME and $XDG_DATA_DIRS, under gnome-shell/extensions).
bool ExtensionInstalled(const char* uuid);

// Whether the user's disabled-extensions list names the extension; false when the list
// cannot be read (gsettings missing, or no answer within two seconds).
bool UserDisabledExtension(const char* uuid);

}  // namespace relay
