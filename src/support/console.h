// Answers to the console dialogue.
//
// Answers are whitespace-separated tokens on standard input, so a job can be
// driven by piping a file of answers. A token that is not wholly the value
// asked for, or the end of input, stops the job with one line that names the
// question: the program never guesses, loops on or skips a missing answer.
#pragma once

#include <cstdio>

namespace pss {

// Reads one real ("%le" in the dialogue). `question` names the question in
// the error message, e.g. "convergence accuracy?".
double read_real(const char* question);

// Reads one real that must be above 0 (it is finite, as every real read
// is); `what` names it in the refusal, e.g. "the accuracy".
double read_positive_real(const char* question, const char* what);

// Reads one integer ("%d"): an optional sign and decimal digits that fit in
// 32 bits; "32.5" or "abc" is refused.
int read_int(const char* question);

// Reads a yes/no style answer: the first character of the next token.
char read_char(const char* question);

// Redirects the answers (tests); nullptr restores standard input.
void set_console_input(std::FILE* input);

// Prints a question or progress line of the dialogue (printf-style) on
// standard output, or where `set_console_output` points it (tests).
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void set_console_output(std::FILE* output);

// Calls `hook` after everything said; it may throw to end a job early (a
// harness that bounds the work of a job run in its own process). nullptr
// removes it.
void set_say_hook(void (*hook)());

}  // namespace pss
