// Test helper: another process that opens the shared objects by name.
//   vxl_object_probe event <name>            exit 0 when the event opens with all access
//   vxl_object_probe mapping <name> <file>   copies the mapping's zero-terminated text into the file
#include <windows.h>

#include <cstring>

#include "core/base/Handles.h"

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"event") == 0) {
        CHandle event(OpenEventW(EVENT_ALL_ACCESS, FALSE, argv[2]));
        return event ? 0 : 1;
    }
    if (argc >= 4 && wcscmp(argv[1], L"mapping") == 0) {
        CHandle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, argv[2]));
        if (!mapping) return 1;
        CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
        if (!view) return 2;
        MEMORY_BASIC_INFORMATION info = {};
        VirtualQuery(view.get(), &info, sizeof info);
        const char* text = static_cast<const char*>(view.get());
        size_t length = strnlen(text, info.RegionSize);
        CFileHandle file(CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        return file && WriteFile(file.get(), text, static_cast<DWORD>(length), &written, nullptr) ? 0 : 3;
    }
    return 9;
}
