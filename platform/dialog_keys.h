#pragma once

#include <cstdint>
#include <map>

namespace psa {

// Which keys a dialog of the program may act on while it is shown: a key acts only in the window in which it
// went down. So the Return that clicked 終了 and is still held does not answer the question that the click
// opened, neither with its repeats nor with its release, nor does a key held into a message dismiss it
// unseen: only a fresh press does. A key pressed in a dialog repeats there as usual (Backspace in the file
// name), but not into a box that the dialog opens in turn. Modifier keys are keys like any other here; they
// press nothing by themselves.
//
// One object serves one dialog, from just before it is shown until it has closed; a key already down when it
// was made counts as pressed in no window. Windows are told apart by a number unique among the windows shown
// meanwhile (a pointer or a handle); keys by the toolkit's key code.
class DialogKeys {
public:
    // A key went down in `window`; `repeat` when the system marks it as the repeat of a held key. True when
    // the window may act on it.
    bool press(int key, std::uintptr_t window, bool repeat)
    {
        if (!repeat) {
            m_pressedIn[key] = window;
            return true;
        }
        return wentDownIn(key, window);
    }

    // A key came up in `window`. True when the window may act on it: the key went down there.
    [[nodiscard]] bool release(int key, std::uintptr_t window) const { return wentDownIn(key, window); }

private:
    [[nodiscard]] bool wentDownIn(int key, std::uintptr_t window) const
    {
        const auto found = m_pressedIn.find(key);
        return found != m_pressedIn.end() && found->second == window;
    }

    // The window in which each key last went down. A release keeps the entry: the same release may reach
    // several receivers one after another, and a key can only repeat or come up again after a fresh press.
    std::map<int, std::uintptr_t> m_pressedIn;
};

} // namespace psa
