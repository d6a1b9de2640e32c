// The ECU's reply decoders: any bytes, as a reply of any length the link accepts, decode
// without reading outside the reply; a configuration-file name always becomes a plain file
// name in the configuration folder.
#include <algorithm>

#include "ecu/Config_Unit.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Reply_Decoders.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "fuzz/FuzzSupport.h"

using namespace ecu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The ECU side's session, for the whole run.
  static TSession session;
  static const TSessionScope installed(session);
  static const bool created = [] {
    CreateConfiguration(fuzz::ScratchDir() + "/none.cfg");
    Session().ConfigData.ConfigDir = fuzz::ScratchDir();
    return true;
  }();
  (void)created;
  const size_t length = std::min<size_t>(Size, FrameBufferSize - 1);
  const std::span<const uint8_t> frame(Data, length);

  ReadIdentification(frame);
  const std::string name = ReadCfgName(frame);
  if (!name.empty()) {
    const std::string file = CfgNameToFileName(name);
    fuzz::Check(!file.empty() && file.find_first_of(std::string("/\\:\0", 4)) == std::string::npos &&
                    file.find_first_not_of('.') != std::string::npos,
                "a configuration name from the ECU is no plain file name");
  }
  DecodePointRecords(frame);
  Decode_LiveData(frame);
  Decode_Param_Reply(frame, *Session().ConfigData.Configuration);

  // The script instructions on the reply as the link layer leaves it in Link.RxFrame.
  Session().Link.RxFrame.fill(0xA5);  // stale bytes of an earlier reply
  std::copy(frame.begin(), frame.end(), Session().Link.RxFrame.begin());
  Session().Link.RxExpectedLength = static_cast<uint8_t>(length);
  Decode_Identification();
  Decode_CfgName();
  Decode_Params();
  Decode_Points();
  Decode_MapGas();
  DynamicIND_Update();
  return 0;
}
