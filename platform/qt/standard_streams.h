#pragma once

namespace psa {

// Which of standard input, output and error the program was started without.
struct ClosedStandardStreams {
    bool input = false;
    bool output = false;
    bool error = false;
};

// Opens each of the three standard streams that was closed at start on /dev/null, so that no file the
// program opens later is given its number and receives what is written to the stream. Returns which were
// closed, for a task whose output has nowhere to go. Call it first, before anything opens a file.
[[nodiscard]] ClosedStandardStreams openClosedStandardStreams();

} // namespace psa
