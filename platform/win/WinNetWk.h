#pragma once
// The network neighbourhood: one network, its workgroup, and in it the computers this machine
// knows by name (itself, and the hosts of /etc/hosts that are not loopback names), with the
// Windows enumeration calls, records and results.

#include "platform/com/WinTypes.h"

typedef HANDLE* LPHANDLE;

typedef struct _NETRESOURCEW {
  DWORD dwScope;
  DWORD dwType;
  DWORD dwDisplayType;
  DWORD dwUsage;
  LPWSTR lpLocalName;
  LPWSTR lpRemoteName;
  LPWSTR lpComment;
  LPWSTR lpProvider;
} NETRESOURCEW, *LPNETRESOURCEW;

#define RESOURCE_CONNECTED 0x00000001
#define RESOURCE_GLOBALNET 0x00000002
#define RESOURCE_REMEMBERED 0x00000003
#define RESOURCE_RECENT 0x00000004
#define RESOURCE_CONTEXT 0x00000005

#define RESOURCETYPE_ANY 0x00000000
#define RESOURCETYPE_DISK 0x00000001
#define RESOURCETYPE_PRINT 0x00000002

#define RESOURCEUSAGE_CONNECTABLE 0x00000001
#define RESOURCEUSAGE_CONTAINER 0x00000002
#define RESOURCEUSAGE_NOLOCALDEVICE 0x00000004
#define RESOURCEUSAGE_SIBLING 0x00000008
#define RESOURCEUSAGE_ATTACHED 0x00000010
#define RESOURCEUSAGE_ALL (RESOURCEUSAGE_CONNECTABLE | RESOURCEUSAGE_CONTAINER | RESOURCEUSAGE_ATTACHED)

#define RESOURCEDISPLAYTYPE_GENERIC 0x00000000
#define RESOURCEDISPLAYTYPE_DOMAIN 0x00000001
#define RESOURCEDISPLAYTYPE_SERVER 0x00000002
#define RESOURCEDISPLAYTYPE_SHARE 0x00000003
#define RESOURCEDISPLAYTYPE_FILE 0x00000004
#define RESOURCEDISPLAYTYPE_GROUP 0x00000005
#define RESOURCEDISPLAYTYPE_NETWORK 0x00000006

#define ERROR_BAD_NETPATH 53L
#define ERROR_NOT_CONTAINER 1207L

extern "C" {
// lpNetResource null opens the top (the network); a container that an enumeration returned
// opens its content: the network holds the workgroup, the workgroup the computers
// ("\\NAME", RESOURCEDISPLAYTYPE_SERVER), a computer nothing this layer lists. Only the
// global scope lists anything (no connections are ever made here). ERROR_NOT_CONTAINER for a
// resource that is not a container, ERROR_BAD_NETPATH for a container this machine does not know.
DWORD WNetOpenEnumW(DWORD dwScope, DWORD dwType, DWORD dwUsage, LPNETRESOURCEW lpNetResource, LPHANDLE lphEnum);
// Fills lpBuffer with up to *lpcCount records (0xFFFFFFFF: as many as fit), their strings
// packed behind them, and sets *lpcCount. ERROR_MORE_DATA with the size of the next record
// in *lpBufferSize when not even that one fits; ERROR_NO_MORE_ITEMS once all were given.
DWORD WNetEnumResourceW(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize);
DWORD WNetCloseEnum(HANDLE hEnum);
}
