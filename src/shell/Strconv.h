// Moving an edit control's text into one of the model's 8-bit text fields.
#pragma once

#include <string>

class QLineEdit;
class QString;

// The text in the locale's 8-bit encoding, cut to at most 1023 bytes without
// splitting a character.
std::string TextToBuffer(const QString& text);

void EditTextToBuffer(const QLineEdit* edit, std::string& buffer);
