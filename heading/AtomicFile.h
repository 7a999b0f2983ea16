#pragma once

#include <string>
#include <string_view>

namespace heading {

// Writes data to path as a whole or not at all: into a new temporary file beside it (created
// exclusively, so nothing already there is written through, not even a symlink), synced, then
// put in place. With Existing::Replace the file takes the place of anything at path; with
// Existing::Refuse an existing path fails with EEXIST. The file gets the usual permissions of a
// new file (0666 less the umask). Returns 0, or the errno of the step that failed; no temporary
// file is left behind either way.
enum class Existing { Replace, Refuse };
int writeFileAtomically(const std::string& path, std::string_view data, Existing existing);

// Removes what a write stopped half-way (a killed process) left beside path: regular files of
// ours, named as its temporaries are and older than minimumAgeSeconds, so that a write going on
// now in another process keeps its own.
void removeStaleTemporaries(const std::string& path, int minimumAgeSeconds = 60);

}  // namespace heading
