#pragma once
// Draws the pattern view of `kavoxm play` on a terminal: the alternate screen while it lives,
// the cursor hidden, and each frame written over the last from the top-left corner; only
// frames that differ are written, and a change of the terminal's size clears the screen first.
#include "PatternView.h"

#include <cstddef>
#include <string>

class PlayView {
  public:
    PlayView();
    ~PlayView(); // back to the normal screen with the cursor shown
    PlayView(const PlayView&) = delete;
    PlayView& operator=(const PlayView&) = delete;

    void Draw(const ViewFrame& frame);
    // Draws the next frame whole (after the program was stopped and continued).
    void Invalidate() { last.clear(); }

  private:
    std::string last; // the frame on screen
    size_t columns = 0, rows = 0;
};

// True when the view is shown at this size: 80 columns and 24 rows or more.
bool ViewFits(size_t columns, size_t rows);
