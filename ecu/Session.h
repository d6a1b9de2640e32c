// One session of the ECU side: everything the link, the dialogue scripts, the decoders, the
// configuration, the texts and the key files keep while the program runs, as members named as
// the program names them, and the objects installed on it (the application's host, the port
// the link writes to, a monitor of the wire, the port window).
//
//   Link        (Link_State.h)    the dialogue: frames, link flags, script, block lengths, codec list
//   PortSearch  (Port_3D_Unit.h)  the automatic port search
//   ConfigData  (Config_Unit.h)   the configuration, its tables, calibration data and files
//   LiveData    (Live_Data.h)     the live values, error and status memory, firmware family
//   Texts       (Language.h)      the language, its store and words
//   Files       (FindUnit.h)      the key-file store and its last results
//
// Whoever owns a session (the application's model; a tool) installs it with a TSessionScope
// for as long as the ECU side is to work on it, and the ECU side's units reach it through
// Session(). A session is made in the state at program start; a test makes a fresh one
// instead of resetting anything. GUI thread only.
#pragma once

#include <vector>

#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Unit.h"

namespace ecu {

class TSession {
public:
  TSession() = default;
  // Scopes of hosts still installed on the session install nothing any more.
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  TLinkState Link;
  TPortSearchState PortSearch;
  TConfigState ConfigData;
  TLiveState LiveData;
  TTextState Texts;
  TFileState Files;
  // The installed objects (THostScope): the application's host, the port the link writes
  // to and the monitor of the wire; and the port window alive now, which owns the port.
  THosts Hosts;
  TForm_3D_Port* Form_3D_Port = nullptr;

private:
  friend class THostScopeBase;
  std::vector<THostScopeBase*> hostScopes_;
};

// The session in force; raises rtl::Exception when none is installed.
TSession& Session();
bool SessionInstalled();

// Installs a session as the one in force until the scope ends. Scopes may end in any order:
// the session in force is then the newest one whose scope has not ended, or none.
class TSessionScope {
public:
  explicit TSessionScope(TSession& Session);
  ~TSessionScope();
  TSessionScope(const TSessionScope&) = delete;
  TSessionScope& operator=(const TSessionScope&) = delete;

private:
  friend TSession& Session();
  friend bool SessionInstalled();
  TSession* session_;
  TSessionScope* below_;
};

}  // namespace ecu
