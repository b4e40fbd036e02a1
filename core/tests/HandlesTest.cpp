#include "core/Handles.h"

#include <gtest/gtest.h>

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
    CFileHandle none(CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
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
