#pragma once

#include <QString>

namespace platform::qt {

// Keeps the audio system's complaints to one per run. Without an audio output every attempt to
// open one (each alarm, or each retry) would have Qt's audio backend warn again, in the middle of
// the per-sample log. The first audio warning passes; an audio warning seen before is dropped.
// Every other message goes on to the handler that was in place. Installed once per process.
void keepAudioWarningsToOne();

// Whether a message of the given logging category and text comes from the audio system.
bool isAudioWarning(const char* category, const QString& message);

}  // namespace platform::qt
