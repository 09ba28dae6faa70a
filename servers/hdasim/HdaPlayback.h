#pragma once
// Playback hands history over in portions: the first portion is [start, start + duration),
// each next one the following duration, until end (excluded). A portion is ready once now has
// passed its end, so playback that reaches the present waits for history to be made; with no
// end it goes on for ever. What each portion holds (raw values, aggregates) the caller reads.

#include <cstdint>

class HdaPlaybackCursor {
public:
  // `end` 0 means no end. The duration must be positive.
  HdaPlaybackCursor(int64_t start, int64_t end, int64_t duration);

  // The next portion if it is ready by `now`: true and [from, to); false when it is not yet
  // ready or playback is finished.
  bool Next(int64_t now, int64_t& from, int64_t& to);
  bool Finished() const { return FEnd != 0 && FPosition >= FEnd; }
  int64_t Position() const { return FPosition; }

private:
  int64_t FPosition;
  int64_t FEnd;
  int64_t FDuration;
};
