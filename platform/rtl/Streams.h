#pragma once
// Byte streams: the abstract TStream, an in-memory stream and a file stream.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  std::string ClassName() const override { return "TStream"; }

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize) = 0;

  // Read or write exactly count bytes; EReadError "Stream read error" /
  // EStreamError "Stream write error" otherwise.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source (all of it from its start when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
  std::string ClassName() const override { return "TMemoryStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t newSize) override;

  void Clear();
  const uint8_t* Memory() const { return FData.data(); }
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// Opening fails with EFOpenError "Cannot open file "<name>". <system message>" (or
// "Cannot create file ..." for fmCreate).
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  std::string ClassName() const override { return "TFileStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};

// The stream from its position to its end. Reading stops as soon as more than maxSize bytes
// have come, so a caller that refuses larger texts never holds much more than it allows.
std::string ReadStreamText(TStream& stream, size_t maxSize = SIZE_MAX);
