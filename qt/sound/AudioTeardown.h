#pragma once

namespace platform::qt {

// Qt's PulseAudio engine, once started, is torn down among the process's static destructors,
// and that teardown can abort inside the PulseAudio library after all our work is done: a run
// that did everything right would end with a crash status. So a process that started the audio
// engine leaves without static teardown, once its own objects are gone and its output flushed.

// Noted before anything asks Qt for an audio device.
void noteAudioEngineStarted();

// Returns status where no audio engine was started; otherwise flushes every stream, runs the
// leak check a sanitized build would have run at exit, and ends the process with status.
int leaveAfterAudio(int status);

}  // namespace platform::qt
