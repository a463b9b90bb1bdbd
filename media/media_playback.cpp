#include "media/media_playback.h"

#include "media/media_list.h"

#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const CLSID kFilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID kIGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID kIMediaControl = {0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID kIMediaEvent = {0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr DWORD kPollMs = 500;

std::wstring Unquoted(std::wstring word) {
    if (!word.empty() && word.front() == L'"') word.erase(0, 1);
    if (!word.empty() && word.back() == L'"') word.pop_back();
    return word;
}

template <typename T> void Release(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

// Stop, pause or resume: the state changes under the list's lock, the graph is told outside it
// with a reference of this thread's own, and the owner is woken. The entry stays its owner's.
void ChangePlayback(const std::wstring& name, uint32_t state) {
    IMediaControl* control = nullptr;
    HANDLE wake = nullptr;
    ChangeMediaEntry(name, [&](MediaEntry& entry) {
        entry.State = state;
        control = entry.Control;
        if (control) control->AddRef();
        if (entry.WakeEvent)
            DuplicateHandle(GetCurrentProcess(), entry.WakeEvent, GetCurrentProcess(), &wake, 0, FALSE,
                            DUPLICATE_SAME_ACCESS);
    });
    if (!control) {
        if (wake) CloseHandle(wake);
        return;
    }
    if (state == kMediaStopped)
        control->Stop();
    else if (state == kMediaPaused)
        control->Pause();
    else if (state == kMediaResumed) {
        control->Run();
        ChangeMediaEntry(name, [control](MediaEntry& entry) {
            if (entry.Control == control && entry.State == kMediaResumed) entry.State = kMediaPlaying;
        });
    }
    if (wake) {
        SetEvent(wake);
        CloseHandle(wake);
    }
    control->Release();
}

// True when the graph reported that it played to the end.
bool TakeCompletion(IMediaEvent* events) {
    bool complete = false;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (events->GetEvent(&code, &first, &second, 0) == S_OK) {
        if (code == EC_COMPLETE) complete = true;
        events->FreeEventParams(code, first, second);
    }
    return complete;
}

void Play(std::vector<std::wstring> words) {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    if (FAILED(CoCreateInstance(kFilterGraph, nullptr, CLSCTX_INPROC_SERVER, kIGraphBuilder,
                                reinterpret_cast<void**>(&graph))) ||
        FAILED(graph->QueryInterface(kIMediaControl, reinterpret_cast<void**>(&control))) ||
        FAILED(graph->QueryInterface(kIMediaEvent, reinterpret_cast<void**>(&events))) ||
        FAILED(graph->RenderFile(words[0].c_str(), nullptr)) || FAILED(control->Run())) {
        Release(events);
        Release(control);
        Release(graph);
        return;
    }
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    OAEVENT graphEvent = 0;
    events->GetEventHandle(&graphEvent);
    MediaEntry entry;
    entry.Words = std::move(words);
    entry.Control = control;
    entry.WakeEvent = wake;
    const uint64_t id = AddMediaEntry(std::move(entry));
    for (;;) {
        HANDLE waits[2] = {wake, reinterpret_cast<HANDLE>(graphEvent)};
        WaitForMultipleObjects(graphEvent ? 2 : 1, waits, FALSE, kPollMs);
        const bool complete = TakeCompletion(events);
        const uint32_t state = MediaEntryStateById(id);
        if (state == kMediaStopped) break;
        // A paused playback never ends by completion.
        if (state == kMediaPlaying && complete) break;
    }
    RemoveMediaEntryById(id);
    control->Stop();
    if (wake) CloseHandle(wake);
    Release(events);
    Release(control);
    Release(graph);
}

} // namespace

unsigned __stdcall media::MediaPlayThread(void* argument) {
    std::unique_ptr<std::vector<std::wstring>> words(static_cast<std::vector<std::wstring>*>(argument));
    if (!words || words->size() < 2) return 0;
    (*words)[0] = Unquoted((*words)[0]);
    // Free-threaded: "/play" requests on other threads call this graph's control directly.
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
    const std::wstring& action = (*words)[1];
    if (action == L"stop")
        ChangePlayback((*words)[0], kMediaStopped);
    else if (action == L"pause")
        ChangePlayback((*words)[0], kMediaPaused);
    else if (action == L"resume")
        ChangePlayback((*words)[0], kMediaResumed);
    else if (action == L"play" || action == L"start")
        Play(std::move(*words));
    CoUninitialize();
    return 0;
}
