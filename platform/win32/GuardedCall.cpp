// A structured exception that nothing inside the guarded call handles reaches
// the process's unhandled-exception filter. While a call is guarded on this
// thread, the filter set here jumps back to the guard, to the point just before
// the call, and the guard then reports that the call raised. So only exceptions
// the host's own code leaves unhandled end the call, exactly as an enclosing
// handler would see them. It works alike for table-based (x64) and frame-based
// (x86) exception handling.
//
// The way back is the compiler's own two-return jump (__builtin_setjmp and
// __builtin_longjmp), which the compiler knows returns twice and which restores
// only the frame and stack pointers and the address to go on at. A snapshot of
// the thread's registers taken by RtlCaptureContext is no such thing: on x86 it
// walks the caller's frame-pointer chain, which optimised code does not keep,
// and a thread resumed from it runs off into nowhere. Nothing of the C
// runtime's setjmp is used either: on x64 its longjmp unwinds through the
// host's frames, which is what must not happen to a foreign exception.
#include "platform/GuardedCall.h"

#include <atomic>

#include <windows.h>

namespace platform {
namespace {

struct Guard {
    void* resume[5];          // __builtin_setjmp's buffer: the point just before the call
    volatile LONG raised = 0; // set by the filter before it jumps back
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
    // Execution goes on at the guard, not at the exception. The frames between
    // (the host's, and the system's that dispatch the exception) are left as
    // they are; on x86 the guard takes their handler registrations off again.
    __builtin_longjmp(guard->resume, 1);
}

void RunCatchingOwnExceptions(void (*call)(void*), void* context, Guard& guard) {
    try {
        call(context);
    } catch (...) {
        guard.raised = 1;
    }
}

} // namespace

// Not inlined: the jump back lands in this function's own frame, which must
// be the guard's and no caller's.
__attribute__((noinline)) bool CallGuarded(void (*call)(void*), void* context) {
    Guard guard;
    guard.outer = t_guard;
#if defined(_M_IX86) || defined(__i386__)
    guard.handlers = HandlerChain();
#endif
    // Returns 0 now, and 1 when the filter jumps back. The filter is set only
    // once there is a point to jump back to.
    if (__builtin_setjmp(guard.resume) == 0) {
        t_guard = &guard;
        if (g_guardedCalls++ == 0)
            g_previousFilter = ::SetUnhandledExceptionFilter(ResumeBeforeCall);
        RunCatchingOwnExceptions(call, context, guard);
    }

#if defined(_M_IX86) || defined(__i386__)
    SetHandlerChain(guard.handlers);
#endif
    if (--g_guardedCalls == 0)
        ::SetUnhandledExceptionFilter(g_previousFilter.load());
    t_guard = guard.outer;
    return guard.raised == 0;
}

} // namespace platform
