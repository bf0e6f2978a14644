/*
 * The error of the data-access layer, shaped like the COM error object the program was designed
 * around: an HRESULT-like code, the driver's message, a description and a source. Thrown by the
 * database layer; caught at each user-visible operation's boundary.
 */
#ifndef TALLYVOL_PLATFORM_ADO_COMERROR_H
#define TALLYVOL_PLATFORM_ADO_COMERROR_H

#include <cstdint>
#include <exception>
#include <string>

namespace platform::ado {

using HRESULT = std::int32_t;

inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);

class ComError : public std::exception {
public:
    explicit ComError(HRESULT code, std::string message = {}, std::string description = {},
                      std::string source = {});

    HRESULT Error() const { return m_code; }
    // The code as the unsigned number that "%0X" prints.
    std::uint32_t Code() const { return static_cast<std::uint32_t>(m_code); }
    // The message; without one of its own, "IDispatch error #%d" for the codes reserved to
    // dispatch interfaces, else "Unknown error 0x%0lX".
    std::string ErrorMessage() const;
    const std::string& Description() const { return m_description; }
    const std::string& Source() const { return m_source; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    HRESULT m_code;
    std::string m_message;
    std::string m_description;
    std::string m_source;
    std::string m_what;
};

} // namespace platform::ado

#endif
