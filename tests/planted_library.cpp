// A stand-in for a library that someone leaves among a user's record files, named like Qt's widgets library.
// Built as a filter of the real library, it passes every call on to it, so that a program that loads it runs
// as usual; when it is loaded it leaves a file named "planted-library-ran" in the current folder.
#include <cstdio>

namespace {
[[gnu::constructor]] void leaveMark()
{
    if (std::FILE *mark = std::fopen("planted-library-ran", "w")) {
        std::fputs("the planted library ran\n", mark);
        std::fclose(mark);
    }
}
} // namespace
