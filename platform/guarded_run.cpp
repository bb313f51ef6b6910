#include "platform/guarded_run.h"

#include <exception>

namespace psa {

bool RunGuarded(Dialogs &dialogs, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &) {
        dialogs.Inform(kUnexpectedErrorMessage, kUnexpectedErrorTitle);
        return false;
    }
}

} // namespace psa
