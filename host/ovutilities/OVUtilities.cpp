// The exported functions of the host utility library.
#include "ovutilities/OVUtilities.h"

#include "ovutilities/DatabaseFolder.h"
#include "ovutilities/DrugInteractionVersion.h"
#include "ovutilities/HostFileSet.h"
#include "ovutilities/MessageText.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// The one file set this process has open. Callers use the library from one
// thread, as the host does.
ovutilities::HostFileSet g_fileSet;

void WriteError(char* errorText, const std::string& message) {
    ovutilities::CopyMessage(errorText, ovutilities::kErrorTextSize, message);
}

// Reports a failure the way the host's own library does: by throwing. On
// Windows, the host's library is built by another compiler, and its throw
// reaches the caller as a structured exception (the code of that compiler's
// C++ exceptions), which no C++ catch of this compiler's code knows: so it is
// raised here too, unless OVUTILITIES_RAISE=thrown asks for a C++ throw of
// this compiler (always the way elsewhere).
[[noreturn]] void RaiseFailure(const std::string& message) {
#if defined(_WIN32)
    const char* mode = std::getenv("OVUTILITIES_RAISE");
    if (mode == nullptr || std::strcmp(mode, "thrown") != 0) {
        // The layout that compiler's throw gives the exception: its magic
        // number, the thrown object and the object's throw information, and on
        // x64, where those are image-relative, the base of the throwing module.
        // The object and the information are stand-ins; only a catch of that
        // compiler would read them.
        constexpr DWORD kForeignCppException = 0xE06D7363;
        constexpr ULONG_PTR kForeignCppMagic = 0x19930520;
        static char thrownObject[16];
        static char throwInformation[16];
        const ULONG_PTR parameters[] = {
            kForeignCppMagic,
            reinterpret_cast<ULONG_PTR>(thrownObject),
            reinterpret_cast<ULONG_PTR>(throwInformation),
#if defined(_WIN64)
            reinterpret_cast<ULONG_PTR>(GetModuleHandleA("OVUtilities.dll")),
#endif
        };
        RaiseException(kForeignCppException, EXCEPTION_NONCONTINUABLE,
                       sizeof parameters / sizeof parameters[0], parameters);
    }
#endif
    throw std::runtime_error(message);
}

} // namespace

extern "C" {

int32_t HOST_CALL PR_Get_Database_Path(char* databasePath, char* errorText) {
    const ovutilities::DatabaseFolder folder = ovutilities::FindDatabaseFolder();
    std::string message = folder.message;
    if (databasePath == nullptr) {
        message = "No buffer was given for the database folder.";
    } else if (folder.found) {
        std::memcpy(databasePath, folder.path.c_str(), folder.path.size() + 1);
        return 0;
    }
    WriteError(errorText, message);
    RaiseFailure(message);
}

int32_t HOST_CALL OV_OpenDBFiles(char* errorText, const char* /*reserved*/, const char* dataSet) {
    if (dataSet == nullptr) {
        g_fileSet.Close();
        WriteError(errorText, "No data set was given to open.");
        return ovutilities::kFailed;
    }
    const ovutilities::DatabaseFolder folder = ovutilities::FindDatabaseFolder();
    if (!folder.found) {
        g_fileSet.Close();
        WriteError(errorText, folder.message);
        return ovutilities::kFailed;
    }
    const std::string message = g_fileSet.Open(folder.path, dataSet);
    if (!message.empty()) {
        WriteError(errorText, message);
        return ovutilities::kFailed;
    }
    return 0;
}

int32_t HOST_CALL OV_UtilGetDBFiles(char* /*errorText*/) {
    return 0;
}

int32_t HOST_CALL OV_GetDBfp(int32_t hostTableNumber) {
    return g_fileSet.Handle(hostTableNumber);
}

int32_t HOST_CALL OV_CloseDBFiles(char* errorText) {
    const std::string message = g_fileSet.Close();
    if (!message.empty()) {
        WriteError(errorText, message);
        return ovutilities::kFailed;
    }
    return 0;
}

int32_t HOST_CALL OV_VerifyCorrectVersionOfDrugIntInstalled(char* versionText) {
    const ovutilities::DatabaseFolder folder = ovutilities::FindDatabaseFolder();
    ovutilities::VersionCheck check;
    if (folder.found) {
        check = ovutilities::CheckDrugInteractionVersion(folder.path);
    } else {
        check.message = folder.message;
    }
    ovutilities::CopyMessage(versionText, ovutilities::kVersionCheckBufferSize, check.message);
    return check.current ? 0 : ovutilities::kFailed;
}

} // extern "C"
