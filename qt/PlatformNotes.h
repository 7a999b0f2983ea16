#pragma once

#include <QString>

namespace platform::qt {

// True for a note that a window system plugin gives about a feature it lacks and that changes
// nothing for the user: the offscreen plugin's "This plugin does not support
// propagateSizeHints()" each time a dialog fixes its size.
bool isPlatformNote(const QString& message);

// From now on, such notes are not written to stderr; every other message is, as before.
void dropPlatformNotes();

}  // namespace platform::qt
