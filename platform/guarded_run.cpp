#include "platform/guarded_run.h"

#include <exception>

namespace psa {

bool runGuarded(Dialogs &dialogs, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &) {
        dialogs.inform(kUnexpectedErrorMessage, kUnexpectedErrorTitle);
        return false;
    }
}

} // namespace psa
