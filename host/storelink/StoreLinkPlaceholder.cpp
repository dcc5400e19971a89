// Placeholder until the record manager lands.
#include "storelink/StoreLinkStatus.h"
#include <cstdint>
extern "C" {
int32_t InitMidWare(int32_t) { return 0; }
int32_t fsopen(const char*, const char*, const char*, const char*, const char*) { return storelink::kErrIo; }
int32_t fsclose(int32_t) { return 0; }
int32_t fspos(int32_t, int32_t, void*) { return storelink::kErrIo; }
int32_t fsget(int32_t, int32_t, void*, int32_t) { return storelink::kErrIo; }
int32_t fsgetn(int32_t, int32_t, void*, int32_t) { return storelink::kErrIo; }
int32_t fsgotof(int32_t, int32_t) { return storelink::kErrIo; }
int32_t fsupdate(int32_t, const void*, int32_t) { return storelink::kErrIo; }
void StoreLink_FailCall(const char*, int32_t, int32_t) {}
}
