// The two texts of the exchange between the hook library and the main program: the
// WPQuery that describes the target and the WPAnswer that carries a menu. Both sides link
// this one codec, so what one prints the other reads. Only texts and records here; the
// mapping and the events that carry them belong to the exchange itself.
//
// Element texts are UTF-8 and attribute values decimal. Window handles travel as the
// signed decimal of their 32-bit value, so 32- and 64-bit builds print the same text.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/CString.h"
#include "hooklib/PhraseNode.h"

// Results of the library's exchange; ParseWPAnswer gives the first and the last.
enum WPExchangeResult {
    WPX_ANSWER_READ = 0,
    WPX_QUERY_NOT_WRITTEN = 1,
    WPX_NEEDED_EVENT_FAILED = 2,
    WPX_NO_ANSWER = 3,
    WPX_ANSWER_UNREADABLE = 4,
};

// States of the selected text.
enum WPSelTextState {
    WPSEL_NONE = 0,
    WPSEL_UNREADABLE = 1,  // the main program then tries a copy of its own
    WPSEL_READ = 2,
};

class CWPQueryData {
public:
    // Takes the GUI thread information of the calling thread: the query is built on the
    // thread whose windows it describes.
    CWPQueryData();

    CString m_appPath;
    CString m_windowClassName;
    HWND m_targetWindow;
    GUITHREADINFO m_guiThreadInfo;
    HKL m_keyboardLayout;
    CString m_selectedText;
    int m_selTextState;
    int m_pointX;  // both -1: at the mouse pointer
    int m_pointY;
};

class CWPAnswerData {
public:
    CPhraseNodeList m_commands;
    int m_menuPerColumn = -1;  // -1: no column breaks
    int m_sound = 0;
    int m_showToolTips = 1;
    int m_foregroundTopMostWnd = 0;  // carried, not acted on
};

// The whole WPQuery text, declaration first, CR LF after every line.
std::string PrintWPQuery(const CWPQueryData& query);
// Main side. Missing parts read as: points -1, windows 0, layout 0 unless both words are
// there; a missing path, class or "SelText" leaves that field as it was, a missing state
// reads -1. Blanks of the texts are kept exactly. False for an empty, non-UTF-8 or
// unparsable text or one without the root "WPQuery".
bool ParseWPQuery(const char* text, CWPQueryData& query);

// Main side. Empty when there are no commands: then no answer is written at all.
std::string PrintWPAnswer(const CWPAnswerData& answer);
// Library side: WPX_ANSWER_READ, or WPX_ANSWER_UNREADABLE for an empty or unparsable text
// or one without "WPAnswer" and its "Group". The commands are appended to the record's list.
int ParseWPAnswer(const char* text, CWPAnswerData& answer);
