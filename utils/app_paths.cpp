#include "utils/app_paths.h"
#include "utils/log.h"
#include "utils/path_rules.h"

void ComputeAppDir(WCHAR *dir)
{
    WCHAR module[MAX_PATH] = {0};
    DWORD len = GetModuleFileNameW(NULL, module, MAX_PATH);
    if (len == 0 || len >= MAX_PATH)
        module[0] = 0; // a cut module path would name the wrong folder
    DirectoryOfModulePath((const char16_t *)module, (char16_t *)dir, MAX_PATH);
}

const WCHAR *AppPath(const WCHAR *directory, const WCHAR *subfolder, const WCHAR *file)
{
    static WCHAR path[MAX_PATH];
    ZeroMemory(path, sizeof(path));
    if (!JoinAppPath((char16_t *)path, MAX_PATH, (const char16_t *)directory,
                     (const char16_t *)subfolder, (const char16_t *)file))
        LogPrintf(L"AppPath::error::too long: %s\\%s", subfolder, file);
    return path;
}
