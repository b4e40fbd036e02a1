// The hook library's side of the query/answer exchange with the main program: the query
// text goes into the named mapping, the data-needed event tells the main program, and the
// answer is read back from the same mapping once the data-completed event is set.
// Everything here runs inside the target program, so every wait is bounded and nothing is
// written or read past the mapped view.
#pragma once

#include <windows.h>

#include <string>

#include "hooklib/QueryCodec.h"

// The names of the three exchange objects, as the install record gave them.
struct CExchangeNames {
    const wchar_t* mappingName;
    const wchar_t* dataNeededName;
    const wchar_t* dataCompletedName;
};

// Longest text the exchange carries, its terminating zero included.
const int kExchangeTextMaxBytes = 409600;
// Wait limits: not at all, or this many messages of the target's thread.
const int kAnswerNoWait = -1;
const int kAnswerWaitMessages = 2000;
// A target thread that receives no messages is held no longer than this.
const DWORD kAnswerWaitMs = 2000;

// The text and its zero, into the mapping (created when missing, at the text's size).
// False for an empty text, a text of kExchangeTextMaxBytes or more, or a mapping whose
// view is smaller than the text: nothing is written then.
bool WriteExchangeText(const wchar_t* mappingName, const std::string& text);
// The text up to its zero, read from at most kExchangeTextMaxBytes of the view. False when
// the mapping is missing or holds no zero within what may be read.
bool ReadExchangeText(const wchar_t* mappingName, std::string& text);

// The printed query. A selection that would take the text to kExchangeTextMaxBytes is cut
// to its longest prefix that fits (never inside a character), and the cut is logged.
std::string PrintCappedWPQuery(CWPQueryData& query);

// Waits for the event while the calling thread's messages are dispatched: true when it is
// set. Ends without it after more than `messageLimit` messages or `timeLimitMs`; a WM_QUIT
// seen meanwhile ends the wait and is posted again for the thread's own loop.
bool WaitForAnswerEvent(HANDLE event, int messageLimit, DWORD timeLimitMs);

// The whole exchange; a WPExchangeResult. `waitLimit` is kAnswerNoWait or a message count.
int ExchangeWPQuery(const CExchangeNames& names, CWPQueryData& query, CWPAnswerData& answer, int waitLimit,
                    DWORD timeLimitMs = kAnswerWaitMs);
