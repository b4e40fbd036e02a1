#include "core/base/NamedObjects.h"

#include "core/base/Handles.h"

#include <aclapi.h>

#include <mutex>

namespace {

struct OpenDescriptor {
    bool built = false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes = {};
};

bool BuildOpenDescriptor(OpenDescriptor& out) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;

    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = 0x1F01FF;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    DWORD result = SetEntriesInAclW(1, &access, nullptr, &acl);
    FreeSid(everyone);
    if (result != ERROR_SUCCESS) return false;

    PSECURITY_DESCRIPTOR descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (!descriptor || !InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)) {
        if (descriptor) LocalFree(descriptor);
        LocalFree(acl);
        return false;
    }
    // The DACL and the descriptor stay for the life of the process: every named
    // object of the system is created with them.
    out.descriptor = descriptor;
    out.attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    out.attributes.lpSecurityDescriptor = descriptor;
    out.attributes.bInheritHandle = FALSE;
    out.built = true;
    return true;
}

OpenDescriptor& TheOpenDescriptor() {
    static OpenDescriptor descriptor;
    static std::once_flag once;
    std::call_once(once, [] { BuildOpenDescriptor(descriptor); });
    return descriptor;
}

}  // namespace

bool InitSecurityAttributes_Everyone(SECURITY_ATTRIBUTES* attributes) {
    if (!attributes) return false;
    OpenDescriptor& open = TheOpenDescriptor();
    if (!open.built) return false;
    *attributes = open.attributes;
    return true;
}

SECURITY_ATTRIBUTES* GetOpenSecurityAttributes() {
    OpenDescriptor& open = TheOpenDescriptor();
    return open.built ? &open.attributes : nullptr;
}

const wchar_t kInstanceEventName[] = L"9DDB575E-846B-4600-880F-98319D699611";
const wchar_t kAutoloadDelayEventName[] = L"9DDB575E-846B-4600-880F-98319D699612";
const wchar_t kExitEventName[] = L"Local\\Vexlora_Exit";
const wchar_t kExitAllEventName[] = L"Global\\Vexlora_Exit_ALL";
const wchar_t kAlreadyWorkEventName[] = L"Local\\Vexlora_AlreadyWork";
const wchar_t kShowMenuEventName[] = L"{84F81BCD-0FC6-4782-B39F-C638F539FA14}";
const wchar_t kEditEventName[] = L"BD9F528F-8997-48c7-897C-F437765F93D2";
const wchar_t kAdminHandOverEventName[] = L"55517695-4FD6-40eb-9E52-997024E979DE";
const wchar_t kLangChangedEventName[] = L"Local\\Vexlora_LangUI_Changed";
const wchar_t kCheckForUpdatesEventName[] = L"Local\\Vexlora_CheckForUpdates";
const wchar_t kFloatPaneBlinkEventName[] = L"Local\\Vexlora_FloatPaneBlink";
const wchar_t kOptionsChangedEventName[] = L"Local\\Vexlora_OptionsChanged";
const wchar_t kStartCopyEventName[] = L"Local\\Vexlora_StartCopy";
const wchar_t kEndCopyEventName[] = L"Local\\Vexlora_EndCopy";
const wchar_t kSettingsAreaName[] = L"Local\\$VEXLORA_SETTING_AREA$";
const wchar_t kCommandCheckForUpdatesEventName[] = L"Local\\Vexlora_CommandCheckForUpdates";
const wchar_t kInterchangeAreaName[] = L"Local\\$VEXLORA_INTERCHANGE_AREA$";
const wchar_t kDataNeededEventName[] = L"Local\\Vexlora_DataNeeded";
const wchar_t kDataCompletedEventName[] = L"Local\\Vexlora_DataCompleted";
const wchar_t kSaveLoadHistoryEventName[] = L"Local\\Vexlora_SaveLoad_CH";

namespace {

const wchar_t kProductWord[] = L"Vexlora";

UINT RegisterOnce(volatile LONG& slot, const wchar_t* name) {
    LONG id = InterlockedCompareExchange(&slot, 0, 0);
    if (!id) {
        id = static_cast<LONG>(RegisterWindowMessageW(name));
        InterlockedExchange(&slot, id);
    }
    return static_cast<UINT>(id);
}

}  // namespace

CString GetInstanceEventName() {
    return kInstanceEventName;
}
CString GetSettingsAreaName() {
    return kSettingsAreaName;
}
CString GetLangChangedEventName() {
    return kLangChangedEventName;
}
CString GetCheckForUpdatesEventName() {
    return kCheckForUpdatesEventName;
}
CString GetFloatPaneBlinkEventName() {
    return kFloatPaneBlinkEventName;
}

CString GetWriteUnlockEventName() {
    CString suffix(kProductWord);
    suffix.Replace(L' ', L'_');
    suffix.Replace(L':', L'_');
    return L"Local\\Vexlora_WriteUnlockSync_" + suffix;
}

CString GetEditorCoopEventName() {
    return CString(L"Local\\Vexlora_Event_PhraseEditorAgentCoop") + L"_Ended";
}

UINT GetInstanceWatcherMessage() {
    static volatile LONG id = 0;
    return RegisterOnce(id, L"VXL_7B11E8E0-A712-4caa-A06B-01BEA4F7DFC4");
}

UINT GetReportErrorMessage() {
    static volatile LONG id = 0;
    return RegisterOnce(id, L"{C4629BDD-5FE3-47de-863B-E8D10BB7E2EB}");
}

UINT GetTargetQueryMessage() {
    static volatile LONG id = 0;
    // The missing closing brace is part of the name every program registers.
    return RegisterOnce(id, L"{FC970502-EECA-4c50-AF80-CF39EA345E99");
}

UINT GetMenuToolTipMessage() {
    static volatile LONG id = 0;
    return RegisterOnce(id, L"9176C785-52C0-432a-AB51-C8439932297C");
}

bool CMMFFile::OpenMMF_File_Test(const wchar_t* name) {
    CHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, name));
    return mapping.valid();
}

HANDLE CMMFFile::CreateMMF_File(const wchar_t* name, DWORD size, bool useOpenSecurity) {
    return CreateFileMappingW(INVALID_HANDLE_VALUE, useOpenSecurity ? GetOpenSecurityAttributes() : nullptr,
                              PAGE_READWRITE, 0, size, name);
}

bool CMMFFile::WriteMMF_StringA(const char* text, bool useOpenSecurity) {
    if (!text || IsBadStringPtrA(text, static_cast<UINT_PTR>(-1)) || !*text) return false;
    DWORD size = static_cast<DWORD>(strlen(text)) + 1;
    CHandle mapping(CreateMMF_File(m_name, size, useOpenSecurity));
    if (!mapping) return false;
    CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, size));
    if (!view) return false;
    memcpy(view.get(), text, size);
    FlushViewOfFile(view.get(), size);
    return UnmapViewOfFile(view.release()) != FALSE;
}

HANDLE CreateSharedEvent(const wchar_t* name, bool manualReset, bool initialState) {
    HANDLE event = CreateEventW(GetOpenSecurityAttributes(), manualReset, initialState, name);
    if (!event) event = CreateEventW(nullptr, manualReset, initialState, name);
    return event;
}
