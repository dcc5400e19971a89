// The host's own file set of one data set: its medication table and its
// patient table, held open through the record manager.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovutilities {

class HostFileSet {
public:
    // Opens both tables of `dataSet` in `folder` (ends with '/'). Returns an
    // empty text on success, else the message; on failure nothing stays open.
    // An already open file set is closed first.
    std::string Open(const std::string& folder, std::string_view dataSet);

    // Closes both tables. Returns an empty text, or the message when the record
    // manager refused to close one; the handles are given up either way.
    std::string Close();

    // Handle of host table 90 (medications) or 36 (patients); -1 otherwise or
    // while closed.
    int32_t Handle(int32_t hostTableNumber) const;

    bool IsOpen() const { return m_medications >= 0; }

private:
    int32_t m_medications = -1; // MRRX<data set>
    int32_t m_patients = -1;    // MRPT<data set>
};

} // namespace ovutilities
