#pragma once

#include "platform/toolkit.h"

#include <functional>
#include <string_view>

namespace psa {

inline constexpr std::u16string_view kUnexpectedErrorMessage
    = u"予期しないエラーが起きたため、この操作を中止しました。";
inline constexpr std::u16string_view kUnexpectedErrorTitle = u"エラー";

// Runs one action the user started (a button, a typed cell, the file named at start-up, an export). An
// exception that escapes it gives up that action only: the user is told once, and the records typed so far
// stay where they are. Returns whether the action ran to its end.
bool runGuarded(Dialogs &dialogs, const std::function<void()> &action);

} // namespace psa
