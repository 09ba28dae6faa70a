#include "servers/hdasim/ServerErrorText.h"

#include "opc/_OPCHDA.h"
#include "opc/_opcda.h"

namespace {

struct TErrorText {
  HRESULT Code;
  const char16_t* Text;
};

constexpr TErrorText ErrorTexts[] = {
    {OPC_E_INVALIDHANDLE, u"The value of the handle is invalid."},
    {OPC_E_UNKNOWNITEMID, u"The item ID is not defined in the server address space."},
    {OPC_E_INVALIDITEMID, u"The item ID does not conform to the server's syntax."},
    {OPC_E_RANGE, u"The value was out of range."},
    {OPC_E_MAXEXCEEDED, u"The maximum number of values requested exceeds the server's limit."},
    {OPC_S_NODATA, u"There is no data within the specified parameters."},
    {OPC_S_MOREDATA, u"There is more data satisfying the query than was returned."},
    {OPC_E_INVALIDAGGREGATE, u"The aggregate requested is not valid."},
    {OPC_S_CURRENTVALUE, u"The server only returns current values for the requested item attributes."},
    {OPC_S_EXTRADATA, u"Additional data satisfying the query was found."},
    {OPC_W_NOFILTER, u"The server does not support this filter."},
    {OPC_E_UNKNOWNATTRID, u"The server does not support this attribute."},
    {OPC_E_NOT_AVAIL, u"The requested aggregate is not available for the specified item."},
    {OPC_E_INVALIDDATATYPE, u"The supplied value for the attribute is not a correct data type."},
    {OPC_E_DATAEXISTS, u"Unable to insert - data already present."},
    {OPC_E_INVALIDATTRID, u"The supplied attribute ID is not valid."},
    {OPC_E_NODATAEXISTS, u"The server has no value for the specified time and item ID."},
    {OPC_S_INSERTED, u"The requested insert occurred."},
    {OPC_S_REPLACED, u"The requested replace occurred."},
};

}  // namespace

bool OpcErrorText(HRESULT code, std::u16string& text) {
  for (const TErrorText& entry : ErrorTexts) {
    if (entry.Code == code) {
      text = entry.Text;
      return true;
    }
  }
  return false;
}
