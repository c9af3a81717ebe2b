// The Bluetooth utility library's radio query, over the handheld's own state.
#include "platform/pocketpc.h"

int PpcBthGetMode(DWORD *mode)
{
    if (!mode)
        return ERROR_INVALID_PARAMETER;
    DWORD value = 0, size = sizeof(value);
    LSTATUS rc = RegGetValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", RRF_RT_REG_DWORD, NULL, &value,
                              &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    *mode = value;
    // A stack in trouble may answer with a mode and an error at once.
    DWORD error = 0;
    size = sizeof(error);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"QueryError", RRF_RT_REG_DWORD, NULL, &error, &size) ==
        ERROR_SUCCESS)
        return (int)error;
    return 0;
}
