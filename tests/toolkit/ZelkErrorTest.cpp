// Result-code names and messages and the toolkit's fixed texts, as OPC clients show them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "toolkit/ZelkError.h"

namespace {

struct ExpectedText {
  uint32_t code;
  const char* name;
  const char* message;
};

}  // namespace

TEST(ZelkError, EveryTableRowGivesItsNameAndMessage) {
  const ExpectedText rows[] = {
      {0x0004000D, "S_UNSUPPORTEDRATE",
       "The server does not support the requested data rate\r\nbut will use the closest available rate."},
      {0x0004000E, "S_CLAMP", "A value passed to WRITE was accepted but the output was clamped."},
      {0x0004000F, "S_INUSE",
       "The operation cannot be completed because the\r\nobject still has references that exist."},
      {0x00040200, "S_ALREADYACKED", "The condition has already been acknowleged."},
      {0x00040201, "S_INVALIDBUFFERTIME", "The buffer time parameter was invalid."},
      {0x00040202, "S_INVALIDMAXSIZE", "The max size parameter was invalid."},
      {0x00040203, "S_INVALIDKEEPALIVETIME", "The KeepAliveTime parameter was invalid."},
      {0x00040303, "S_LOW_AUTHN_LEVEL", "OPC Security: Server expected higher level of package privacy."},
      {0x00040404, "S_DATAQUEUEOVERFLOW",
       "Not every detected change has been returned since the server's buffer reached its limit and had to purge out "
       "the oldest data."},
      {0x40041002, "S_NODATA", "There is no data within the specified parameter."},
      {0x40041003, "S_MOREDATA", "There is more data satisfying the query than was returned."},
      {0x40041005, "S_CURRENTVALUE", "The server only returns current values for the requested item attributes."},
      {0x40041006, "S_EXTRADATA", "Additional data satisfying the query was found."},
      {0x4004100E, "S_INSERTED", "The requested insert occured."},
      {0x4004100F, "S_REPLACED", "The requested replace occured."},
      {0x80020005, "E_RANGE", ""},
      {0x8002000A, "E_RANGE", ""},
      {0x80041007, "W_NOFILTER", "The server does not support this filter."},
      {0xC0040001, "E_INVALIDHANDLE", "The value of the handle is invalid."},
      {0xC0040004, "E_BADTYPE",
       "The server cannot convert the data between the\r\nrequested data type and the canonical data"},
      {0xC0040005, "E_PUBLIC", "The requested operation cannot be done on a public group."},
      {0xC0040006, "E_BADRIGHTS", "The Items AccessRights do not allow the operation."},
      {0xC0040007, "E_UNKNOWNITEMNAME", "The item is no longer available in the server address space."},
      {0xC0040008, "E_UNKNOWNITEMNAME", "The item definition doesn't conform to the server's syntax."},
      {0xC0040009, "E_INVALIDFILTER", "The filter string was not valid"},
      {0xC004000A, "E_INVALIDITEMPATH", "The item's access path is not known to the server."},
      {0xC004000B, "E_RANGE", "The value was out of range."},
      {0xC004000C, "E_DUPLICATENAME", "Duplicate name not allowed."},
      {0xC0040010, "E_INVALIDCONFIGFILE", "The server's configuration file is an invalid format."},
      {0xC0040011, "E_NOTFOUND", "The server could not locate the requested object."},
      {0xC0040203, "E_INVALIDPID", "The server does not recognise the passed property ID."},
      {0xC0040204, "E_INVALIDTIME", "invalid time format."},
      {0xC0040205, "E_BUSY", "A refresh is currently in progress."},
      {0xC0040206, "E_NOINFO", "Information is not available."},
      {0xC0040301, "E_PRIVATE_ACTIVE", "OPC Security: A session using private OPC credentials is already active."},
      {0xC0040302, "E_LOW_IMPERS_LEVEL",
       "OPC Security: Server requires higher impersonation level to access secured data."},
      {0xC0040400, "E_DEADBANDNOTSET", "The item deadband has not been set for this item."},
      {0xC0040401, "E_DEADBANDNOTSUPPORTED", "The item does not support deadband."},
      {0xC0040402, "E_NOBUFFERING",
       "The server does not support buffering of data items that are collected at a faster rate than the group update "
       "rate."},
      {0xC0040403, "E_INVALIDCONTINUATIONPOINT", "The continuation point is not valid."},
      {0xC0040405, "E_RATENOTSET", "There is no sampling rate set for the specified item."},
      {0xC0040406, "E_NOTSUPPORTED", "The server does not support writing of quality and/or timestamp."},
      {0xC0040407, "E_STALEVALUE", "The value is time stamped older than the requested maximum age."},
      {0xC0040408, "E_WRITEONLY", "The item is write only and cannot be read or returned in a Write response"},
      {0xC0040409, "E_READONLY", "The value is read only and may not be written to"},
      {0xC0041001, "E_MAXEXCEEDED", "The maximum number of values requested exceeds the server's limit."},
      {0xC0041004, "E_INVALIDAGGREGATE", "The aggregate requested is not valid."},
      {0xC0041008, "E_UNKNOWNATTRID", "The server does not support this attribute."},
      {0xC0041009, "E_NOT_AVAIL", "The requested aggregate is not available for the specified item."},
      {0xC004100A, "E_INVALIDDATATYPE", "The supplied value for the attribute is not a correct data type."},
      {0xC004100B, "E_DATAEXISTS", "Unable to insert - data already present."},
      {0xC004100C, "E_INVALIDATTRID", "The supplied attribute ID is not valid."},
      {0xC004100D, "E_NODATAEXISTS", "The server has no value for the specified time and item ID."},
  };
  EXPECT_EQ(std::size(rows), 53u);
  for (const ExpectedText& row : rows) {
    const auto code = static_cast<int32_t>(row.code);
    EXPECT_EQ(OPCErrorName(code), row.name) << std::hex << row.code;
    EXPECT_EQ(OPCErrorMessage(code), row.message) << std::hex << row.code;
  }
}

TEST(ZelkError, CodesMatchExactlyOrGiveUnknown) {
  // Success and the generic failure are not OPC codes.
  EXPECT_EQ(OPCErrorName(0), "E_UNKNOWN");
  EXPECT_EQ(OPCErrorMessage(0), "");
  EXPECT_EQ(OPCErrorName(static_cast<int32_t>(0x80004005)), "E_UNKNOWN");
  EXPECT_EQ(OPCErrorMessage(static_cast<int32_t>(0x80004005)), "");
  // The same code with other severity bits is another code.
  for (uint32_t severity : {0x00000000u, 0x40000000u, 0x80000000u}) {
    const auto code = static_cast<int32_t>((0xC0040001u & 0x3FFFFFFFu) | severity);
    EXPECT_EQ(OPCErrorName(code), "E_UNKNOWN") << std::hex << code;
    EXPECT_EQ(OPCErrorMessage(code), "") << std::hex << code;
  }
  EXPECT_EQ(OPCErrorName(static_cast<int32_t>(0x0004100E)), "E_UNKNOWN");
  // Two codes share a name but not a message; two OLE codes have a name and no message.
  EXPECT_NE(OPCErrorMessage(static_cast<int32_t>(0xC0040007)), OPCErrorMessage(static_cast<int32_t>(0xC0040008)));
  EXPECT_EQ(OPCErrorName(static_cast<int32_t>(0x80020005)), "E_RANGE");
  EXPECT_EQ(OPCErrorMessage(static_cast<int32_t>(0x80020005)), "");
  // A message with a line break ends without a full stop.
  const std::string badType = OPCErrorMessage(static_cast<int32_t>(0xC0040004));
  EXPECT_NE(badType.find("\r\n"), std::string::npos);
  EXPECT_NE(badType.back(), '.');
}

TEST(ZelkError, FixedMessageTexts) {
  EXPECT_STREQ(SNotConnected, "Not connected to server");
  EXPECT_STREQ(SServerNameNotFound, "Server name not found in registry or empty");
  EXPECT_STREQ(SSpecificationNotSupported, "Server does not support requested specification");
  EXPECT_STREQ(SUnableToConnect, "Unable to connect to OPC server %s");
  EXPECT_STREQ(SBrowserInterfaceNotFound, "Browser interface not found");
  EXPECT_STREQ(SItemNotExists, "Item %s not exists on OPC server");
  EXPECT_STREQ(SItemAlreadyExists, "Item %s already exists on OPC server");
  EXPECT_STREQ(SWrongFileFormat, "Wrong file format");
  EXPECT_STREQ(SProtocolNotSupported, "Protocol not supported");
  EXPECT_STREQ(SInterfaceNotSupported, "Interface not supported");
  EXPECT_STREQ(SConnectionNotRegistered, "Connection not registered");
  EXPECT_STREQ(SNoDefaultConnection, "No default connection registered");
  EXPECT_STREQ(SAddLinkUnit, "add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
}
