#include "commands/plugin_call_guard.h"

#include <windows.h>

#ifdef _MSC_VER

// MSVC has structured exception handling in the language. Errors (codes with both top bits set,
// other compilers' C++ exceptions among them) are caught; this program's own C++ exceptions go on.
uint64_t GuardedPluginCall(const void* entry, uint64_t a, uint64_t b, uint64_t c, uint32_t* fault) {
    uint32_t local = 0;
    uint32_t* code = fault ? fault : &local;
    *code = 0;
    using Entry = uint64_t (*)(uint64_t, uint64_t, uint64_t);
    __try {
        return reinterpret_cast<Entry>(const_cast<void*>(entry))(a, b, c);
    } __except ((GetExceptionCode() & 0xC0000000) == 0xC0000000 ? EXCEPTION_EXECUTE_HANDLER
                                                                : EXCEPTION_CONTINUE_SEARCH) {
        const DWORD caught = GetExceptionCode();
        *code = caught ? caught : 1;
        return 0;
    }
}

#else

// The guard is a frame of its own with a language handler in its unwind data: the handler sees
// an exception raised anywhere below it (after the plug-in's own handlers declined it), notes its
// code and unwinds to the label after the call, where the function returns 0. The fault pointer
// is the fifth argument, at 96 bytes above the body's stack pointer (the establisher frame).
asm(R"(
    .text
    .p2align 4
    .globl GuardedPluginCallEntry
    .def GuardedPluginCallEntry; .scl 2; .type 32; .endef
    .seh_proc GuardedPluginCallEntry
GuardedPluginCallEntry:
    pushq %rbx
    .seh_pushreg %rbx
    subq $48, %rsp
    .seh_stackalloc 48
    .seh_endprologue
    .seh_handler PluginCallFaultHandler, @except
    movq 96(%rsp), %rbx
    movl $0, (%rbx)
    movq %rcx, %rax
    movq %rdx, %rcx
    movq %r8, %rdx
    movq %r9, %r8
    callq *%rax
    nop
    .globl GuardedPluginCallResume
GuardedPluginCallResume:
    addq $48, %rsp
    popq %rbx
    retq
    .seh_endproc
)");

extern "C" {
uint64_t GuardedPluginCallEntry(const void* entry, uint64_t a, uint64_t b, uint64_t c, uint32_t* fault);
void GuardedPluginCallResume();

EXCEPTION_DISPOSITION PluginCallFaultHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                             DISPATCHER_CONTEXT* dispatch) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    // Errors, the exceptions of other compilers' C++ among them; this program's own C++
    // exceptions go on to its catch blocks.
    const DWORD code = record->ExceptionCode;
    if ((code & 0xC0000000) != 0xC0000000) return ExceptionContinueSearch;
    uint32_t* fault = *reinterpret_cast<uint32_t**>(static_cast<char*>(frame) + 96);
    *fault = code ? code : 1;
    RtlUnwindEx(frame, reinterpret_cast<void*>(&GuardedPluginCallResume), record, nullptr, context,
                dispatch->HistoryTable);
    return ExceptionContinueSearch;
}
}

uint64_t GuardedPluginCall(const void* entry, uint64_t a, uint64_t b, uint64_t c, uint32_t* fault) {
    uint32_t local = 0;
    const uint64_t result = GuardedPluginCallEntry(entry, a, b, c, fault ? fault : &local);
    return result;
}

#endif
