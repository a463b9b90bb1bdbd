#include "core/interface_thread_call.h"

#include "common/app_state.h"

#include <exception>

namespace {

struct Job {
    const std::function<void()>* Work = nullptr;
    std::exception_ptr Error;
    bool Ran = false;
};

} // namespace

LRESULT RunInterfaceThreadWork(LPARAM work) {
    auto* job = reinterpret_cast<Job*>(work);
    if (!job || !job->Work) return 0;
    job->Ran = true;
    try {
        (*job->Work)();
    } catch (...) {
        job->Error = std::current_exception();
    }
    return 1;
}

bool RunOnInterfaceThread(const std::function<void()>& work) {
    HWND frame = MainWindow.load();
    if (OnInterfaceThread() || !frame) {
        work();
        return true;
    }
    Job job;
    job.Work = &work;
    SendMessageW(frame, WM_RUN_ON_INTERFACE_THREAD, 0, reinterpret_cast<LPARAM>(&job));
    if (job.Error) std::rethrow_exception(job.Error);
    return job.Ran;
}
