// Calling a host library function that reports failure by raising an exception.
//
// The host's libraries are not built by this program's compiler, so what they
// raise may be foreign to it: on Windows another compiler's C++ exception is a
// structured exception that no catch of this program sees. A guarded call ends
// the same way for both: it reports that the call raised and returns.
#pragma once

#include <type_traits>

namespace platform {

// Runs `call(context)`. True when it returned; false when it ended by raising
// an exception of this program's compiler or, on Windows, a structured
// exception that nothing inside the call handled. What the call's own frames
// would have cleaned up on the way is then left as it was.
bool CallGuarded(void (*call)(void*), void* context);

template <typename Call> bool CallGuarded(Call&& call) {
    using Callable = std::remove_reference_t<Call>;
    return CallGuarded([](void* context) { (*static_cast<Callable*>(context))(); },
                       static_cast<void*>(&call));
}

} // namespace platform
