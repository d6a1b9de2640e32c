// A fresh Xvfb for a child test run. The server picks a free display number itself and names it
// once it takes connections (-displayfd), so runs started side by side never meet on one number:
// xvfb-run -a looks for a free number before its server takes it, and two runs starting in the
// same moment could end up on one server, the second failing to connect. The server keeps running
// as it is when its last client leaves (-noreset): by default it starts afresh then, and a client
// that connects in those few milliseconds is dropped, so a child test that closes its last
// connection and opens the next would fail now and then. It ends with the child.
#pragma once

#include <string>

namespace xvfbtest {

// The words that run a command on a fresh server with one screen of Screen (width x height x
// depth); the command's words follow them. The exit status is the command's.
inline std::string ServerFor(const std::string& Screen) {
  return "sh -c '"
         "f=$(mktemp) || exit 98; "
         "Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 \"$0\" 3>\"$f\" >/dev/null 2>&1 & x=$!; "
         "i=0; until [ -s \"$f\" ]; do i=$((i+1)); "
         "if [ $i -gt 1200 ] || ! kill -0 $x 2>/dev/null; then echo \"Xvfb did not start\" >&2; "
         "kill $x 2>/dev/null; rm -f \"$f\"; exit 98; fi; sleep 0.05; done; "
         "n=$(cat \"$f\"); rm -f \"$f\"; DISPLAY=:$n \"$@\"; s=$?; kill $x; wait $x; exit $s"
         "' '" +
         Screen + "' ";
}

}  // namespace xvfbtest
