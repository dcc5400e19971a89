// The test switch that makes one chosen record-manager call fail (see
// StoreLink_FailCall in StoreLinkStatus.h).
#pragma once

#include <cstdint>
#include <string>

namespace storelink {

enum class Operation : int { Open, Close, Position, Get, GetNext, GotoFirst, Update };

class FailureSwitch {
public:
    // Arms the switch: call `callNumber` (from 1, counted from now on) of
    // `operation` returns `status`. Returns false, leaving the switch off, for an
    // unknown operation name; callNumber <= 0 turns it off.
    bool Arm(const std::string& operation, int32_t callNumber, int32_t status);
    // Arms the switch from "operation:callNumber:status". Returns false for a
    // malformed setting, leaving the switch off.
    bool ArmFromSetting(const std::string& setting);

    // Counts a call of `operation`; true, with the status to return, when this
    // is the call that must fail.
    bool Trips(Operation operation, int32_t& status) {
        return m_armed && CountCall(operation, status);
    }

private:
    bool CountCall(Operation operation, int32_t& status);

    bool m_armed = false;
    bool m_anyOperation = false;
    Operation m_operation = Operation::Open;
    int32_t m_remaining = 0; // calls left until the failing one, that one included
    int32_t m_status = 0;
};

// The one switch of the process, armed from STORELINK_FAIL when the library loads.
FailureSwitch& TheFailureSwitch();

} // namespace storelink
