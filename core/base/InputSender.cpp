#include "core/base/InputSender.h"

UINT CSystemInputSender::Send(const std::vector<INPUT>& inputs) {
    if (inputs.empty()) return 0;
    return SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT));
}

IInputSender& SystemInputSender() {
    static CSystemInputSender sender;
    return sender;
}
