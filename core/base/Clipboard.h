// The clipboard as code that must be testable without a desktop sees it. Classes take
// an IClipboard& in their constructor; the programs pass SystemClipboard(), tests a fake.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Opens the clipboard for this thread, asking again until timeoutMs has passed;
    // `owner` becomes the clipboard's owner when it is emptied. False when it stayed shut.
    virtual bool Open(HWND owner, DWORD timeoutMs) = 0;
    virtual void Close() = 0;
    // The rest need the clipboard open, as on the system.
    virtual std::vector<UINT> Formats() = 0;
    // The bytes of a format held in global memory; false when it is not there.
    virtual bool Read(UINT format, std::vector<BYTE>& bytes) = 0;
    // Empties the clipboard and makes the opener its owner.
    virtual bool Empty() = 0;
    virtual bool Write(UINT format, const void* bytes, size_t size) = 0;
    // Changes with every change of the clipboard's contents; needs no opening.
    virtual DWORD SequenceNumber() = 0;
};

class CSystemClipboard final : public IClipboard {
public:
    bool Open(HWND owner, DWORD timeoutMs) override;
    void Close() override;
    std::vector<UINT> Formats() override;
    bool Read(UINT format, std::vector<BYTE>& bytes) override;
    bool Empty() override;
    bool Write(UINT format, const void* bytes, size_t size) override;
    DWORD SequenceNumber() override;

private:
    std::unique_ptr<CClipboardOpen> m_open;
};

IClipboard& SystemClipboard();

// CF_UNICODETEXT through an open clipboard: the text up to its terminator or the end of
// the block, whichever comes first.
bool ReadClipboardUnicodeText(IClipboard& clipboard, CString& text);
bool WriteClipboardUnicodeText(IClipboard& clipboard, const CString& text);
