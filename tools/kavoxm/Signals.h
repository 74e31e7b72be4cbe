#pragma once
// Stop requests: SIGINT, SIGTERM and SIGHUP are caught from the start of main, so that every
// command, whatever it is doing, stops tidily (terminal restored, partial output removed) and
// exits with 128 + the signal number (130 for Ctrl-C, 143 for SIGTERM). On Windows the console's
// events stand for them: Ctrl-C and Ctrl-Break for SIGINT, a closed console for SIGTERM.
// posix/Signals.cpp: sigaction; win32/Signals.cpp: a console control handler.

// Installs the handlers, and points the song scans' stop flag at the signal received, so that
// a measurement or a seek in progress ends at its next tick. Blocking reads of the input end rather
// than wait on. A signal that was ignored when the program started stays ignored.
void InstallStopHandlers();
// The signal that asked to stop, or 0.
int StopSignal();
// 128 + StopSignal().
int StopExitCode();
