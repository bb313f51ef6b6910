#pragma once

#include <cstdint>
#include <map>

namespace psa {

// Which key events a window of the program may act on: a key acts only in the window in which it went down.
// So the Return that clicked 終了 and is still held does not answer the question that the click opened,
// neither with its repeats nor with its release, nor does a key held into a message dismiss it unseen: only
// a fresh press does. A key pressed in a dialog repeats there as usual (Backspace in the file name), but not
// into a box that the dialog opens in turn, nor back into the main window once the dialog has closed. A key
// already down when the object was made counts as pressed in no window. Modifier keys are keys like any other
// here; they press nothing by themselves.
//
// Windows are told apart by a number that no other window shown meanwhile has; keys by the toolkit's key
// code. Times are the events' times in milliseconds, or 0 where the system marks every repeat itself. Where
// it does not reliably (under X11 a held key sends pairs of a release and a press, which Qt now and then
// reports as real), a press at the very millisecond at which the same key came up is a repeat: a person
// cannot lift a key and press it again within one.
class DialogKeys {
public:
    // A key went down in `window`; `repeat` when the system marks it as the repeat of a held key. True when
    // the window may act on it.
    bool press(int key, std::uintptr_t window, bool repeat, unsigned long time = 0)
    {
        const auto released = m_releasedAt.find(key);
        if (!repeat && !(time != 0 && released != m_releasedAt.end() && released->second == time)) {
            m_pressedIn[key] = window;
            return true;
        }
        return wentDownIn(key, window);
    }

    // A key came up in `window`. True when the window may act on it: the key went down there.
    bool release(int key, std::uintptr_t window, unsigned long time = 0)
    {
        m_releasedAt[key] = time;
        return wentDownIn(key, window);
    }

private:
    [[nodiscard]] bool wentDownIn(int key, std::uintptr_t window) const
    {
        const auto found = m_pressedIn.find(key);
        return found != m_pressedIn.end() && found->second == window;
    }

    // The window in which each key last went down. A release keeps the entry: the same release may reach
    // several receivers one after another, and a key can only repeat or come up again after a press.
    std::map<int, std::uintptr_t> m_pressedIn;
    std::map<int, unsigned long> m_releasedAt; // when each key last came up
};

} // namespace psa
