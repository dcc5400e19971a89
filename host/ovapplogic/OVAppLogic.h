// The exported function of the host's application-logic library.
#pragma once

#include "common/HostExport.h"

#include <cstdint>

extern "C" {

// Prepares the application logic for a data set. This installation holds data
// set "99" only. Returns 0 when `dataSet` is "99" and its medication table file
// is in the database folder; otherwise 1 with the reason in `errorText` (400
// bytes). Stands in for the function the host exports by ordinal 244 only.
HOST_EXPORT int32_t HOST_CALL OVAppLogic_Ordinal244(const char* dataSet, char* errorText);

} // extern "C"
