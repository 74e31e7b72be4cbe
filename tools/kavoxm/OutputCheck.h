#pragma once
// Standard output of the commands, checked like any other output: text that could not be
// written is a failure with its reason, never a silent success. A reader that closes a pipe
// early ends the program by SIGPIPE, as it ends cat; when the parent left SIGPIPE ignored, the
// failed write is reported like any other.
#include <string>

// Puts a placeholder on standard input, output or error when the caller closed it: every read
// or write through it fails ("Bad file descriptor"), and no file the tool opens later takes its
// number and receives text meant for the terminal.
void HoldStandardStreams();

// True once a write to standard output has failed; the reason of the first failure is kept.
// Commands that write a lot ask after each piece and stop writing.
bool StandardOutputFailed();

// Flushes standard output at the end of a command. Returns `exitCode` when all of it was
// written; otherwise prints "PREFIX: cannot write standard output: REASON" and returns 1. A
// command that already failed keeps its code and its own message.
int FinishStandardOutput(const std::string& prefix, int exitCode);
