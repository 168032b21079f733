// Answers the message boxes that the code under test shows on this thread, and records them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct Prompt {
    std::wstring caption;
    std::wstring text;
    HWND window;
};

// While alive, every message box shown on the constructing thread is answered: by the next queued
// answer, else by the handler, else by the default answer. The component dialog itself is left alone.
// The first one of a process shows and answers a box of its own, so that user32's lasting handles are
// open before a test counts handles.
class PromptResponder {
public:
    explicit PromptResponder(int defaultAnswer = IDOK);
    ~PromptResponder();
    PromptResponder(const PromptResponder&) = delete;
    PromptResponder& operator=(const PromptResponder&) = delete;

    void Queue(int answer) { queued_.push_back(answer); }
    // Called for each prompt when no answer is queued; returns the button id to press.
    void SetHandler(std::function<int(const Prompt&)> handler) { handler_ = std::move(handler); }

    const std::vector<Prompt>& prompts() const { return prompts_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND window);
    void OnDestroy(HWND window);

    HHOOK hook_;
    int defaultAnswer_;
    std::vector<int> queued_;
    std::function<int(const Prompt&)> handler_;
    std::vector<Prompt> prompts_;
};

// Windows-1250 program text as UTF-16, for comparing with what a window shows.
std::wstring Wide1250(const char* text);
