// A clipboard in memory that keeps the system's rules: nothing is read or written
// unless it is open, writing needs an empty first, and every change moves the sequence
// number. `heldByOther` makes Open fail as when another program holds the clipboard.
#pragma once

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

#include "core/base/Clipboard.h"

class CFakeClipboard final : public IClipboard {
public:
    bool heldByOther = false;
    HWND owner = nullptr;

    bool Open(HWND openOwner, DWORD) override {
        if (heldByOther) return false;
        m_open = true;
        m_openOwner = openOwner;
        return true;
    }
    void Close() override { m_open = false; }
    bool IsOpen() const { return m_open; }

    std::vector<UINT> Formats() override {
        std::vector<UINT> formats;
        if (!m_open) return formats;
        for (const auto& item : m_items) formats.push_back(item.first);
        return formats;
    }
    bool Read(UINT format, std::vector<BYTE>& bytes) override {
        if (!m_open) return false;
        for (const auto& item : m_items) {
            if (item.first != format) continue;
            bytes = item.second;
            return true;
        }
        return false;
    }
    bool Empty() override {
        if (!m_open) return false;
        m_items.clear();
        owner = m_openOwner;
        m_emptied = true;
        ++m_sequence;
        return true;
    }
    bool Write(UINT format, const void* bytes, size_t size) override {
        if (!m_open || !m_emptied) return false;
        std::vector<BYTE> copy(size);
        if (size) memcpy(copy.data(), bytes, size);
        for (auto& item : m_items) {
            if (item.first != format) continue;
            item.second = std::move(copy);
            ++m_sequence;
            return true;
        }
        m_items.emplace_back(format, std::move(copy));
        ++m_sequence;
        return true;
    }
    DWORD SequenceNumber() override { return m_sequence; }

    // What another program does: replaces the contents without this side opening.
    void SetByOther(UINT format, std::vector<BYTE> bytes) {
        m_items.assign(1, {format, std::move(bytes)});
        owner = nullptr;
        m_emptied = false;
        ++m_sequence;
    }

private:
    bool m_open = false;
    bool m_emptied = false;
    HWND m_openOwner = nullptr;
    DWORD m_sequence = 1;
    std::vector<std::pair<UINT, std::vector<BYTE>>> m_items;
};
