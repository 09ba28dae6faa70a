#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr int64_t kCopyChunk = 65536;
// One read or write call moves at most this much; the loops around them do the rest.
constexpr int64_t kIoChunk = int64_t{1} << 30;

std::string SystemErrorText(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);  // the GNU variant returns the text
}

[[noreturn]] void RaiseInvalidPosition() { throw EStreamError("Invalid stream position"); }

// The position offset gives from origin; positions below 0 or past int64_t raise.
int64_t TargetPosition(int64_t offset, TSeekOrigin origin, int64_t current, int64_t size) {
  const int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? current : size;
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0)
    RaiseInvalidPosition();
  return target;
}

}  // namespace

// TStream

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Read(buffer, count) != count))
    throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Write(buffer, count) != count))
    throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0)
    throw EReadError("Stream read error");
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buffer[kCopyChunk];
  for (int64_t left = count; left > 0;) {
    const int64_t chunk = std::min(left, kCopyChunk);
    source.ReadBuffer(buffer, chunk);
    WriteBuffer(buffer, chunk);
    left -= chunk;
  }
  return count;
}

std::string ReadStreamText(TStream& stream, size_t maxSize) {
  std::string text;
  char buffer[kCopyChunk];
  while (text.size() <= maxSize) {
    const int64_t count = stream.Read(buffer, kCopyChunk);
    if (count <= 0)
      break;
    text.append(buffer, static_cast<size_t>(count));
  }
  return text;
}

// TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition >= Size())
    return 0;
  const int64_t available = std::min(count, Size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(available));
  FPosition += available;
  return available;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  int64_t end;
  if (__builtin_add_overflow(FPosition, count, &end))
    RaiseInvalidPosition();
  if (end > Size())
    SetSize(end);  // a gap left by seeking past the end reads as zeros
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  FPosition = TargetPosition(offset, origin, FPosition, Size());
  return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0)
    throw EStreamError("Invalid stream size");
  try {
    FData.resize(static_cast<size_t>(newSize));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  } catch (const std::length_error&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
  FPosition = std::min(FPosition, newSize);
}

void TMemoryStream::Clear() {
  std::vector<uint8_t>().swap(FData);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const int64_t size = stream.Size();
  SetSize(size);
  FPosition = 0;
  stream.ReadBuffer(FData.data(), size);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

void TMemoryStream::SaveToStream(TStream& stream) { stream.WriteBuffer(FData.data(), Size()); }

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileMode::fmCreate);
  SaveToStream(stream);
}

// TFileStream

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FFileName(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
    case TFileMode::fmOpenWrite: flags |= O_WRONLY; break;
    case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  const char* const failure = mode == TFileMode::fmCreate ? "Cannot create file" : "Cannot open file";
  do {
    FHandle = ::open(fileName.c_str(), flags, 0666);
  } while (FHandle < 0 && errno == EINTR);
  int error = FHandle < 0 ? errno : 0;
  // A directory opens for reading here but is no file to stream.
  struct stat status;
  if (error == 0 && ::fstat(FHandle, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    error = EISDIR;
  }
  if (error != 0)
    throw EFOpenError(std::string(failure) + " \"" + fileName + "\". " + SystemErrorText(error));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0)
    ::close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  auto* const bytes = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const ssize_t result = ::read(FHandle, bytes + done, static_cast<size_t>(std::min(count - done, kIoChunk)));
    if (result == 0)
      break;
    if (result < 0) {
      if (errno == EINTR)
        continue;
      throw EReadError("Stream read error");
    }
    done += result;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  const auto* const bytes = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const ssize_t result = ::write(FHandle, bytes + done, static_cast<size_t>(std::min(count - done, kIoChunk)));
    if (result < 0) {
      if (errno == EINTR)
        continue;
      throw EStreamError("Stream write error");
    }
    done += result;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  const off_t position = ::lseek(FHandle, static_cast<off_t>(offset), whence);
  if (position < 0)
    RaiseInvalidPosition();
  return position;
}

void TFileStream::SetSize(int64_t newSize) {
  if (newSize < 0)
    throw EStreamError("Invalid stream size");
  int result;
  do {
    result = ::ftruncate(FHandle, static_cast<off_t>(newSize));
  } while (result < 0 && errno == EINTR);
  if (result < 0)
    throw EStreamError("Cannot set the size of file \"" + FFileName + "\". " + SystemErrorText(errno));
}
