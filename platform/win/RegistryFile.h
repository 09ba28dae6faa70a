#pragma once
// What this platform adds to the Windows registry functions: HKEY_CLASSES_ROOT read from and
// written to a text file, and emptied (for tests).
//
// The file is UTF-8, one item per line (LF or CR LF):
//
//   Zelk Registry 1                        first line, always
//   ; a comment                            lines starting with ';' and blank lines are skipped
//   [CLSID\{...}\InprocServer32]           a key, path below HKEY_CLASSES_ROOT ([] is the root)
//   @="C:\\server.so"                      the key's default value, REG_SZ
//   "ThreadingModel"="Both"                a named REG_SZ value
//   "Path"=expand:"%HOME%\\lib"            REG_EXPAND_SZ
//   "Count"=dword:0000002a                 REG_DWORD, up to 8 hex digits
//   "Big"=qword:0000000100000000           REG_QWORD, up to 16 hex digits
//   "Blob"=hex:01,02,ff                    REG_BINARY, bytes in hex
//   "Odd"=hex(7):61,00,00,00               any type by number, the bytes as stored
//
// Value lines belong to the key above them. Quoted text takes \\, \", \n, \r, \t, \0 and
// \uXXXX (one UTF-16 unit); a string value is stored with its terminating null. Saving
// writes every non-volatile key in the order RegEnumKeyExW lists them, and uses the hex(N)
// form for any value whose bytes the other forms would not give back exactly.

#include <string>

// Adds the file's keys and values to HKEY_CLASSES_ROOT (a value of the same name is
// replaced). When the file cannot be read or a line is malformed nothing is changed and error
// says why: "<path>:<line>: <reason>".
bool LoadRegistryFile(const std::string& path, std::string& error);

// Writes HKEY_CLASSES_ROOT to the file, replacing it only once the whole text is written.
// Fails, with error saying why, when the file cannot be written or a key name has a character
// the format cannot hold (a control character or half a surrogate pair).
bool SaveRegistryFile(const std::string& path, std::string& error);

// Removes every key and value. Handles still open answer ERROR_KEY_DELETED.
void ClearRegistry();
