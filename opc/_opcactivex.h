#pragma once
// COM routines that the OPC client code shares: UTC FILETIME <-> local date-time, advising
// sinks through connection points and data objects, registry and clipboard-format look-ups,
// and a plain message box. None raises: failure shows as a result code or an empty result.

#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/win32.h"

// A UTC FILETIME as a local date-time, by the time-zone rules of that date (not today's
// bias). A FILETIME with a zero low or high half, or one that does not convert, gives 0.
TDateTime FileTimeToLocalDateTime(const FILETIME& FileTime);
// A local date-time as a UTC FILETIME, by the rules of that date. A date-time that does not
// convert gives the all-zero FILETIME.
FILETIME LocalDateTimeToFileTime(TDateTime DateTime);

// Advises Sink at Server's connection point for Iid and stores the cookie. E_FAIL when Server
// is null, is no connection-point container or has no point for Iid; else Advise's result.
HRESULT ConnectionPointAdvise(IUnknown* Server, REFIID Iid, IUnknown* Sink, DWORD& Cookie);
// S_OK when Server is present, Cookie is not 0, the point is found and Unadvise succeeds;
// E_FAIL otherwise.
HRESULT ConnectionPointUnadvise(IUnknown* Server, REFIID Iid, DWORD Cookie);

// Advises Sink for Format in global memory, content aspect, all indices, data first
// (ADVF_PRIMEFIRST). E_FAIL when Server offers no IDataObject; else DAdvise's result.
// Connection is set to 0 first and stays 0 when DAdvise fails.
HRESULT DataObjectAdvise(IUnknown* Server, UINT Format, IAdviseSink* Sink, DWORD& Connection);
// E_FAIL when Server offers no IDataObject; else DUnadvise's result.
HRESULT DataObjectUnadvise(IUnknown* Server, DWORD Connection);

// The string value ValueName (empty: the default value) of HKEY_CLASSES_ROOT\Key. Empty when
// the key or value is missing, is not a string, or takes more than 256 bytes with its NUL.
std::string ReadClassesRootString(const std::string& Key, const std::string& ValueName);

// The process's number for the named clipboard format; 0 when the name is refused.
UINT RegisterClipFormat(const std::string& Name);

// A modal box with one OK button and no owner window.
void ShowMessageBox(const std::string& Text, const std::string& Caption);
