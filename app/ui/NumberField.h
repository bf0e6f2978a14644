/*
 * Reading a whole number from an edit field as the dialog framework's data exchange does: text
 * that is no whole number in the field's range brings up the framework's prompt naming the
 * range, the field gets the focus back with its text selected, the member keeps its value and
 * the dialog stays open. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_NUMBERFIELD_H
#define TALLYVOL_APP_UI_NUMBERFIELD_H

#include <string>

class QLineEdit;

namespace app::ui {

// The prompt for a field that takes whole numbers from `minimum` to `maximum`.
std::string NumberRangePrompt(long long minimum, long long maximum);

// True with *value set when the field holds a whole number from `minimum` to `maximum` (blanks
// around it allowed); otherwise the prompt, the focus back to the field, and false.
bool ReadNumberField(QLineEdit& field, long long minimum, long long maximum, long long* value);

// A field that holds an unsigned 32-bit count (columns, rows, days), as an edit control with the
// number style: digits only.
inline constexpr const char* kUnsignedFieldPrompt = "Please enter an integer between 0 and 4294967295.";
void MakeUnsignedField(QLineEdit& field);
void PushUnsignedField(QLineEdit& field, unsigned value);
bool ReadUnsignedField(QLineEdit& field, unsigned& value);

} // namespace app::ui

#endif
