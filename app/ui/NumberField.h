/*
 * The data exchange of a number field: an edit control that holds an unsigned 32-bit count
 * (columns, rows, days). It takes digits only, and reading a text that is no such number
 * (empty, too large) answers with the framework's prompt, gives the field the focus with its
 * text selected and leaves the member as it was. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_NUMBERFIELD_H
#define TALLYVOL_APP_UI_NUMBERFIELD_H

class QLineEdit;

namespace app::ui {

// The prompt after a refused number field, and its caption the program's name.
inline constexpr const char* kUnsignedFieldPrompt = "Please enter an integer between 0 and 4294967295.";

// Lets the field take digits only, as an edit control with the number style does.
void MakeUnsignedField(QLineEdit& field);
void PushUnsignedField(QLineEdit& field, unsigned value);
// False, after the prompt, when the field holds no unsigned 32-bit number.
bool ReadUnsignedField(QLineEdit& field, unsigned& value);

} // namespace app::ui

#endif
