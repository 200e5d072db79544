// The suite's log: one line on standard error (the session keeps it), named by the program that
// says it ("panelia: …", "glyphdeck: …"), also from code that several programs share.
#pragma once

namespace panelia {

// printf-style; the line's end is added. Whole lines: lines of two threads never mix.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A moment of the start-up, for the start-up benchmark: with PANELIA_STARTUP_TRACE naming a file,
// its first mark of each phase is appended there as "phase microseconds" on the monotonic clock
// (the benchmark's own). Without it, nothing is done.
void MarkStartup(const char* phase);

}  // namespace panelia
