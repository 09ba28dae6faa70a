#pragma once
// OPC result codes as text: a short symbolic name and an English message per code, and the
// toolkit's own fixed message texts.

#include <cstdint>
#include <string>

// The name of the code ("E_INVALIDHANDLE"); "E_UNKNOWN" for a code the table lacks. Codes
// match exactly: severity and facility bits are part of the code.
std::string OPCErrorName(int32_t Code);
// The message of the code; empty for a code the table lacks or gives no message. Messages
// may hold CR LF.
std::string OPCErrorMessage(int32_t Code);

// The toolkit's fixed messages; "%s" takes the item id or server name.
inline constexpr char SNotConnected[] = "Not connected to server";
inline constexpr char SServerNameNotFound[] = "Server name not found in registry or empty";
inline constexpr char SSpecificationNotSupported[] = "Server does not support requested specification";
inline constexpr char SUnableToConnect[] = "Unable to connect to OPC server %s";
inline constexpr char SBrowserInterfaceNotFound[] = "Browser interface not found";
inline constexpr char SItemNotExists[] = "Item %s not exists on OPC server";
inline constexpr char SItemAlreadyExists[] = "Item %s already exists on OPC server";
inline constexpr char SWrongFileFormat[] = "Wrong file format";
inline constexpr char SProtocolNotSupported[] = "Protocol not supported";
inline constexpr char SInterfaceNotSupported[] = "Interface not supported";
inline constexpr char SConnectionNotRegistered[] = "Connection not registered";
inline constexpr char SNoDefaultConnection[] = "No default connection registered";
inline constexpr char SAddLinkUnit[] = "add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause";
// Followed directly by the computer's name and "not found", without a blank between them.
inline constexpr char SComputerPrefix[] = "Computer: ";
inline constexpr char SComputerNotFound[] = "not found";
inline constexpr char SServerListNotFound[] = "Error: interface IOPCServerList not found";
