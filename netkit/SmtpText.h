/*
 * The text rules of the SMTP component: folding header values, dot-stuffing message data,
 * scanning recipient lists, forming the sender command, normalising the extra headers and
 * keeping every command on one line. Pure functions; any thread.
 */
#ifndef NETKIT_SMTPTEXT_H
#define NETKIT_SMTPTEXT_H

#include <string>
#include <string_view>
#include <vector>

namespace netkit {

// Longest address taken from a recipient list or the sender.
constexpr std::size_t kMaxAddress = 255;

// A header value as stored: CR and LF become blanks, then it is folded at `width` (continuation
// lines begin with CR LF TAB). With width 0 the text is kept, except that a line break not
// followed by a blank or tab (which would start a new header) becomes blanks.
std::string FoldHeader(std::string_view value, unsigned width);

// Doubles every "." at the start of the text or after a line feed.
std::string DotStuff(std::string_view text);

// Dot-stuffs a block of a longer stream; `atLineStart` carries the state between blocks.
void DotStuffBlock(std::string_view block, bool& atLineStart, std::string& out);

// The addresses of a recipient list, in order.
std::vector<std::string> ParseRecipients(std::string_view list);

// "<word> FROM:<address>" for the sender text (the byte 7 sends the rest unchanged).
std::string SenderCommand(std::string_view word, std::string_view from);

// Ends the text with exactly one CR LF.
void NormaliseExtraHeaders(std::string& headers);

// A command line as sent: folds are undone, any other CR or LF becomes a blank.
std::string SingleLine(std::string_view command);

} // namespace netkit

#endif
