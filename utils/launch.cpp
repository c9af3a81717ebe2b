#include "utils/launch.h"

#include <shellapi.h>

BOOL LaunchProgram(const WCHAR *file, const WCHAR *parameters)
{
    SHELLEXECUTEINFOW info = {sizeof(info)}; // default verb, no owner, no process handle kept
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info);
}

void OpenBluetoothSettings()
{
    LaunchProgram(L"\\windows\\ctlpnl.exe", L"cplmain.cpl,23,1");
}
