// The keys of section "Settings" that the settings object loads and saves, one row per
// key: its field, the constructor's value, the load default and the range a loaded value
// must lie in. The rows stand in save order, which decides where a key lands in a new
// file; the load has its own order, kSettingsLoadOrder.
//
// The section "A_SETTINGS" lines that record who wrote the file are no settings and stay
// with the save.
#pragma once

#include <windows.h>

#include <climits>
#include <type_traits>

#include "core/Settings.h"

enum class CSettingKind {
    Bool,  // numbers in a field of the record
    Int,
    Dword,
    WriteLog,       // a number read from the settings file alone, never the other file
    PhrasesFolder,  // a string; stored relative to the program folder where it can be
    Language,       // loaded only: SetLanguage writes it at once
    VersionMark,    // saved only: the current version's mark
    Font,           // a LOGFONTW as a profile struct
};

// As a load default or a fallback: the value the field holds.
constexpr int kSettingCurrent = INT_MIN;

struct CSettingKey {
    const wchar_t* key;
    CSettingKind kind;
    // The field as a number; null for the kinds that are not numbers.
    int (*get)(const CVXLSettingsBase& settings);
    void (*set)(CVXLSettingsBase& settings, int value);
    int constructorDefault;
    int loadDefault;
    // A loaded value outside lowest..highest (unsigned for a Dword) becomes the fallback.
    bool clamped;
    long long lowest;
    long long highest;
    int fallback;
};

#define VXL_SETTING_FIELD(member)                                                                              \
    [](const CVXLSettingsBase& s) { return static_cast<int>(s.member); }, [](CVXLSettingsBase& s, int value) { \
        s.member = static_cast<std::remove_reference_t<decltype(s.member)>>(value);                            \
    }
#define VXL_SETTING_NUMBER(key, kind, member, constructorDefault, loadDefault) \
    { key, CSettingKind::kind, VXL_SETTING_FIELD(member), constructorDefault, loadDefault, false, 0, 0, 0 }
#define VXL_SETTING_CLAMPED(key, kind, member, constructorDefault, loadDefault, lowest, highest, fallback)          \
    {                                                                                                               \
        key, CSettingKind::kind, VXL_SETTING_FIELD(member), constructorDefault, loadDefault, true, lowest, highest, \
            fallback                                                                                                \
    }
#define VXL_SETTING_OTHER(key, kind) \
    { key, CSettingKind::kind, nullptr, nullptr, 0, 0, false, 0, 0, 0 }

inline constexpr CSettingKey kSettingKeys[] = {
    VXL_SETTING_NUMBER(L"MenuPerCol_Enabled", Bool, MenuPerCol_Enabled, 0, 0),
    VXL_SETTING_NUMBER(L"MenuPerCol_Value", Dword, MenuPerCol_Value, 15, 15),
    VXL_SETTING_NUMBER(L"ShowIconInAltTab_ForFP", Bool, ShowIconInAltTab_ForFP, 1, kSettingCurrent),
    VXL_SETTING_OTHER(L"VXLVersion", VersionMark),
    VXL_SETTING_OTHER(L"PhrasesDirectory", PhrasesFolder),
    VXL_SETTING_NUMBER(L"Pinned_FloatPane_On_Start", Bool, Pinned_FloatPane_On_Start, 0, 0),
    VXL_SETTING_NUMBER(L"ShowHistoryPaneOnStart", Bool, ShowHistoryPaneOnStart, 1, 1),
    // The modifiers in the high 16 bits, the key in the low 16 bits.
    {L"Hotkey", CSettingKind::Dword,
     [](const CVXLSettingsBase& s) { return static_cast<int>(MAKELONG(s.HotkeyVk, s.HotkeyModifiers)); },
     [](CVXLSettingsBase& s, int value) {
         s.HotkeyVk = LOWORD(value);
         s.HotkeyModifiers = HIWORD(value);
     },
     MAKELONG(VK_RETURN, MOD_ALT | MOD_CONTROL), kSettingCurrent, false, 0, 0, 0},
    VXL_SETTING_NUMBER(L"ExtHotkey", Int, ExtHotkey, 0, 0),
    VXL_SETTING_NUMBER(L"Hotkey_Doubled", Bool, Hotkey_Doubled, 0, kSettingCurrent),
    VXL_SETTING_NUMBER(L"Sorting", Int, Sorting, 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardHistory", Bool, ClipboardHistory, 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardHistoryMax", Int, ClipboardHistoryMax, 30, kSettingCurrent),
    VXL_SETTING_NUMBER(L"InsertCHIntoMenu", Bool, InsertCHIntoMenu, 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"AutoCheckForUpdates", Bool, AutoCheckForUpdates, 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"DaysCheckForUpdates", Dword, DaysCheckForUpdates, 7, kSettingCurrent),
    VXL_SETTING_NUMBER(L"SoundOnEventsV094", Bool, SoundOnEventsV094, 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"MenuToolTips_V0_94_A22", Bool, MenuToolTips, 1, kSettingCurrent),
    VXL_SETTING_CLAMPED(L"DelayAutoLoadSeconds_NextRelease", Dword, DelayAutoLoadSeconds, 30, kSettingCurrent, 0, 600,
                        600),
    {L"WriteLog", CSettingKind::WriteLog, VXL_SETTING_FIELD(WriteLog), 0, 0, false, 0, 0, 0},
    VXL_SETTING_NUMBER(L"SaveClipboardHistory_v198", Bool, SaveClipboardHistory, 0, 1),
    // A negative count is no value at all.
    VXL_SETTING_CLAMPED(L"MaxHistoryItemsInMenu", Int, MaxHistoryItemsInMenu, 15, 15, 0, INT_MAX, kSettingCurrent),
    VXL_SETTING_NUMBER(L"AppendCHAsSubMenu_ForV140", Bool, AppendCHAsSubMenu, 0, kSettingCurrent),
    VXL_SETTING_CLAMPED(L"TextPasteMethod_v150", Int, TextPasteMethod, 0, kSettingCurrent, 0, 2, 0),
    // -1: chosen by what user32 offers.
    VXL_SETTING_NUMBER(L"ClipboardSpyMethod_v2_22", Int, ClipboardSpyMethod, -1, -1),
    // The constructor replaces it by "more than one keyboard layout".
    VXL_SETTING_NUMBER(L"InsertEncodeCommandIntoMenu", Bool, InsertEncodeCommandIntoMenu, 0, kSettingCurrent),
    VXL_SETTING_NUMBER(L"AddLastUsedMenuToBegin", Bool, AddLastUsedMenuToBegin, 1, kSettingCurrent),
    VXL_SETTING_CLAMPED(L"AddLastUsedMenuToBegin_Count", Dword, AddLastUsedMenuToBegin_Count, 5, kSettingCurrent, 1, 15,
                        5),
    VXL_SETTING_NUMBER(L"ShowTrayBallonOnHotkey", Bool, ShowTrayBallonOnHotkey, 1, kSettingCurrent),
    VXL_SETTING_CLAMPED(L"PrintLTChars", Dword, PrintLTChars, 2, 100, 1, 1000, 100),
    // Plain text, formatted text, bitmaps, Dorvane data, HTML.
    VXL_SETTING_NUMBER(L"ClipboardFormats0", Bool, ClipboardFormats[0], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardFormats1", Bool, ClipboardFormats[1], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardFormats2", Bool, ClipboardFormats[2], 0, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardFormats3", Bool, ClipboardFormats[3], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ClipboardFormats4", Bool, ClipboardFormats[4], 1, kSettingCurrent),
    VXL_SETTING_OTHER(L"FontForMenu", Font),
    VXL_SETTING_NUMBER(L"ExtMenuCommand__EditSetting", Bool, ExtMenuCommand[0], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ExtMenuCommand__SaveSelAsPhrase", Bool, ExtMenuCommand[1], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ExtMenuCommand__SUPPORT", Bool, ExtMenuCommand[2], 1, kSettingCurrent),
    VXL_SETTING_NUMBER(L"ExtMenuCommand__ShowFloatPane", Bool, ExtMenuCommand[3], 1, kSettingCurrent),
    VXL_SETTING_OTHER(L"Language", Language),
};

#undef VXL_SETTING_OTHER
#undef VXL_SETTING_CLAMPED
#undef VXL_SETTING_NUMBER
#undef VXL_SETTING_FIELD

constexpr int kSettingKeyCount = static_cast<int>(sizeof kSettingKeys / sizeof kSettingKeys[0]);

// The row of a key (exact case); -1 when there is none.
constexpr int SettingKeyRow(const wchar_t* key) {
    for (int row = 0; row < kSettingKeyCount; ++row) {
        const wchar_t* a = kSettingKeys[row].key;
        const wchar_t* b = key;
        while (*a && *a == *b) ++a, ++b;
        if (*a == *b) return row;
    }
    return -1;
}

// Rows in load order.
inline constexpr int kSettingsLoadOrder[] = {
    SettingKeyRow(L"ShowHistoryPaneOnStart"),
    SettingKeyRow(L"Pinned_FloatPane_On_Start"),
    SettingKeyRow(L"PhrasesDirectory"),
    SettingKeyRow(L"Language"),
    SettingKeyRow(L"MenuPerCol_Value"),
    SettingKeyRow(L"MenuPerCol_Enabled"),
    SettingKeyRow(L"Hotkey"),
    SettingKeyRow(L"ExtHotkey"),
    SettingKeyRow(L"Hotkey_Doubled"),
    SettingKeyRow(L"Sorting"),
    SettingKeyRow(L"ShowIconInAltTab_ForFP"),
    SettingKeyRow(L"ClipboardHistory"),
    SettingKeyRow(L"ClipboardHistoryMax"),
    SettingKeyRow(L"InsertCHIntoMenu"),
    SettingKeyRow(L"AutoCheckForUpdates"),
    SettingKeyRow(L"DaysCheckForUpdates"),
    SettingKeyRow(L"SoundOnEventsV094"),
    SettingKeyRow(L"MenuToolTips_V0_94_A22"),
    SettingKeyRow(L"ShowTrayBallonOnHotkey"),
    SettingKeyRow(L"WriteLog"),
    SettingKeyRow(L"InsertEncodeCommandIntoMenu"),
    SettingKeyRow(L"AddLastUsedMenuToBegin"),
    SettingKeyRow(L"AddLastUsedMenuToBegin_Count"),
    SettingKeyRow(L"DelayAutoLoadSeconds_NextRelease"),
    SettingKeyRow(L"SaveClipboardHistory_v198"),
    SettingKeyRow(L"MaxHistoryItemsInMenu"),
    SettingKeyRow(L"AppendCHAsSubMenu_ForV140"),
    SettingKeyRow(L"TextPasteMethod_v150"),
    SettingKeyRow(L"PrintLTChars"),
    SettingKeyRow(L"ClipboardSpyMethod_v2_22"),
    SettingKeyRow(L"ClipboardFormats0"),
    SettingKeyRow(L"ClipboardFormats1"),
    SettingKeyRow(L"ClipboardFormats2"),
    SettingKeyRow(L"ClipboardFormats3"),
    SettingKeyRow(L"ClipboardFormats4"),
    SettingKeyRow(L"FontForMenu"),
    SettingKeyRow(L"ExtMenuCommand__EditSetting"),
    SettingKeyRow(L"ExtMenuCommand__SaveSelAsPhrase"),
    SettingKeyRow(L"ExtMenuCommand__SUPPORT"),
    SettingKeyRow(L"ExtMenuCommand__ShowFloatPane"),
};

// Every row but the saved-only version mark is loaded exactly once.
constexpr bool IsSettingsLoadOrderComplete() {
    int count = static_cast<int>(sizeof kSettingsLoadOrder / sizeof kSettingsLoadOrder[0]);
    for (int row = 0; row < kSettingKeyCount; ++row) {
        int seen = 0;
        for (int i = 0; i < count; ++i)
            if (kSettingsLoadOrder[i] == row) ++seen;
        if (seen != (kSettingKeys[row].kind == CSettingKind::VersionMark ? 0 : 1)) return false;
    }
    for (int i = 0; i < count; ++i)
        if (kSettingsLoadOrder[i] < 0) return false;
    return true;
}
static_assert(IsSettingsLoadOrderComplete(), "the load order names every loaded key once");
