#include "platform/win32/win32_dialogs.h"

#include "platform/dialog_keys.h"

#include <commdlg.h>

#include <vector>

namespace psa {

namespace {

// The hook on the thread's messages, shared by every Win32Dialogs on it: each key down acts only in the
// window in which the key went down (DialogKeys), the window being the top-level one that the message is for.
// Windows marks every repeat (bit 30 of lParam), and each dialog is a window made afresh with a handle of its
// own. A key down that may not act is turned into WM_NULL before anything sees it, so that it neither
// presses a button nor leaves a character. Key-up messages all pass: here they press nothing by themselves
// (a button clicks on the release of a Space that went down in it), and an input method may need them. A
// message only peeked at is decided again, alike, when it is taken.
struct MessageHook {
    HHOOK hook = nullptr;
    int users = 0;
    DialogKeys keys;
};

MessageHook &messageHook()
{
    thread_local MessageHook hook;
    return hook;
}

LRESULT CALLBACK keyInItsWindow(int code, WPARAM removing, LPARAM data)
{
    MessageHook &state = messageHook();
    if (code == HC_ACTION) {
        MSG &message = *reinterpret_cast<MSG *>(data);
        const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
        const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
        if (down || up) {
            const HWND top = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : GetActiveWindow();
            const auto window = reinterpret_cast<std::uintptr_t>(top);
            const int key = int(message.wParam);
            const bool repeat = (message.lParam & (LPARAM(1) << 30)) != 0;
            if (up)
                state.keys.release(key, window);
            else if (!state.keys.press(key, window, repeat))
                message.message = WM_NULL;
        }
    }
    return CallNextHookEx(state.hook, code, removing, data);
}

std::wstring wide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

// Longer than any path the dialog can return on Windows with long paths enabled.
constexpr std::size_t kPathCapacity = 32768;

} // namespace

std::wstring CommonDialogFilter(std::u16string_view filter)
{
    std::vector<std::u16string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t bar = filter.find(u'|', start);
        parts.push_back(filter.substr(start, bar == std::u16string_view::npos ? bar : bar - start));
        if (bar == std::u16string_view::npos)
            break;
        start = bar + 1;
    }
    std::wstring out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        out += wide(parts[i]) + L'\0';
        out += wide(parts[i + 1]) + L'\0';
    }
    out += L'\0';
    return out;
}

Win32Dialogs::Win32Dialogs(HWND owner)
    : m_owner(owner)
{
    MessageHook &state = messageHook();
    if (state.users++ == 0)
        state.hook = SetWindowsHookExW(WH_GETMESSAGE, keyInItsWindow, nullptr, GetCurrentThreadId());
}

Win32Dialogs::~Win32Dialogs()
{
    MessageHook &state = messageHook();
    if (--state.users == 0 && state.hook) {
        UnhookWindowsHookEx(state.hook);
        state.hook = nullptr;
    }
}

std::u16string Win32Dialogs::ShowSave(const FileDialogRequest &request)
{
    const std::wstring filter = CommonDialogFilter(request.filter);
    std::wstring path(kPathCapacity, L'\0');
    OPENFILENAMEW dialog {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = DWORD(path.size());
    // No default extension: a name typed without one is used as typed. Loading reuses this dialog, and
    // choosing the file to read must not ask about replacing it.
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
        | (request.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0);
    if (!GetSaveFileNameW(&dialog))
        return {};
    path.resize(path.find(L'\0'));
    return std::u16string(path.begin(), path.end());
}

MsgBoxAnswer Win32Dialogs::askYesNo(std::u16string_view prompt, std::u16string_view title)
{
    const std::wstring text = wide(prompt);
    const std::wstring caption = wide(title);
    const int answer
        = MessageBoxW(m_owner, text.c_str(), caption.c_str(), MB_YESNO | MB_DEFBUTTON1 | MB_APPLMODAL);
    return answer == IDYES ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

void Win32Dialogs::inform(std::u16string_view message, std::u16string_view title)
{
    const std::wstring text = wide(message);
    const std::wstring caption = wide(title);
    MessageBoxW(m_owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING | MB_APPLMODAL);
}

void Win32Dialogs::endProgram()
{
    if (m_owner) {
        EnableWindow(m_owner, FALSE);
        ShowWindow(m_owner, SW_HIDE);
    }
    PostQuitMessage(0);
}

} // namespace psa
