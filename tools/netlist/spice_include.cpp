// .include FILE and .inc FILE in a SPICE deck: the file's lines read in
// place of the line, as ngspice reads them. FILE, quoted or not, is
// relative to the folder of the file that includes it; an included file
// may include others. The deck's lines are numbered as the includes expand
// them, and nl.origins keeps, for each, the file and line it came from, so
// that every message names the line that was read. An included file has no
// title line, and its `.end` does not end the deck (ngspice goes on
// reading after it too).
#include <filesystem>
#include <system_error>

#include "support/files.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// Blanks the title line (when the text has one) and cuts `$` comments,
// keeping every newline so that line numbers stay those of the file.
std::string without_title_and_dollar_comments(const std::string& text, bool has_title) {
  std::string out;
  out.reserve(text.size());
  bool title = has_title;
  bool comment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\n') {
      title = false;
      comment = false;
      out += ch;
      continue;
    }
    if (ch == '$' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t')) comment = true;
    if (!title && !comment) out += ch;
  }
  return out;
}

struct include_reader {
  netlist& nl;
  std::string text;               // the deck so far, lines joined by newlines
  std::vector<std::string> open;  // the files being read, outermost first
};

// Adds a line; returns its number in the expanded deck.
int add_line(include_reader& r, const std::string& line, line_origin origin) {
  if (!r.nl.origins.empty()) r.text += '\n';
  r.text += line;
  r.nl.origins.push_back(origin);
  return static_cast<int>(r.nl.origins.size());
}

// The file name after .include: up to the closing quote, or the first blank.
std::string file_name_of(const std::string& rest) {
  const std::size_t first = rest.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const char quote = rest[first];
  if (quote == '"' || quote == '\'') {
    const std::size_t close = rest.find(quote, first + 1);
    return close == std::string::npos ? "" : rest.substr(first + 1, close - first - 1);
  }
  const std::size_t end = rest.find_first_of(" \t\r", first);
  return rest.substr(first, end == std::string::npos ? std::string::npos : end - first);
}

std::string identity_of(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : canonical.string();
}

void read_lines(include_reader& r, const std::string& text, int file, const std::string& folder);

void include(include_reader& r, int line, const std::string& directive, const std::string& rest,
             const std::string& folder) {
  const std::string name = file_name_of(rest);
  if (name.empty()) {
    error(r.nl, line, directive + " needs a file name");
    return;
  }
  std::filesystem::path path(name);
  if (path.is_relative() && !folder.empty()) path = std::filesystem::path(folder) / path;
  const std::string shown = path.lexically_normal().string();
  const std::string identity = identity_of(shown);
  for (const std::string& o : r.open) {
    if (o != identity) continue;
    error(r.nl, line,
          directive + ": '" + shown + "' is already being read: the includes make a cycle");
    return;
  }
  // Only a regular file: a device such as /dev/zero or a pipe may never end.
  std::error_code ec;
  if (std::filesystem::exists(shown, ec) && !std::filesystem::is_regular_file(shown, ec)) {
    error(r.nl, line, directive + ": '" + shown + "' is not a regular file");
    return;
  }
  std::vector<uint8_t> bytes;
  if (!read_file(shown, bytes)) {
    error(r.nl, line, directive + ": cannot read '" + shown + "'");
    return;
  }
  r.nl.included_files.push_back(shown);
  const int index = static_cast<int>(r.nl.included_files.size()) - 1;
  r.open.push_back(identity);
  read_lines(r, without_title_and_dollar_comments(std::string(bytes.begin(), bytes.end()), false),
             index, path.parent_path().string());
  r.open.pop_back();
}

// Reads the lines of the deck (file -1) or of an included file; lines after
// the deck's .end are kept as they are, unread.
void read_lines(include_reader& r, const std::string& text, int file, const std::string& folder) {
  bool ended = false;
  int number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const line_origin origin{file, ++number};
    const std::string word = ended ? "" : first_word(line);
    if (word == ".end" && file >= 0) {
      note(r.nl, add_line(r, "", origin), ".end skipped: an included file does not end the deck");
    } else if (word == ".include" || word == ".inc") {
      const std::size_t at = line.find_first_not_of(" \t");
      include(r, add_line(r, "", origin), line.substr(at, word.size()),
              line.substr(at + word.size()), folder);
    } else {
      ended = ended || word == ".end";
      add_line(r, line, origin);
    }
  }
}

}  // namespace

std::string deck_with_includes(const std::string& text, netlist& nl) {
  include_reader r{nl, {}, {}};
  if (!nl.path.empty()) r.open.push_back(identity_of(nl.path));
  read_lines(r, without_title_and_dollar_comments(text, true), -1,
             std::filesystem::path(nl.path).parent_path().string());
  // A deck that includes nothing keeps its own line numbers.
  if (nl.included_files.empty()) nl.origins.clear();
  return r.text;
}

}  // namespace pss::netlist_compiler
