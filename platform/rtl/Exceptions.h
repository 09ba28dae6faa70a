#pragma once
// The exception family of the runtime library. Every exception the code base raises derives
// from Exception; later layers add their own branches (the toolkit's EOPCException family).

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// A text that does not convert to the requested type.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// An index outside a list; the message is "List index out of bounds (<index>)".
class EListError : public Exception {
public:
  using Exception::Exception;
  static EListError IndexOutOfBounds(int64_t index);
};

// Streaming a component or other settings text failed.
class EReadError : public Exception {
public:
  using Exception::Exception;
};

class EStreamError : public Exception {
public:
  using Exception::Exception;
};

class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// A failed COM or operating-system call; ErrorCode is the HRESULT.
class EOleSysError : public Exception {
public:
  EOleSysError(std::string message, int32_t errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  int32_t ErrorCode() const noexcept { return FErrorCode; }

private:
  int32_t FErrorCode;
};

// A thread operation that failed (creation, waiting).
class EThread : public Exception {
public:
  using Exception::Exception;
};
