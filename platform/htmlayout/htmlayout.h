// Our own small HTML engine, standing in for the HTMLayout engine (HTMLayout.dll), which
// cannot be had here. It keeps the C calls, notification and event codes our pages use and
// nothing else: the same names, our own numbers where the pages do not fix them.
//
// It covers: a forgiving HTML parser (UTF-8 input), a DOM with counted element
// references, CSS with type, id and class selectors (descendant and child combinators),
// block, inline and table layout with GDI paint, a vertical scroll bar, links with the hand
// cursor and "#name" jumps, IMG pictures handed over through the load-data notification
// (or read from the base folder), the "checkbox" widget and the "number" INPUT.
//
// It leaves out: scripts, frames, forms other than those two controls, floats and
// absolute positioning, ROWSPAN, borders around inline elements (their spacing is kept,
// their background is drawn behind their text), horizontal scrolling, keyboard focus
// moving between links, selection and copying of text, printing, CSS beyond the
// properties the pages use (see HtmlCss.cpp), animated pictures, network access of its
// own (a remote picture that nobody hands over shows its ALT box), and the engine's
// behaviours, tool tips and value types other than integers, booleans and texts.
//
// Limits, each written to the log when hit: 4 M characters of page, 256 levels of
// nesting (deeper elements are put side by side), 200,000 nodes, 32 K characters of an
// attribute value, 5000 rules of a style sheet, 16 MB of a resource, 8192 pixels of a
// picture's side.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HELEMENT;
typedef const BYTE* LPCBYTE;

typedef int HLDOM_RESULT;
enum {
    HLDOM_OK_NOT_HANDLED = -1,
    HLDOM_OK = 0,
    HLDOM_INVALID_HWND = 1,
    HLDOM_INVALID_HANDLE = 2,
    HLDOM_INVALID_PARAMETER = 4,
    HLDOM_OPERATION_FAILED = 5,
};

// Element state bits.
enum {
    STATE_FOCUS = 0x00000008,  // the number box being edited
    STATE_CHECKED = 0x00000040,
    STATE_DISABLED = 0x00000080,
};

// Control types.
enum {
    CTL_NO = 0,
    CTL_NUMERIC = 4,
    CTL_CHECKBOX = 7,
    CTL_HYPERLINK = 18,
};

// Values of controls. A text value owns its copy; ValueClear frees it.
typedef struct {
    UINT t;
    UINT u;
    UINT64 d;
} VALUE;

enum { T_UNDEFINED = 0, T_BOOL = 2, T_INT = 3, T_STRING = 6 };
enum { HV_OK = 0, HV_BAD_PARAMETER = 1, HV_INCOMPATIBLE_TYPE = 2 };

UINT WINAPI ValueInit(VALUE* value);
UINT WINAPI ValueClear(VALUE* value);
UINT WINAPI ValueCopy(VALUE* destination, const VALUE* source);
UINT WINAPI ValueType(const VALUE* value, UINT* type, UINT* units);
UINT WINAPI ValueIntData(const VALUE* value, INT* data);
UINT WINAPI ValueIntDataSet(VALUE* value, INT data, UINT type, UINT units);
UINT WINAPI ValueStringData(const VALUE* value, LPCWSTR* chars, UINT* length);
UINT WINAPI ValueStringDataSet(VALUE* value, LPCWSTR chars, UINT length, UINT units);

// Event groups of HTMLayoutWindowAttachEventHandler's subscription.
enum {
    HANDLE_MOUSE = 0x0001,
    HANDLE_BEHAVIOR_EVENT = 0x0100,
    HANDLE_ALL = 0xFFFF,
};

// Phases of behaviour events: first going down to the target (SINKING), then coming back
// up. Mouse events come once, without SINKING.
enum { SINKING = 0x8000 };

enum { MOUSE_MOVE = 2, MOUSE_UP = 3, MOUSE_DOWN = 4, MOUSE_DCLICK = 5 };
enum { MAIN_MOUSE_BUTTON = 1, PROP_MOUSE_BUTTON = 2, MIDDLE_MOUSE_BUTTON = 4 };

typedef struct {
    UINT cmd;  // MOUSE_...
    HELEMENT target;
    POINT pos;           // in the target's coordinates
    POINT pos_document;  // in the document's
    UINT button_state;   // ..._MOUSE_BUTTON
    UINT alt_state;      // MK_CONTROL, MK_SHIFT
} MOUSE_PARAMS;

enum { BUTTON_STATE_CHANGED = 2, HYPERLINK_CLICK = 0x80 };

typedef struct {
    UINT cmd;  // BUTTON_STATE_CHANGED or HYPERLINK_CLICK, with SINKING in the first phase
    HELEMENT heTarget;
    HELEMENT he;
    UINT reason;
} BEHAVIOR_EVENT_PARAMS;

// Returns TRUE when it handled (consumed) the event. he is the element the handler is
// attached to: the root for a window handler.
typedef BOOL(CALLBACK* LPELEMENT_EVENT_PROC)(LPVOID tag, HELEMENT he, UINT evtg, LPVOID params);

// Notifications, sent to the callback when one is set, else to the parent as WM_NOTIFY.
enum { HLN_LOAD_DATA = 0xAFF + 0x01 };
enum { HLRT_DATA_IMAGE = 1, HLRT_DATA_STYLE = 2 };
enum { LOAD_OK = 0, LOAD_DISCARD = 1 };

// The engine asks for a resource it found in the page, with its address resolved against
// the base URL. The answer is either outData/outDataSize (the engine copies the bytes when
// the notification returns), HTMLayoutDataReady now or later, or nothing: then the engine
// reads a local file itself. LOAD_DISCARD drops the request.
typedef struct {
    NMHDR hdr;
    LPCWSTR uri;
    LPVOID outData;
    DWORD outDataSize;
    UINT dataType;  // HLRT_DATA_...
    HELEMENT principal;
    HELEMENT initiator;
} NMHL_LOAD_DATA;

typedef LRESULT(CALLBACK* LPHTMLAYOUT_NOTIFY)(UINT uMsg, WPARAM wParam, LPARAM lParam, LPVOID vParam);

typedef BOOL(CALLBACK* HTMLayoutElementCallback)(HELEMENT he, LPVOID param);

LPCWSTR WINAPI HTMLayoutClassNameW(void);
BOOL WINAPI HTMLayoutLoadHtml(HWND hWnd, LPCBYTE html, UINT htmlSize);
BOOL WINAPI HTMLayoutLoadHtmlEx(HWND hWnd, LPCBYTE html, UINT htmlSize, LPCWSTR baseUrl);
BOOL WINAPI HTMLayoutDataReady(HWND hWnd, LPCWSTR uri, LPCBYTE data, DWORD dataSize);
void WINAPI HTMLayoutSetCallback(HWND hWnd, LPHTMLAYOUT_NOTIFY callback, LPVOID callbackParam);
// Attaching the same handler and tag again only changes its subscription.
HLDOM_RESULT WINAPI HTMLayoutWindowAttachEventHandler(HWND hWnd, LPELEMENT_EVENT_PROC proc, LPVOID tag,
                                                      UINT subscription);

HLDOM_RESULT WINAPI HTMLayoutGetRootElement(HWND hWnd, HELEMENT* phe);
// The parent of he; null for the root.
HLDOM_RESULT WINAPI HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent);
HLDOM_RESULT WINAPI HTMLayout_UseElement(HELEMENT he);
HLDOM_RESULT WINAPI HTMLayout_UnuseElement(HELEMENT he);
// Calls callback for every element below he (depth 0: at any depth, n: at most n levels
// down) whose tag (null: any) has the attribute (null: any) with the value (null: any
// value); stops when the callback returns TRUE.
HLDOM_RESULT WINAPI HTMLayoutVisitElements(HELEMENT he, LPCSTR tagName, LPCSTR attributeName, LPCWSTR attributeValue,
                                           HTMLayoutElementCallback callback, LPVOID param, DWORD depth);
// The text stays valid until the attribute or the document changes.
HLDOM_RESULT WINAPI HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value);
// A null value removes the attribute.
HLDOM_RESULT WINAPI HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value);
// A null value removes one runtime style attribute; a null or empty name removes them all.
HLDOM_RESULT WINAPI HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value);
HLDOM_RESULT WINAPI HTMLayoutGetElementState(HELEMENT he, UINT* state);
HLDOM_RESULT WINAPI HTMLayoutSetElementState(HELEMENT he, UINT bitsToSet, UINT bitsToClear, BOOL update);
HLDOM_RESULT WINAPI HTMLayoutControlGetType(HELEMENT he, UINT* type);
HLDOM_RESULT WINAPI HTMLayoutControlGetValue(HELEMENT he, VALUE* value);
HLDOM_RESULT WINAPI HTMLayoutControlSetValue(HELEMENT he, const VALUE* value);

#ifdef __cplusplus
}
#endif
