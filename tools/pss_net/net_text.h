// The text form of network files: every field of a `.net` file as a
// line-oriented, commented text that a person can read and edit, and back.
// The form is described in docs/net-text.md.
#pragma once

#include <string>

#include "model/net_file.h"

namespace pss {

// The text of a parsed network file. Doubles are written so that they read
// back to the same bits.
std::string net_to_text(const net_file& file);

// Parses the text form. On failure returns false and sets `error` to
// "LINE: error: message" (the caller puts the file name in front). The text
// is checked for form only: it may describe a network that the solver's
// reader refuses, which is how broken files are made on purpose.
bool text_to_net(const std::string& text, net_file& out, std::string& error);

}  // namespace pss
