#pragma once

#include <QString>

namespace korvex {

// Removes the last character of text, a surrogate pair as one: the step by which texts
// are cut until they fit a width, on the page and on the screen.
void removeLastCharacter(QString& text);

} // namespace korvex
