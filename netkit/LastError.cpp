#include "netkit/LastError.h"

#include "netkit/ErrorTexts.h"

namespace netkit {

void LastError::Set(std::string_view text) {
    m_text.assign(text);
    m_set = true;
    ++m_serial;
}

int LastError::Record(int code, unsigned mark) {
    if (code == 0) {
        return 0;
    }
    if (code == kErrInterrupted) {
        Set(kTextInterrupted);
    } else if (code == kErrOutOfMemory) {
        Set(kTextOutOfMemory);
    } else if (!m_set || m_serial == mark) {
        char buffer[80];
        ComposeErrorText(code, buffer);
        Set(buffer);
    }
    return code;
}

} // namespace netkit
