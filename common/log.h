// The suite's log: one line on standard error (the session keeps it), named by the program that
// says it ("panelia: …", "glyphdeck: …"), also from code that several programs share.
#pragma once

namespace panelia {

// printf-style; the line's end is added. Whole lines: lines of two threads never mix.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace panelia
