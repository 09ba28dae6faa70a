#include "servers/hdasim/HdaPlayback.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"

HdaPlaybackCursor::HdaPlaybackCursor(int64_t start, int64_t end, int64_t duration)
    : FPosition(start), FEnd(end), FDuration(duration) {
  if (duration <= 0) throw Exception("A playback portion must last longer than zero");
}

bool HdaPlaybackCursor::Next(int64_t now, int64_t& from, int64_t& to) {
  if (Finished()) return false;
  const int64_t portionEnd = FEnd != 0 ? std::min(FPosition + FDuration, FEnd) : FPosition + FDuration;
  if (portionEnd > now + 1) return false;
  from = FPosition;
  to = portionEnd;
  FPosition = portionEnd;
  return true;
}
