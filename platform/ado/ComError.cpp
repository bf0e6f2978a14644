#include "platform/ado/ComError.h"

#include <cstdio>

namespace platform::ado {

ComError::ComError(HRESULT code, std::string message, std::string description, std::string source)
    : m_code(code), m_message(std::move(message)), m_description(std::move(description)),
      m_source(std::move(source)) {
    m_what = ErrorMessage();
    if (!m_description.empty()) {
        m_what += ": " + m_description;
    }
}

std::string ComError::ErrorMessage() const {
    if (!m_message.empty()) {
        return m_message;
    }
    char buffer[64];
    std::uint32_t code = Code();
    // Interface-specific codes from 0x200 up are the ones dispatch interfaces number themselves.
    constexpr std::uint32_t kFacilityItf = 4;
    std::uint32_t facility = (code >> 16) & 0x1FFF;
    std::uint32_t number = code & 0xFFFF;
    if ((code & 0x80000000u) != 0 && facility == kFacilityItf && number >= 0x200) {
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(number - 0x200));
    } else {
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    }
    return buffer;
}

} // namespace platform::ado
