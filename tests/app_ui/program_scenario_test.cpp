// The program as an installer starts it, against the ECU simulator on a pseudo-terminal and
// on an X server of its own: a second copy asks the first to close; the first writes its
// settings (keeping its page) and ends; the second opens on the same port and connects. A copy
// that no window system can show ends at once with its reason and leaves the first running.
// A machine whose OpenGL fails the check shows only the check window and makes no other; one
// that passes it keeps nothing of the OpenGL driver loaded while it polls. A window another
// client destroyed keeps no request to end from ending the program, and a main or check window
// another client destroyed ends it as its user's close would, bare and under a window manager.
// The check window's border offers neither minimise nor maximise. A broken connection to the X
// server (xkill, the server ended) ends the program as its other endings do.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/WindowManager.h"
#include "tests/XTest.h"

extern char** environ;

namespace program_scenario_test {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool OnPath(const std::string& Tool) {
  return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process whose standard output and error are collected.
class Child {
public:
  Child(const std::vector<std::string>& Argv, const std::vector<std::string>& Env, const fs::path& Dir) {
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addchdir_np(&actions, Dir.c_str());
    // The given variables replace the inherited ones of the same name.
    auto nameOf = [](const std::string& E) { return E.substr(0, E.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      bool replaced = false;
      for (const std::string& mine : Env) replaced |= nameOf(mine) == nameOf(*e);
      if (!replaced) env.emplace_back(*e);
    }
    for (const std::string& e : Env) env.push_back(e);
    std::vector<char*> argv, envp;
    for (const std::string& a : Argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (Running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int Number) const {
    if (pid_ > 0) kill(pid_, Number);
  }
  // How it ended: the exit status, or 128 + the signal that ended it (-1 while it runs).
  int ExitCode() {
    if (Running() || pid_ <= 0) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : WIFSIGNALED(status_) ? 128 + WTERMSIG(status_) : -1;
  }
  pid_t Pid() const { return pid_; }
  bool Running() {
    if (pid_ <= 0 || exited_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      status_ = status;
      return false;
    }
    return true;
  }
  // Waits for the end; true when it ended by itself with status 0. Ms only guards against a
  // wait that never ends: never under a minute, for a loaded machine.
  bool EndsCleanly(int Ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(Ms, 60000));
    while (Running() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !Running() && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
  }
  const std::string& Output() {
    char buf[4096];
    for (ssize_t n; (n = read(out_, buf, sizeof(buf))) > 0;) output_.append(buf, static_cast<std::size_t>(n));
    return output_;
  }
  // Waits until Test holds for the output so far; Ms is a guard as in EndsCleanly.
  template <class F>
  bool WaitFor(int Ms, F Test) {
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(Ms, 60000));
    while (Clock::now() < end) {
      if (Test(Output())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Test(Output());
  }

private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string output_;
};

std::size_t CountOf(const std::string& Text, const std::string& Part) {
  std::size_t n = 0;
  for (std::size_t at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + 1)) ++n;
  return n;
}

// The program's windows on an X server, as its user sees them: the mapped top-level ones by title.
class XScreen {
public:
  explicit XScreen(const std::string& Display) : x_(XOpenDisplay(Display.c_str())) {}
  ~XScreen() {
    if (x_) XCloseDisplay(x_);
  }
  XScreen(const XScreen&) = delete;
  XScreen& operator=(const XScreen&) = delete;
  bool Open() const { return x_ != nullptr; }

  // Mapped top-level windows, by title: the root's children, and under a window manager the
  // windows it took into its frames.
  std::vector<std::pair<Window, std::string>> Shown() {
    std::vector<std::pair<Window, std::string>> shown;
    AddShown(DefaultRootWindow(x_), 0, shown);
    return shown;
  }
  // The first mapped window whose title starts with Title (0 when none).
  Window Find(const std::string& Title) {
    for (const auto& [w, name] : Shown())
      if (name.rfind(Title, 0) == 0) return w;
    return 0;
  }
  std::string Titles() {
    std::string all;
    for (const auto& [w, name] : Shown()) all += "\"" + name + "\" ";
    return all;
  }
  // What the window system sends when the user closes a window from its frame.
  void AskToClose(Window W) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = W;
    e.xclient.message_type = XInternAtom(x_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(x_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(x_, W, False, NoEventMask, &e);
    XFlush(x_);
  }

  // Where the window's top-left corner lies on the screen (in a window manager's frame too).
  std::pair<int, int> Origin(Window W) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(x_, W, DefaultRootWindow(x_), 0, 0, &x, &y, &child);
    return {x, y};
  }

  // What another client may do to a window of the program: destroy it, or kill the connection of
  // the client that made it (xkill).
  void Destroy(Window W) {
    XDestroyWindow(x_, W);
    XSync(x_, False);
  }
  void KillClient(Window W) {
    XKillClient(x_, W);
    XSync(x_, False);
  }
  // A property of 32-bit values of the window (empty when it has none).
  std::vector<long> Longs(Window W, const char* Name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (XGetWindowProperty(x_, W, XInternAtom(x_, Name, False), 0, 64, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32)
      out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data) XFree(data);
    return out;
  }

private:
  void AddShown(Window Parent, int Depth, std::vector<std::pair<Window, std::string>>& Shown) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(x_, Parent, &root, &parent, &children, &n)) return;
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(x_, children[i], &a) || a.map_state != IsViewable) continue;
      XTextProperty title;
      std::string name;
      const bool named = XGetWMName(x_, children[i], &title) && title.value;
      if (named) {
        name.assign(reinterpret_cast<const char*>(title.value), title.nitems);
        XFree(title.value);
      }
      // A frame (no title of its own) holds the window it manages.
      if (!named && Depth < 2) AddShown(children[i], Depth + 1, Shown);
      if (named || Depth == 0) Shown.emplace_back(children[i], name);
    }
    if (children) XFree(children);
  }

  ::Display* x_;
};

// Whether nobody holds the port: it opens and takes the lock the program takes on it.
bool PortFree(const fs::path& Port) {
  const int fd = open(Port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return free;
}

std::string Upper(std::string S) {
  for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return S;
}

class ProgramScenario : public ::testing::Test {
protected:
  void SetUp() override {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "no Xvfb";
    char name[] = "/tmp/gascal-run-XXXXXX";
    dir = mkdtemp(name);
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all, fs::perm_options::replace);
    // An X server of its own; it names its display on the pipe. It stays as it is when its last
    // client leaves (-noreset): by default it starts afresh then, and a test's next connection,
    // made as the program and the window manager have gone, could meet it in the middle of that.
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    xserver = std::make_unique<Child>(
        std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-screen", "0",
                                 "1280x1024x24", "-nolisten", "tcp"},
        std::vector<std::string>{}, dir);
    close(fds[1]);
    std::string number;
    char c;
    const auto end = Clock::now() + std::chrono::minutes(1);
    while (Clock::now() < end && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "the X server named no display";
    display = ":" + number;
  }
  void TearDown() override {
    copies.clear();
    sim.reset();
    xserver.reset();
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
  void StartSimulator() {
    sim = std::make_unique<Child>(std::vector<std::string>{GASCAL_ECUSIM, "--link", (dir / "ecu").string(), "--trace"},
                                  std::vector<std::string>{}, dir);
    ASSERT_TRUE(sim->WaitFor(30000, [&](const std::string&) { return fs::exists(dir / "ecu"); }));
  }
  Child& StartCopy(const std::vector<std::string>& Env = {}, const std::string& Shell = {}) {
    std::vector<std::string> env = {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11",
                                    "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                    "GASCAL_EXTRA_PORTS=" + (dir / "ecu").string(), "ASAN_OPTIONS=detect_leaks=0"};
    // A variable given replaces the one of the same name set here.
    std::erase_if(env, [&](const std::string& E) {
      const std::string name = E.substr(0, E.find('=') + 1);
      return std::any_of(Env.begin(), Env.end(), [&](const std::string& G) { return G.starts_with(name); });
    });
    env.insert(env.end(), Env.begin(), Env.end());
    // With Shell, the shell runs its command and then becomes the program ("exec").
    std::vector<std::string> argv{GASCAL_PROGRAM};
    if (!Shell.empty()) argv = {"/bin/sh", "-c", Shell + "; exec \"$0\"", GASCAL_PROGRAM};
    copies.push_back(std::make_unique<Child>(argv, env, dir));
    return *copies.back();
  }
  fs::path Socket() const { return dir / "run" / "TForm_3D_GEN.sock"; }
  // Requests the simulator has heard so far.
  std::size_t Heard() const { return CountOf(sim->Output(), "\n> "); }
  // Waits until the simulator hears N more requests than Before.
  bool HearsMore(std::size_t Before, std::size_t N, int Ms = 30000) {
    return sim->WaitFor(Ms, [&](const std::string& Out) { return CountOf(Out, "\n> ") >= Before + N; });
  }
  std::string Read(const std::string& Name) const {
    std::ifstream f(dir / Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  void WriteSettings() const {
    std::ofstream(dir / "gascal.ini", std::ios::binary)
        << "Port_Name                    " << (dir / "ecu").string() << " {}\r\n"
        << "Search_Port                  False {}\r\n"
        << "Page_Index                   2 {}\r\n";
  }

  fs::path dir;
  std::string display;
  std::unique_ptr<Child> xserver;
  std::unique_ptr<Child> sim;
  std::vector<std::unique_ptr<Child>> copies;
};

TEST_F(ProgramScenario, ASecondCopyClosesTheFirstWhichKeepsItsPageAndConnectsInItsPlace) {
  StartSimulator();
  WriteSettings();
  Child& first = StartCopy();
  // The first copy connects: the simulator hears its handshake and polls.
  ASSERT_TRUE(sim->WaitFor(30000, [](const std::string& Out) { return CountOf(Out, "\n> ") >= 5; }))
      << first.Output();
  EXPECT_TRUE(first.Running());

  // A copy that no window system could show (DISPLAY unset, SDL left to choose its driver) says
  // why and ends before it asks the first to close, which goes on polling.
  Child& unseen = StartCopy({"DISPLAY=", "SDL_VIDEODRIVER="});
  EXPECT_TRUE(unseen.WaitFor(60000, [&](const std::string&) { return !unseen.Running(); }))
      << "a copy nobody can see keeps running\n"
      << unseen.Output();
  EXPECT_EQ(1, unseen.ExitCode()) << unseen.Output();
  EXPECT_NE(std::string::npos, unseen.Output().find("DISPLAY is not set")) << unseen.Output();
  EXPECT_TRUE(first.Running()) << first.Output();
  EXPECT_TRUE(HearsMore(Heard(), 5)) << "the first copy polls on";

  Child& second = StartCopy();
  EXPECT_TRUE(first.EndsCleanly(20000)) << "asked to close, it ends\n" << first.Output();
  const std::string settings = Upper(Read("gascal.ini"));
  EXPECT_NE(std::string::npos, settings.find("PAGE_INDEX                   2")) << settings;
  EXPECT_NE(std::string::npos, settings.find("PROGRAM_CODE")) << "written at its close";

  // The second connects on the port the first gave back.
  const std::size_t heard = CountOf(sim->Output(), "\n> ");
  EXPECT_TRUE(sim->WaitFor(30000, [&](const std::string& Out) { return CountOf(Out, "\n> ") >= heard + 5; }));
  EXPECT_TRUE(second.Running()) << second.Output();
}

// The graphics check probes in a process of its own: the program that passed it and polls the
// ECU carries nothing of the OpenGL driver (its windows load it for the first frame that
// draws on the 3D device).
TEST_F(ProgramScenario, TheGraphicsCheckLeavesNoDriverInTheProgram) {
  StartSimulator();
  WriteSettings();
  Child& copy = StartCopy();
  ASSERT_TRUE(sim->WaitFor(30000, [](const std::string& Out) { return CountOf(Out, "\n> ") >= 5; }))
      << copy.Output();
  ASSERT_TRUE(copy.Running());
  std::ifstream maps("/proc/" + std::to_string(copy.Pid()) + "/maps");
  const std::string mapped((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(mapped.empty());
  EXPECT_EQ(std::string::npos, mapped.find("_dri.so")) << "a DRI driver is mapped";
  EXPECT_EQ(std::string::npos, mapped.find("libLLVM")) << "the driver's compiler library is mapped";
}

TEST_F(ProgramScenario, AMachineWhoseThirdProbeFailsShowsOnlyTheCheckWindow) {
  WriteSettings();
  Child& copy = StartCopy({"GASCAL_GL_PROBES=TTF"});
  // It keeps running with its check window and never opens the port (no port window).
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_TRUE(copy.Running()) << copy.Output();
  EXPECT_EQ(std::string::npos, copy.Output().find("searching")) << copy.Output();
  // A newer copy that passes does not reach it: the check window holds no channel.
  EXPECT_FALSE(fs::exists(dir / "run" / "TForm_3D_GEN.sock"));
  EXPECT_EQ(std::string::npos, Upper(Read("gascal.ini")).find("PROGRAM_CODE")) << "no settings written";
}

// Another client destroys the message window (a window whose close does not end the program);
// the system's request to end still ends the program (the window counts as closed: nothing waits
// for it to be unmapped). Three rounds, since what a close did with a window that is gone depended
// on chance.
TEST_F(ProgramScenario, TheSystemsRequestToEndEndsItAfterAnotherClientDestroyedItsWindow) {
  StartSimulator();
  XScreen screen(display);
  ASSERT_TRUE(screen.Open());
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    WriteSettings();
    const std::size_t heard = Heard();
    Child& copy = StartCopy();
    Window message = 0;
    ASSERT_TRUE(copy.WaitFor(30000, [&](const std::string&) { return (message = screen.Find("Message")) != 0; }))
        << screen.Titles() << "\n" << copy.Output();
    ASSERT_TRUE(HearsMore(heard, 1)) << copy.Output();
    screen.Destroy(message);
    // The program polls on after the window went (its X events wake it at once).
    ASSERT_TRUE(HearsMore(Heard(), 2)) << copy.Output();
    EXPECT_TRUE(copy.Running());
    copy.Signal(SIGTERM);
    EXPECT_TRUE(copy.EndsCleanly(20000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
    if (copy.Running()) return;
  }
}

// Another client destroys the main window (as `xdotool windowclose` does): the program ends as its
// user's close would, with status 0, its settings written, its channel removed and the port let
// go, and without a stream of X errors about the window that is gone (it used to run on without a
// window, polling the ECU and reporting 32 errors a second). Bare and under openbox.
TEST_F(ProgramScenario, AMainWindowAnotherClientDestroyedEndsTheProgramAsItsUsersCloseWould) {
  StartSimulator();
  XScreen screen(display);
  ASSERT_TRUE(screen.Open());
  for (const wmtest::TManager manager : {wmtest::TManager::Bare, wmtest::TManager::Openbox}) {
    SCOPED_TRACE(wmtest::NameOf(manager));
    wmtest::TOpenbox openbox;
    if (manager == wmtest::TManager::Openbox && !openbox.Start(display)) {
      if (!wmtest::OpenboxInstalled()) continue;
      FAIL() << "openbox did not take the screen";
    }
    WriteSettings();
    const std::size_t heard = Heard();
    Child& copy = StartCopy();
    ASSERT_TRUE(HearsMore(heard, 5)) << copy.Output();
    EXPECT_FALSE(PortFree(dir / "ecu")) << "the program holds its port while it runs";
    Window main = 0;
    ASSERT_TRUE(copy.WaitFor(30000, [&](const std::string&) { return (main = screen.Find("gascal  V")) != 0; }))
        << screen.Titles() << "\n" << copy.Output();
    const std::size_t reported = CountOf(copy.Output(), "X error ignored");
    screen.Destroy(main);
    EXPECT_TRUE(copy.EndsCleanly(30000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
    if (copy.Running()) return;
    EXPECT_NE(std::string::npos, Upper(Read("gascal.ini")).find("PROGRAM_CODE")) << "written at its close";
    EXPECT_FALSE(fs::exists(Socket())) << "the channel is removed";
    EXPECT_TRUE(PortFree(dir / "ecu")) << "the port was not let go";
    EXPECT_LE(CountOf(copy.Output(), "X error ignored"), reported + 10) << copy.Output();
  }
}

// The same for the check window of a machine whose OpenGL failed the check: destroyed by another
// client, it ends the program with status 0 as its close button would. Its border has the system
// menu only: it tells a window manager that it has no minimise or maximise button and offers
// neither (the Motif hints' functions: move and close).
TEST_F(ProgramScenario, ACheckWindowAnotherClientDestroyedEndsTheProgram) {
  WriteSettings();
  XScreen screen(display);
  ASSERT_TRUE(screen.Open());
  Child& copy = StartCopy({"GASCAL_GL_PROBES=TTF"});
  Window check = 0;
  ASSERT_TRUE(copy.WaitFor(30000, [&](const std::string&) { return (check = screen.Find("OpenGL")) != 0; }))
      << screen.Titles() << "\n" << copy.Output();
  const std::vector<long> hints = screen.Longs(check, "_MOTIF_WM_HINTS");
  ASSERT_EQ(hints.size(), 5u);
  EXPECT_EQ(hints[0] & 1, 1) << "no functions given";
  EXPECT_EQ(hints[1], 4 | 32) << "functions other than moving and closing";
  EXPECT_EQ(hints[2] & (32 | 64), 0) << "a minimise or maximise button";
  screen.Destroy(check);
  EXPECT_TRUE(copy.EndsCleanly(30000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
  EXPECT_LE(CountOf(copy.Output(), "X error ignored"), 10u) << copy.Output();
}

// The connection to the X server breaks: under openbox another client kills the program's
// connection (xkill on its main window); bare, the X server itself ends. Either way the program
// ends as its other endings do, with status 0, its settings written, its channel removed and its
// port let go; nothing that needs the display runs meanwhile (Xlib used to end it with status 1
// and the old settings).
TEST_F(ProgramScenario, ABrokenConnectionToTheXServerEndsTheProgramAsItsOtherEndingsDo) {
  StartSimulator();
  for (const wmtest::TManager manager : {wmtest::TManager::Openbox, wmtest::TManager::Bare}) {
    SCOPED_TRACE(wmtest::NameOf(manager));
    // (The test's own connection goes before the server does.)
    auto screen = std::make_unique<XScreen>(display);
    ASSERT_TRUE(screen->Open());
    wmtest::TOpenbox openbox;
    if (manager == wmtest::TManager::Openbox && !openbox.Start(display)) {
      if (!wmtest::OpenboxInstalled()) continue;
      FAIL() << "openbox did not take the screen";
    }
    WriteSettings();
    const std::size_t heard = Heard();
    Child& copy = StartCopy();
    ASSERT_TRUE(HearsMore(heard, 5)) << copy.Output();
    Window main = 0;
    ASSERT_TRUE(copy.WaitFor(30000, [&](const std::string&) { return (main = screen->Find("gascal  V")) != 0; }))
        << screen->Titles() << "\n"
        << copy.Output();
    if (manager == wmtest::TManager::Openbox) {
      screen->KillClient(main);
    } else {
      screen.reset();
      xserver->Signal(SIGKILL);
    }
    EXPECT_TRUE(copy.EndsCleanly(30000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
    if (copy.Running()) return;
    EXPECT_NE(std::string::npos, Upper(Read("gascal.ini")).find("PROGRAM_CODE")) << "written at its end";
    EXPECT_FALSE(fs::exists(Socket())) << "the channel is removed";
    EXPECT_TRUE(PortFree(dir / "ecu")) << "the port was not let go";
  }
}

// A terminal that hangs up closes the program as its user would: its settings are written
// and its channel's socket goes. The user signals, a closed pipe and the file-size limit end
// nothing: it goes on polling.
TEST_F(ProgramScenario, AHangUpClosesItAsItsUserWouldAndTheOtherSignalsEndNothing) {
  StartSimulator();
  WriteSettings();
  Child& copy = StartCopy();
  ASSERT_TRUE(HearsMore(0, 5)) << copy.Output();
  EXPECT_TRUE(fs::exists(Socket()));
  for (int other : {SIGUSR1, SIGUSR2, SIGPIPE, SIGXFSZ}) copy.Signal(other);
  const std::size_t heard = Heard();
  EXPECT_TRUE(HearsMore(heard, 5)) << "it polls on\n" << copy.Output();
  EXPECT_TRUE(copy.Running());

  copy.Signal(SIGHUP);
  EXPECT_TRUE(copy.EndsCleanly(20000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
  EXPECT_NE(std::string::npos, Upper(Read("gascal.ini")).find("PROGRAM_CODE")) << "written at its close";
  EXPECT_FALSE(fs::exists(Socket())) << "the channel is removed";
}

// The system's request to end, an interrupt and the terminal's quit key do the same.
TEST_F(ProgramScenario, TheSystemsRequestsToEndCloseItAsItsUserWould) {
  StartSimulator();
  for (int signal : {SIGTERM, SIGINT, SIGQUIT}) {
    SCOPED_TRACE(signal);
    WriteSettings();
    const std::size_t heard = Heard();
    Child& copy = StartCopy();
    ASSERT_TRUE(HearsMore(heard, 1)) << "its port is open\n" << copy.Output();
    copy.Signal(signal);
    EXPECT_TRUE(copy.EndsCleanly(20000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
    EXPECT_NE(std::string::npos, Upper(Read("gascal.ini")).find("PROGRAM_CODE"));
    EXPECT_FALSE(fs::exists(Socket()));
  }
}

// "Switch to gas when RPM" emptied and a number typed into it, without Enter or Tab, by the X
// server's own keyboard; then the program is closed by the window system's close (a frame's close
// cross) or by the system's request to end: the number reaches the ECU (the simulator hears
// "43 2B 67" for 2700 and answers) before the port closes, and the program ends with status 0. Bare and
// under openbox. (It used to end at once, the number lost without a word.)
TEST_F(ProgramScenario, ANumberTypedAndNotEnteredReachesTheEcuBeforeTheProgramEnds) {
  StartSimulator();
  XScreen screen(display);
  ASSERT_TRUE(screen.Open());
  for (const wmtest::TManager manager : {wmtest::TManager::Bare, wmtest::TManager::Openbox}) {
    SCOPED_TRACE(wmtest::NameOf(manager));
    wmtest::TOpenbox openbox;
    if (manager == wmtest::TManager::Openbox && !openbox.Start(display)) {
      if (!wmtest::OpenboxInstalled()) continue;
      FAIL() << "openbox did not take the screen";
    }
    for (const bool signal : {false, true}) {
      SCOPED_TRACE(signal ? "SIGTERM" : "close cross");
      // 2700 (30000000 / 2700 = 0x2B67), then 2500 (0x2EE0): each differs from what the ECU
      // kept from the round before.
      const std::vector<unsigned long> typed =
          signal ? std::vector<unsigned long>{XK_2, XK_5, XK_0, XK_0} : std::vector<unsigned long>{XK_2, XK_7, XK_0, XK_0};
      const std::string frame = signal ? "43 2E E0" : "43 2B 67";
      // The Setup page, the window at its design size where the settings place it.
      std::ofstream(dir / "gascal.ini", std::ios::binary)
          << "Port_Name                    " << (dir / "ecu").string() << " {}\r\n"
          << "Search_Port                  False {}\r\n"
          << "Page_Index                   0 {}\r\n";
      const std::size_t from = sim->Output().size();
      Child& copy = StartCopy();
      // The ECU read, and the poll round (which begins with the live data) under way.
      ASSERT_TRUE(sim->WaitFor(60000, [&](const std::string& Out) {
        return CountOf(Out.substr(from), "> 19 23 23 23") >= 3;
      })) << copy.Output();
      Window main = 0;
      ASSERT_TRUE(copy.WaitFor(30000, [&](const std::string&) { return (main = screen.Find("gascal  V")) != 0; }))
          << screen.Titles() << "\n" << copy.Output();
      const auto [left, top] = screen.Origin(main);
      {
        // The keyboard and the pointer of the X server the program runs on.
        const std::string kept = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        setenv("DISPLAY", display.c_str(), 1);
        xtest::TXTest x;
        if (kept.empty())
          unsetenv("DISPLAY");
        else
          setenv("DISPLAY", kept.c_str(), 1);
        ASSERT_TRUE(x.Ready());
        // The box's text, at its place in the window's design (app/ui/forms/Page_CFG.txt).
        ASSERT_TRUE(x.MoveTo(left + 470, top + 126));
        ASSERT_TRUE(x.Button(1, true));
        ASSERT_TRUE(x.Button(1, false));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < 8; ++i) ASSERT_TRUE(x.Type(XK_End));
        for (int i = 0; i < 8; ++i) ASSERT_TRUE(x.Type(XK_BackSpace));
        for (const unsigned long key : typed) ASSERT_TRUE(x.Type(key));
      }
      // Time for the keys to arrive, and for a write that should not come.
      std::this_thread::sleep_for(std::chrono::seconds(3));
      const std::size_t before = sim->Output().size();
      EXPECT_EQ(std::string::npos, sim->Output().find(frame, from)) << "written before the close";
      if (signal)
        copy.Signal(SIGTERM);
      else
        screen.AskToClose(main);
      EXPECT_TRUE(copy.EndsCleanly(60000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
      if (copy.Running()) return;
      const std::string after = sim->Output().substr(before);
      const std::size_t write = after.find(frame);
      ASSERT_NE(std::string::npos, write) << "the number typed never reached the ECU\n" << after;
      EXPECT_NE(std::string::npos, after.find("\n< 19 32", write)) << "the ECU did not take it\n" << after;
      EXPECT_TRUE(PortFree(dir / "ecu")) << "the port was not let go";
    }
  }
}

// Its settings cannot be written (the file-size limit of a full disk): asked to end by the
// system or a terminal that hangs up, it says so on its error stream and ends all the same,
// its old settings file whole and its channel removed, with a status that says it failed
// (nobody saw a window say it).
TEST_F(ProgramScenario, ASettingsFileThatCannotBeWrittenIsReportedAndTheProgramEndsAllTheSame) {
  StartSimulator();
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    WriteSettings();
    const std::string before = Read("gascal.ini");
    const std::size_t heard = Heard();
    Child& copy = StartCopy({}, "ulimit -f 2");
    ASSERT_TRUE(HearsMore(heard, 5)) << copy.Output();
    copy.Signal(signal);
    EXPECT_FALSE(copy.EndsCleanly(20000)) << copy.Output();
    EXPECT_EQ(copy.ExitCode(), 1) << copy.Output();
    EXPECT_NE(std::string::npos, copy.Output().find("gascal: The settings were not saved: Cannot write file"))
        << copy.Output();
    EXPECT_EQ(before, Read("gascal.ini"));
    EXPECT_FALSE(fs::exists(Socket()));
  }
}

// Without a sensor table its message shows from the start; the user closes the program where
// the settings cannot be written: the report takes the message's place and waits for the user,
// whose close of it ends the program.
TEST_F(ProgramScenario, AUserCloseOverTheMissingTableMessageShowsWhyTheSettingsWereNotSaved) {
  StartSimulator();
  fs::create_directories(dir / "gascal.ini");
  Child& copy = StartCopy();
  XScreen screen(display);
  ASSERT_TRUE(screen.Open());
  Window main = 0, message = 0;
  ASSERT_TRUE(copy.WaitFor(60000, [&](const std::string&) {
    main = screen.Find("gascal  V");
    message = screen.Find("Message");
    return main && message;
  })) << screen.Titles() << "\n" << copy.Output();

  screen.AskToClose(main);
  ASSERT_TRUE(copy.WaitFor(60000, [&](const std::string& Out) { return Out.find("The settings were not saved") != std::string::npos; }))
      << copy.Output();
  ASSERT_TRUE(copy.WaitFor(60000, [&](const std::string&) { return !screen.Find("gascal  V"); })) << screen.Titles();
  // Half a second in which the program does not end by itself; the report's window may come
  // later than that on a busy machine.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(copy.Running()) << "the report waits for the user\n" << copy.Output();
  EXPECT_EQ(std::string::npos, copy.Output().find("already exists")) << copy.Output();
  ASSERT_TRUE(copy.WaitFor(60000, [&](const std::string&) { return (message = screen.Find("Message")) != 0; }))
      << "the report shows: " << screen.Titles();
  screen.AskToClose(message);
  EXPECT_TRUE(copy.EndsCleanly(60000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
}

// A font name of 50 MB in the settings: the program starts and polls in the memory it
// always takes, acts on the system's request to end, and writes back the name it used.
TEST_F(ProgramScenario, AFontNameOfFiftyMegabytesLeavesTheProgramSmallAndItStillEnds) {
  StartSimulator();
  WriteSettings();
  {
    std::ofstream f(dir / "gascal.ini", std::ios::binary | std::ios::app);
    f << "English_Name                 " << std::string(50u << 20, 'F') << " {}\r\n";
  }
  Child& copy = StartCopy();
  ASSERT_TRUE(HearsMore(0, 5)) << copy.Output();
  std::ifstream status("/proc/" + std::to_string(copy.Pid()) + "/status");
  long rssKb = 0;
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) rssKb = std::stol(line.substr(6));
  EXPECT_LT(rssKb, 1L << 20) << "resident kB";
  copy.Signal(SIGTERM);
  EXPECT_TRUE(copy.EndsCleanly(20000)) << "status " << copy.ExitCode() << "\n" << copy.Output();
  const std::string settings = Read("gascal.ini");
  EXPECT_LT(settings.size(), 100000u);
  EXPECT_NE(std::string::npos, settings.find(std::string(255, 'F') + " {")) << "the name it used";
}

// A newer copy asks a copy whose settings file is a folder to close: it closes at once (it used
// to stay, half closed, while the newer one waited and then ran beside it), with a status that
// says it failed.
TEST_F(ProgramScenario, ACopyThatCannotWriteItsSettingsStillClosesForANewerOne) {
  fs::create_directories(dir / "gascal.ini");
  Child& first = StartCopy();
  ASSERT_TRUE(first.WaitFor(30000, [&](const std::string&) { return fs::exists(Socket()); })) << first.Output();
  Child& second = StartCopy();
  EXPECT_FALSE(first.EndsCleanly(10000)) << first.Output();
  EXPECT_EQ(first.ExitCode(), 1) << first.Output();
  EXPECT_NE(std::string::npos, first.Output().find("The settings were not saved")) << first.Output();
  EXPECT_TRUE(second.WaitFor(30000, [&](const std::string&) { return fs::exists(Socket()); })) << second.Output();
  EXPECT_TRUE(second.Running()) << second.Output();
}

}  // namespace

}  // namespace program_scenario_test
