#include "platform/qt/standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace psa {

namespace {

// Open, or else opened now on /dev/null (which takes the lowest free number, this one, as the lower ones
// are open already); true when it had been closed.
bool reopenIfClosed(int descriptor)
{
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
        return false;
    const int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
    if (opened >= 0 && opened != descriptor) {
        ::dup2(opened, descriptor);
        ::close(opened);
    }
    return true;
}

} // namespace

ClosedStandardStreams openClosedStandardStreams()
{
    ClosedStandardStreams closed;
    closed.input = reopenIfClosed(STDIN_FILENO);
    closed.output = reopenIfClosed(STDOUT_FILENO);
    closed.error = reopenIfClosed(STDERR_FILENO);
    return closed;
}

} // namespace psa
