#include "support/console.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <string>

#include "support/fatal.h"

namespace pss {

namespace {

std::FILE* answers = nullptr;
std::FILE* questions = nullptr;
void (*say_hook)() = nullptr;

std::FILE* input() {
  return answers != nullptr ? answers : stdin;
}

// Longest answer kept; a longer token is refused rather than buffered.
constexpr std::size_t max_token = 256;

// The next whitespace-separated token, or an empty string at end of input.
std::string next_token(const char* question) {
  std::FILE* in = input();
  int c = std::getc(in);
  while (c != EOF && std::isspace(c) != 0) c = std::getc(in);
  std::string token;
  while (c != EOF && std::isspace(c) == 0) {
    if (token.size() == max_token) fatal("error, answer to \"%s\" is too long\n", question);
    token.push_back(static_cast<char>(c));
    c = std::getc(in);
  }
  if (token.empty()) fatal("error, no answer to \"%s\" (end of input)\n", question);
  return token;
}

// The token made safe to print: control bytes shown as '?', cut to 40.
std::string printable(const std::string& token) {
  std::string shown;
  for (char ch : token.substr(0, 40)) {
    shown.push_back(std::isprint(static_cast<unsigned char>(ch)) != 0 ? ch : '?');
  }
  if (token.size() > 40) shown += "...";
  return shown;
}

// The token as a finite real; anything else stops the job.
double real_of(const std::string& token, const char* question) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(token.c_str(), &end);
  if (end != token.c_str() + token.size() || !std::isfinite(value)) {
    fatal("error, answer to \"%s\" is not a number: \"%s\"\n", question, printable(token).c_str());
  }
  return value;
}

}  // namespace

void set_console_input(std::FILE* in) {
  answers = in;
}

void set_console_output(std::FILE* out) {
  questions = out;
}

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(questions != nullptr ? questions : stdout, format, args);
  va_end(args);
  if (say_hook != nullptr) say_hook();
}

void set_say_hook(void (*hook)()) {
  say_hook = hook;
}

double read_real(const char* question) {
  return real_of(next_token(question), question);
}

double read_positive_real(const char* question, const char* what) {
  const std::string token = next_token(question);
  const double value = real_of(token, question);
  if (!(value > 0.0)) {
    fatal("error, answer to \"%s\": %s must be above 0, got %s\n", question, what,
          printable(token).c_str());
  }
  return value;
}

int read_int(const char* question) {
  const std::string token = next_token(question);
  std::size_t pos = 0;
  if (token[0] == '+' || token[0] == '-') pos = 1;
  bool digits = pos < token.size();
  for (std::size_t i = pos; i < token.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(token[i])) == 0) digits = false;
  }
  long long value = 0;
  if (digits) {
    errno = 0;
    value = std::strtoll(token.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) digits = false;
  }
  if (!digits) {
    fatal("error, answer to \"%s\" is not an integer: \"%s\"\n", question,
          printable(token).c_str());
  }
  return static_cast<int>(value);
}

char read_char(const char* question) {
  return next_token(question)[0];
}

}  // namespace pss
