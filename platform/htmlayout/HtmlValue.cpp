// The value functions: a VALUE holds an integer, a boolean or a text it owns.
#include <cstdint>
#include <cstring>

#include "platform/htmlayout/htmlayout.h"

namespace {

struct TextValue {
    UINT length;
    wchar_t chars[1];
};

TextValue* Text(const VALUE* value) {
    return reinterpret_cast<TextValue*>(static_cast<uintptr_t>(value->d));
}

}  // namespace

UINT WINAPI ValueInit(VALUE* value) {
    if (!value) return HV_BAD_PARAMETER;
    value->t = T_UNDEFINED;
    value->u = 0;
    value->d = 0;
    return HV_OK;
}

UINT WINAPI ValueClear(VALUE* value) {
    if (!value) return HV_BAD_PARAMETER;
    if (value->t == T_STRING) operator delete(Text(value));
    return ValueInit(value);
}

UINT WINAPI ValueCopy(VALUE* destination, const VALUE* source) {
    if (!destination || !source) return HV_BAD_PARAMETER;
    if (destination == source) return HV_OK;
    if (source->t == T_STRING) {
        const TextValue* text = Text(source);
        return ValueStringDataSet(destination, text->chars, text->length, source->u);
    }
    ValueClear(destination);
    *destination = *source;
    return HV_OK;
}

UINT WINAPI ValueType(const VALUE* value, UINT* type, UINT* units) {
    if (!value) return HV_BAD_PARAMETER;
    if (type) *type = value->t;
    if (units) *units = value->u;
    return HV_OK;
}

UINT WINAPI ValueIntData(const VALUE* value, INT* data) {
    if (!value || !data) return HV_BAD_PARAMETER;
    if (value->t != T_INT && value->t != T_BOOL) return HV_INCOMPATIBLE_TYPE;
    *data = static_cast<INT>(static_cast<int64_t>(value->d));
    return HV_OK;
}

UINT WINAPI ValueIntDataSet(VALUE* value, INT data, UINT type, UINT units) {
    if (!value || (type != T_INT && type != T_BOOL)) return HV_BAD_PARAMETER;
    ValueClear(value);
    value->t = type;
    value->u = units;
    value->d = static_cast<UINT64>(static_cast<int64_t>(type == T_BOOL ? (data != 0) : data));
    return HV_OK;
}

UINT WINAPI ValueStringData(const VALUE* value, LPCWSTR* chars, UINT* length) {
    if (!value || !chars) return HV_BAD_PARAMETER;
    if (value->t != T_STRING) return HV_INCOMPATIBLE_TYPE;
    *chars = Text(value)->chars;
    if (length) *length = Text(value)->length;
    return HV_OK;
}

UINT WINAPI ValueStringDataSet(VALUE* value, LPCWSTR chars, UINT length, UINT units) {
    if (!value || (!chars && length)) return HV_BAD_PARAMETER;
    // Copied before the old text goes: chars may point into it.
    TextValue* text = static_cast<TextValue*>(operator new(sizeof(TextValue) + sizeof(wchar_t) * length));
    text->length = length;
    if (length) std::memcpy(text->chars, chars, sizeof(wchar_t) * length);
    text->chars[length] = 0;
    ValueClear(value);
    value->t = T_STRING;
    value->u = units;
    value->d = static_cast<UINT64>(reinterpret_cast<uintptr_t>(text));
    return HV_OK;
}
