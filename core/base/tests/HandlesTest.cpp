#include "core/base/Handles.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

bool IsOpenHandle(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

}  // namespace

TEST(Handles, KernelHandleIsClosedOnceByItsLastOwner) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, raw);
    {
        CHandle first(raw);
        CHandle second(std::move(first));
        EXPECT_FALSE(first.valid());
        EXPECT_EQ(raw, second.get());
        EXPECT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw));
}

TEST(Handles, ReleaseGivesTheHandleAwayAndResetClosesTheOldOne) {
    CHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE first = owner.get();
    owner.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(IsOpenHandle(first));
    HANDLE second = owner.release();
    EXPECT_FALSE(owner.valid());
    EXPECT_TRUE(IsOpenHandle(second));
    CloseHandle(second);
}

TEST(Handles, FileHandleTreatsInvalidHandleValueAsEmpty) {
    CFileHandle none(
        CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(none.valid());
    CFileHandle empty;
    EXPECT_EQ(INVALID_HANDLE_VALUE, empty.get());
}

TEST(Handles, MappedViewIsUnmapped) {
    CHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr));
    ASSERT_TRUE(mapping.valid());
    void* address = nullptr;
    {
        CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        ASSERT_TRUE(view.valid());
        address = view.get();
        MEMORY_BASIC_INFORMATION info = {};
        VirtualQuery(address, &info, sizeof info);
        EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), info.State);
    }
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(address, &info, sizeof info);
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), info.State);
}

TEST(Handles, GdiObjectIsDeletedAndSelectionRestored) {
    HPEN raw = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    ASSERT_NE(nullptr, raw);
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc.valid());
    HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_PEN);
    {
        CPenHandle pen(raw);
        CSelectObject select(dc.get(), pen.get());
        EXPECT_EQ(raw, GetCurrentObject(dc.get(), OBJ_PEN));
    }
    EXPECT_EQ(before, GetCurrentObject(dc.get(), OBJ_PEN));
    EXPECT_EQ(0u, GetObjectType(raw));
}

TEST(Handles, RegistryKeyIsClosedButPredefinedRootsAreNot) {
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &raw));
    { CRegKeyHandle key(raw); }
    DWORD values = 0;
    EXPECT_NE(ERROR_SUCCESS, RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    { CRegKeyHandle root(HKEY_CURRENT_USER); }
    EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
}

TEST(Handles, GlobalLockIsReleased) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(nullptr, memory);
    {
        CGlobalLock<char> lock(memory);
        ASSERT_NE(nullptr, lock.get());
        EXPECT_EQ(1u, GlobalFlags(memory) & GMEM_LOCKCOUNT);
    }
    EXPECT_EQ(0u, GlobalFlags(memory) & GMEM_LOCKCOUNT);
    GlobalFree(memory);
}

namespace {

LRESULT CALLBACK PassHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK IgnoreWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {}

// A COM object that only counts its references.
class CCountedObject : public IUnknown {
public:
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

}  // namespace

TEST(Handles, HooksAreRemovedOnceByTheirLastOwner) {
    HHOOK rawHook = SetWindowsHookExW(WH_GETMESSAGE, &PassHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, rawHook);
    HWINEVENTHOOK rawEventHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_DESTROY, nullptr, &IgnoreWinEvent,
                                                 GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, rawEventHook);
    {
        CHookHandle hook(rawHook);
        CHookHandle hookMoved(std::move(hook));
        CWinEventHookHandle eventHook(rawEventHook);
        CWinEventHookHandle eventHookMoved(std::move(eventHook));
        EXPECT_FALSE(hook.valid());
        EXPECT_FALSE(eventHook.valid());
    }
    EXPECT_FALSE(UnhookWindowsHookEx(rawHook)) << "already removed";
    EXPECT_FALSE(UnhookWinEvent(rawEventHook)) << "already removed";
}

TEST(Handles, GlobalMemoryIsFreedUnlessGivenAway) {
    HGLOBAL kept = nullptr;
    {
        CGlobalMemory given(GlobalAlloc(GMEM_MOVEABLE, 32));
        ASSERT_TRUE(given.valid());
        kept = given.release();
    }
    EXPECT_EQ(32u, GlobalSize(kept)) << "a released block outlives its owner";
    GlobalFree(kept);

    HGLOBAL freed = GlobalAlloc(GMEM_FIXED, 32);
    ASSERT_NE(nullptr, freed);
    { CGlobalMemory owner(freed); }
    // A fixed block is a plain heap block: once freed, the heap no longer knows it.
    EXPECT_EQ(0u, HeapValidate(GetProcessHeap(), 0, freed) ? 1u : 0u);
}

TEST(Handles, WindowIsDestroyedByItsLastOwner) {
    HWND raw = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, raw);
    {
        CWindowHandle first(raw);
        CWindowHandle second(std::move(first));
        EXPECT_TRUE(IsWindow(raw));
    }
    EXPECT_FALSE(IsWindow(raw));
}

TEST(Handles, ComPointerReleasesItsOneReference) {
    CCountedObject object;
    {
        CComPtr<CCountedObject> first(&object);
        CComPtr<CCountedObject> second(std::move(first));
        EXPECT_EQ(nullptr, first.get());
        EXPECT_EQ(1u, object.references) << "moving adds no reference";
    }
    EXPECT_EQ(0u, object.references);

    CCountedObject old;
    CComPtr<CCountedObject> slot(&old);
    object.references = 1;
    *slot.out() = &object;
    EXPECT_EQ(0u, old.references) << "out() lets go of the object it held";
    EXPECT_EQ(&object, slot.get());
    slot.reset();
    EXPECT_EQ(0u, object.references);
}

TEST(Handles, ComInitIsBalancedAndAnotherModelIsNotUndone) {
    // A thread of its own, so that the test thread's COM state plays no part.
    std::thread([] {
        {
            CComInit apartment;
            EXPECT_EQ(S_OK, apartment.result());
            {
                CComInit again;
                EXPECT_EQ(S_FALSE, again.result()) << "the same model again counts as success";
                CComInit other(COINIT_MULTITHREADED);
                EXPECT_EQ(RPC_E_CHANGED_MODE, other.result());
                EXPECT_FALSE(other.succeeded());
            }
            EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) << "still initialised";
            CoUninitialize();
        }
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "every init was undone";
        CoUninitialize();
        {
            COleInit ole;
            EXPECT_TRUE(ole.succeeded());
        }
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "OLE was undone";
        CoUninitialize();
    }).join();
}

TEST(Handles, ClipboardOpenRetriesUntilItsTimeOut) {
    // Another thread holds the clipboard until told to let go.
    CHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CHandle letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        CWindowHandle owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
        {
            CClipboardOpen open(owner.get(), 0);
            EXPECT_TRUE(open.opened());
            SetEvent(held.get());
            WaitForSingleObject(letGo.get(), 20000);
        }
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.get(), 20000));

    ULONGLONG start = GetTickCount64();
    {
        CClipboardOpen refused(nullptr, 300);
        EXPECT_FALSE(refused.opened());
    }
    EXPECT_GE(GetTickCount64() - start, 280u) << "it asked until the time-out";

    // The holder lets go while the owner keeps asking.
    std::thread releaser([&] {
        Sleep(200);
        SetEvent(letGo.get());
    });
    start = GetTickCount64();
    {
        CClipboardOpen open(nullptr, 10000);
        EXPECT_TRUE(open.opened());
        EXPECT_GE(GetTickCount64() - start, 150u);
        EXPECT_EQ(nullptr, GetOpenClipboardWindow());
    }
    releaser.join();
    holder.join();
    EXPECT_TRUE(OpenClipboard(nullptr)) << "the owner closed the clipboard";
    CloseClipboard();
}
