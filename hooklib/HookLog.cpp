#include "hooklib/HookLog.h"

#include "core/base/CString.h"
#include "core/base/Logger.h"
#include "hooklib/HookRecords.h"

namespace {

const CWPSharedData* g_shared = nullptr;

bool EnsureLogOpen() {
    if (IsLogEnabled()) return true;
    if (!g_shared || !g_shared->logAtom) return false;
    wchar_t path[MAX_PATH + 1] = {};
    if (!GlobalGetAtomNameW(g_shared->logAtom, path, MAX_PATH)) return false;
    if (!LogInit(path)) return IsLogEnabled();
    LogSetDefaultTag(L"DLL_CORE");
    return true;
}

}  // namespace

void HookLogAttach(const CWPSharedData* shared) {
    g_shared = shared;
}

void HookLogWrite(const wchar_t* text) {
    if (EnsureLogOpen()) LogWrite(text);
}

void HookLogError(const wchar_t* text) {
    if (EnsureLogOpen()) LogError(text);
}

void HookLogWindowClass(const wchar_t* text, HWND window) {
    if (!EnsureLogOpen()) return;
    wchar_t className[1025] = {};
    if (window) GetClassNameW(window, className, 1024);
    LogWrite(CString(text) + L" classname[" + className + L"]");
}
