/*
 * A component's last error: the current text (none when cleared) and the recording rule that
 * every action and property write applies to its result before returning it. Owned by one
 * component; its thread only.
 */
#ifndef NETKIT_LASTERROR_H
#define NETKIT_LASTERROR_H

#include <string>
#include <string_view>

namespace netkit {

class LastError {
public:
    // The text, or null when there is none; valid until the text changes.
    const char* Text() const { return m_set ? m_text.c_str() : nullptr; }
    void Clear() { m_set = false; }
    void Set(std::string_view text);

    // Marks the start of an operation, for Record to tell whether the operation set a text.
    unsigned Mark() const { return m_serial; }
    // Applies the recording rule to the operation's result and returns it: 301 and 200 get
    // their fixed texts; another failure keeps a text the operation set itself, or else is
    // described from the code.
    int Record(int code, unsigned mark);

private:
    std::string m_text;
    bool m_set = false;
    unsigned m_serial = 0;
};

} // namespace netkit

#endif
