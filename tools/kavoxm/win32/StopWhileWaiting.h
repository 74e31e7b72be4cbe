#pragma once
// A read from a pipe that nobody writes to would wait for ever, and a Windows console event
// does not interrupt it. While an object of this class lives, a stop request (Ctrl-C, the
// console closed) ends the program at once with the stop's exit code: the reads it guards
// come before anything is written, so there is nothing to tidy.
class StopWhileWaiting {
  public:
    StopWhileWaiting();
    ~StopWhileWaiting();
    StopWhileWaiting(const StopWhileWaiting&) = delete;
    StopWhileWaiting& operator=(const StopWhileWaiting&) = delete;
};
