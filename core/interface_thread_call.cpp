#include "core/interface_thread_call.h"

#include "common/app_state.h"
#include "core/remote_text.h"

#include <exception>
#include <utility>

namespace {

struct Job {
    const std::function<void()>* Work = nullptr;
    std::function<void()> Posted; // the work of a posted job, which the job owns
    std::exception_ptr Error;
    bool Ran = false;
    bool Remote = false; // asked for on behalf of text from outside: the work runs so too
};

} // namespace

LRESULT RunInterfaceThreadWork(LPARAM work) {
    auto* job = reinterpret_cast<Job*>(work);
    if (job && job->Posted) {
        try {
            job->Posted();
        } catch (...) {
        }
        delete job;
        return 1;
    }
    if (!job || !job->Work) return 0;
    job->Ran = true;
    RemoteTextScope remote(job->Remote);
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
    job.Remote = HandlingRemoteText();
    SendMessageW(frame, WM_RUN_ON_INTERFACE_THREAD, 0, reinterpret_cast<LPARAM>(&job));
    if (job.Error) std::rethrow_exception(job.Error);
    return job.Ran;
}

bool PostToInterfaceThread(std::function<void()> work) {
    HWND frame = MainWindow.load();
    if (!frame || !work) return false;
    auto* job = new Job;
    job->Posted = std::move(work);
    if (PostMessageW(frame, WM_RUN_ON_INTERFACE_THREAD, 0, reinterpret_cast<LPARAM>(job))) return true;
    delete job;
    return false;
}
