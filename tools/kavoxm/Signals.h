#pragma once
// Stop requests: SIGINT, SIGTERM and SIGHUP are caught from the start of main, so that every
// command, whatever it is doing, stops tidily (terminal restored, partial output removed) and
// exits with 128 + the signal number (130 for Ctrl-C, 143 for SIGTERM).

// Installs the handlers. Blocking reads are interrupted rather than restarted.
void InstallStopHandlers();
// The signal that asked to stop, or 0.
int StopSignal();
// 128 + StopSignal().
int StopExitCode();
