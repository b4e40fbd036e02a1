// Dialogs whose control texts come from the language file.
//
// CDialogBase works on the live dialog's window handle only and knows no window-class
// framework: a dialog class of any kind (a plain dialog procedure or a window-library
// class) holds one, gives it the window in WM_INITDIALOG and calls Create_Dialog.
//
// Section of a dialog: "Dialog", "_" + suffix when there is one (no second "_" when the
// suffix begins with one), "_" + resource id: "Dialog_Client_130". Keys are control ids
// in decimal; values use the escapes of core/UiStrings.h.
#pragma once

#include <windows.h>

#include <set>

#include "core/base/CString.h"

class CDialogBase {
public:
    // resourceId: the dialog template; suffix: the program's ("_Client" in the main program).
    CDialogBase(UINT resourceId, const wchar_t* sectionSuffix);
    virtual ~CDialogBase();

    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Translates the live dialog (SetDialogWindow): builds a hidden English reference copy
    // from the template of GetResourceInstance, runs TranslateControls against it and
    // destroys it. False when there is no live dialog.
    virtual bool Create_Dialog();
    // The module that holds the template; by default the module that holds this code.
    virtual HINSTANCE GetResourceInstance() const;
    // The language file in use: the current language file of the process.
    virtual CString GetLngFilePath() const;

    // Translates the direct children of the live dialog. reference: a copy of the dialog
    // built from the template, whose texts are the English ones (may be null).
    bool TranslateControls(HWND reference);

    void SetDialogWindow(HWND dialog) { m_dialog = dialog; }
    HWND GetDialogWindow() const { return m_dialog; }
    // Convenience for WM_INITDIALOG: SetDialogWindow and Create_Dialog.
    bool TranslateDialog(HWND dialog) {
        SetDialogWindow(dialog);
        return Create_Dialog();
    }

    // Controls that are never translated (for example texts the dialog fills itself).
    void AddSkippedId(int controlId) { m_skipped.insert(controlId); }
    bool IsSkippedId(int controlId) const { return m_skipped.count(controlId) != 0; }

    UINT GetResourceId() const { return m_resourceId; }
    CString GetSectionName() const;

private:
    HWND m_dialog = nullptr;
    UINT m_resourceId;
    CString m_suffix;
    std::set<int> m_skipped;
};

// "Dialog" + suffix part + "_" + id (see above).
CString BuildDialogSectionName(const wchar_t* suffix, UINT resourceId);
