#include "platform/GuardedCall.h"

namespace platform {

bool CallGuarded(void (*call)(void*), void* context) {
    try {
        call(context);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace platform
