#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "heading/Callbacks.h"
#include "publish/SpoolRecords.h"

namespace publish {

// The minutes the broker has not yet acknowledged, kept on disk so that neither a broker away
// for days nor a restart of the program loses one. Bounded: past kMaxMinutes the oldest go
// first, counted and said once. Not thread-safe: its owner serialises the calls.
class Spool {
  public:
    static constexpr std::size_t kMaxMinutes = 7 * 24 * 60;

    struct Entry {
        std::int64_t time = 0;
        std::string payload;
        int mid = 0;  // the message id the client gave it while handed to the client; 0 before
    };

    // Opens the spool at path (creating it), taking a lock beside it so that no other process
    // writes it, and reads what an earlier run left: damaged lines are counted and said. The
    // error in words when it cannot be opened or is in use.
    static std::optional<std::string> open(const std::string& path, heading::Warn tell,
                                           std::size_t maxMinutes, Spool& spool);

    Spool() = default;
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    // Appends the minute's line; the line is put on the disk by whoever takes the sync.
    void add(std::int64_t time, std::string payload);
    // When a minute was added since the last call: a descriptor of the file (the caller's to
    // sync, off the main thread, and close); otherwise -1.
    int takeSync();
    // Done with the entry at index (acknowledged): it goes from memory and, in a line, from disk.
    void remove(std::size_t index);

    // The file is rewritten with what waits alone when it holds much more, or after a write
    // failed. In three steps, so that the slow one runs on a thread of its own: begin (under the
    // owner's lock: what the file is to hold), write (without it: a new file beside the spool,
    // synced; its descriptor, or -errno), finish (under the lock: the lines written meanwhile go
    // after it, and it takes the spool's place).
    bool compactDue() const;
    std::string beginRewrite();
    static int writeRewrite(const std::string& path, const std::string& text,
                            std::string& temporary);
    void finishRewrite(int fd, const std::string& temporary);

    std::deque<Entry>& entries() { return entries_; }
    const std::deque<Entry>& entries() const { return entries_; }
    std::size_t depth() const { return entries_.size(); }
    std::size_t capacity() const { return max_; }
    // Minutes dropped for the bound, by this run or left out of the file at start.
    std::uint64_t dropped() const { return dropped_; }
    const std::string& path() const { return path_; }

  private:
    void append(const std::string& record);
    // Writes what is waiting afresh, whole or not at all, and appends from there (at open).
    void compact();
    void writeFailed(const char* step, int error);

    std::string path_;
    heading::Warn tell_;
    std::size_t max_ = kMaxMinutes;
    std::deque<Entry> entries_;
    int fd_ = -1;
    int lockFd_ = -1;
    std::size_t records_ = 0;  // lines in the file now
    std::uint64_t dropped_ = 0;
    bool toldDrop_ = false;
    bool toldWrite_ = false;
    bool dirty_ = false;
    bool syncDue_ = false;
    bool compactDue_ = false;
    bool rewriting_ = false;
    std::string tail_;  // lines written since the rewrite began
    std::size_t tailRecords_ = 0;
    std::size_t rewriteRecords_ = 0;  // the file lacks a line: rewritten whole at the next change
};

// The folder of the spool: the station's folder when there is one, else $XDG_STATE_HOME/fluxprobe
// (~/.local/state/fluxprobe).
std::string spoolFolder(const std::string& stationFolder);

}  // namespace publish
