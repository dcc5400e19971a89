// A structured exception that nothing inside the guarded call handles reaches
// the process's unhandled-exception filter. While a call is guarded on this
// thread, the filter set here resumes the thread where the guard captured its
// context, just before the call, and the guard then reports that the call
// raised. So only exceptions the host's own code leaves unhandled end the call,
// exactly as an enclosing handler would see them. No compiler extension is
// needed, and it works alike for table-based (x64) and frame-based (x86)
// exception handling.
#include "platform/GuardedCall.h"

#include <atomic>

#include <windows.h>

namespace platform {
namespace {

struct Guard {
    CONTEXT resume;           // the thread just before the call
    volatile LONG raised = 0; // set by the filter before it resumes the thread
    Guard* outer = nullptr;
#if defined(_M_IX86) || defined(__i386__)
    // The frame-based handler chain; a resumed thread must not keep the
    // registrations of the frames it left.
    struct _EXCEPTION_REGISTRATION_RECORD* handlers = nullptr;
#endif
};

#if defined(_M_IX86) || defined(__i386__)
// The head of the thread's frame-based handler chain, in its thread block.
// GCC takes the segment-relative read of that block for an access outside an array.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
struct _EXCEPTION_REGISTRATION_RECORD* HandlerChain() {
    return reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList;
}
void SetHandlerChain(struct _EXCEPTION_REGISTRATION_RECORD* head) {
    reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList = head;
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
#endif

thread_local Guard* t_guard = nullptr;
// The filter that was set before the outermost guarded call of any thread.
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_previousFilter{nullptr};
std::atomic<int> g_guardedCalls{0};

LONG WINAPI ResumeBeforeCall(EXCEPTION_POINTERS* exception) {
    Guard* const guard = t_guard;
    if (guard == nullptr) {
        // Not inside a guarded call on this thread: the filter set before decides.
        const LPTOP_LEVEL_EXCEPTION_FILTER previous = g_previousFilter.load();
        return previous != nullptr ? previous(exception) : EXCEPTION_CONTINUE_SEARCH;
    }
    guard->raised = 1;
    // Execution goes on at the guard, not at the exception; another compiler's
    // C++ exceptions are raised as not continuable, which holds only for
    // going on where they were raised.
    exception->ExceptionRecord->ExceptionFlags &= ~static_cast<DWORD>(EXCEPTION_NONCONTINUABLE);
    *exception->ContextRecord = guard->resume;
    return EXCEPTION_CONTINUE_EXECUTION;
}

void RunCatchingOwnExceptions(void (*call)(void*), void* context, Guard& guard) {
    try {
        call(context);
    } catch (...) {
        guard.raised = 1;
    }
}

} // namespace

bool CallGuarded(void (*call)(void*), void* context) {
    Guard guard;
    guard.outer = t_guard;
#if defined(_M_IX86) || defined(__i386__)
    guard.handlers = HandlerChain();
#endif
    t_guard = &guard;
    if (g_guardedCalls++ == 0)
        g_previousFilter = ::SetUnhandledExceptionFilter(ResumeBeforeCall);

    // Execution comes back here a second time when the filter resumes the thread.
    ::RtlCaptureContext(&guard.resume);
    if (guard.raised == 0)
        RunCatchingOwnExceptions(call, context, guard);

#if defined(_M_IX86) || defined(__i386__)
    SetHandlerChain(guard.handlers);
#endif
    if (--g_guardedCalls == 0)
        ::SetUnhandledExceptionFilter(g_previousFilter.load());
    t_guard = guard.outer;
    return guard.raised == 0;
}

} // namespace platform
