// Where tests leave what a person may want to look at afterwards (pictures, logs): one folder of the
// build tree, `test-output` beside its CMakeCache.txt, whatever the current folder is. Tests never
// write into the checkout. The build tree is found from the running test program, so no path is
// compiled in (ccache then serves every checkout's build alike).
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace testout {

// The folder, made on first use: `test-output` in the build tree that holds the running program;
// beside the program when it runs from no build tree.
inline std::string Folder() {
  namespace fs = std::filesystem;
  static const std::string dir = [] {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    fs::path out = ec ? fs::current_path(ec) : exe.parent_path();
    for (fs::path p = out; !p.empty(); p = p.parent_path()) {
      if (fs::exists(p / "CMakeCache.txt", ec)) {
        out = p;
        break;
      }
      if (p == p.parent_path()) break;
    }
    out /= "test-output";
    fs::create_directories(out, ec);
    return out.string();
  }();
  return dir;
}

// The path of the file Name in that folder.
inline std::string Path(const std::string& Name) { return Folder() + "/" + Name; }

}  // namespace testout
