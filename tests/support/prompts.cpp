#include "support.h"

#include "resource.h"

namespace {
thread_local PromptResponder* g_responder = nullptr;
}

PromptResponder::PromptResponder(int defaultAnswer) : defaultAnswer_(defaultAnswer)
{
    g_responder = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    // The first message box of a process opens user32 handles that stay open: shown here, they are
    // open before any test counts its own.
    static bool warmedUp = false;
    if (!warmedUp) {
        warmedUp = true;
        queued_.push_back(IDOK);
        MessageBoxW(nullptr, L"warm-up", L"warm-up", MB_OK);
        prompts_.clear();
    }
}

PromptResponder::~PromptResponder()
{
    UnhookWindowsHookEx(hook_);
    g_responder = nullptr;
}

LRESULT CALLBACK PromptResponder::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_responder)
        g_responder->OnActivate((HWND)wParam);
    if (code == HCBT_DESTROYWND && g_responder)
        g_responder->OnDestroy((HWND)wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PromptResponder::OnActivate(HWND window)
{
    wchar_t className[32];
    if (!GetClassNameW(window, className, 32) || wcscmp(className, L"#32770") != 0)
        return;
    if (GetDlgItem(window, IDE_REPORT))
        return;  // the component dialog, not a prompt
    for (const Prompt& seen : prompts_) {
        if (seen.window == window)
            return;  // activated again, already answered
    }
    wchar_t text[2048] = L"";
    GetDlgItemTextW(window, 0xFFFF, text, 2048);
    prompts_.push_back({TextOf(window), text, window});

    int answer = defaultAnswer_;
    if (!queued_.empty()) {
        answer = queued_.front();
        queued_.erase(queued_.begin());
    } else if (handler_) {
        answer = handler_(prompts_.back());
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

// A prompt brought to the front while it initialises is seen before its text is set: read it again as
// it goes.
void PromptResponder::OnDestroy(HWND window)
{
    for (Prompt& seen : prompts_) {
        wchar_t buffer[2048] = L"";
        if (seen.window == window && GetDlgItemTextW(window, 0xFFFF, buffer, 2048) > 0)
            seen.text = buffer;
    }
}

std::wstring Wide1250(const char* text)
{
    wchar_t buffer[8192];
    int n = MultiByteToWideChar(1250, 0, text, -1, buffer, 8192);
    return n > 0 ? std::wstring(buffer) : std::wstring();
}
