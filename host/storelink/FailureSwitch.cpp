#include "storelink/FailureSwitch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace storelink {
namespace {

constexpr std::pair<const char*, Operation> kOperationNames[] = {
    {"fsopen", Operation::Open},     {"fsclose", Operation::Close},
    {"fspos", Operation::Position},  {"fsget", Operation::Get},
    {"fsgetn", Operation::GetNext},  {"fsgotof", Operation::GotoFirst},
    {"fsupdate", Operation::Update},
};

bool ParseInt32(const std::string& text, int32_t& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

} // namespace

bool FailureSwitch::Arm(const std::string& operation, int32_t callNumber, int32_t status) {
    m_armed = false;
    bool any = operation == "*";
    Operation chosen = Operation::Open;
    bool known = any;
    for (const auto& [name, value] : kOperationNames) {
        if (operation == name) {
            chosen = value;
            known = true;
        }
    }
    if (!known) {
        return false;
    }
    if (callNumber <= 0) {
        return true;
    }
    m_anyOperation = any;
    m_operation = chosen;
    m_remaining = callNumber;
    m_status = status;
    m_armed = true;
    return true;
}

bool FailureSwitch::ArmFromSetting(const std::string& setting) {
    m_armed = false;
    const std::size_t first = setting.find(':');
    const std::size_t second = first == std::string::npos ? first : setting.find(':', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    int32_t callNumber = 0;
    int32_t status = 0;
    if (!ParseInt32(setting.substr(first + 1, second - first - 1), callNumber) ||
        !ParseInt32(setting.substr(second + 1), status)) {
        return false;
    }
    return Arm(setting.substr(0, first), callNumber, status);
}

bool FailureSwitch::CountCall(Operation operation, int32_t& status) {
    if (!m_anyOperation && operation != m_operation) {
        return false;
    }
    if (--m_remaining > 0) {
        return false;
    }
    m_armed = false;
    status = m_status;
    return true;
}

FailureSwitch& TheFailureSwitch() {
    static FailureSwitch failureSwitch;
    return failureSwitch;
}

namespace {

// Arms the switch from the environment when the library is loaded.
[[maybe_unused]] const bool kArmedFromEnvironment = [] {
    const char* setting = std::getenv("STORELINK_FAIL");
    if (setting == nullptr || *setting == '\0') {
        return false;
    }
    if (!TheFailureSwitch().ArmFromSetting(setting)) {
        std::fprintf(stderr,
                     "StoreLinkDll: ignoring STORELINK_FAIL=\"%s\" (expected "
                     "operation:callNumber:status)\n",
                     setting);
        return false;
    }
    return true;
}();

} // namespace
} // namespace storelink
