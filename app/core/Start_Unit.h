// What the program does before its windows: the graphics check, with the texts of the check
// window that a machine without OpenGL sees, and the order in which the windows are made
// when the check passes.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace app {

inline constexpr const char* NoOpenGLEnglishMessage =
    "The computer does not support the OpenGL video mode. The program can not be run.";
inline constexpr const char* NoOpenGLMessageKey = "Error_OpenGL_Not_Work";

// The check window's message and the font it is drawn in. The message is 8-bit text in the
// code page of Language, the language it was read for.
struct TNoOpenGLText {
  std::string Message = NoOpenGLEnglishMessage;
  std::string FontName = "Tahoma";
  std::string Language = "English";
};
// Reads "<BaseName>.ini" of the current directory for the language ("Language", default
// "English") and its font ("<language>_Name", default "Tahoma"); for a language other than
// English, "Error_OpenGL_Not_Work" of "Language/<language>.lng" replaces the English message
// when the file has it. Missing files or keys leave the defaults; the language and the font
// name are held as LoadSettings holds them, the language spelled as the language menu lists
// its file (so "russian" with a file "Russian.lng" is read as Russian, in its code page). Uses
// the key-file store and leaves none open.
TNoOpenGLText NoOpenGLText(const std::string& BaseName);

// Runs the probe OpenGLProbeCount (three) times; only the last result counts (a driver may
// fail its first attempts while it wakes).
inline constexpr int OpenGLProbeCount = 3;
bool OpenGL_Check(const std::function<bool()>& Probe);

// The program's windows, in the order they are made.
inline constexpr std::array<const char*, 7> StartupWindowOrder = {
    "TForm_3D_GEN", "TForm_3D_SET", "TForm_3D_Port", "TForm_3D_MSG", "TForm_3D_SaveLoad", "TForm_3D_Wait",
    "TForm_3D_Skin"};
// The graphics check, then, when it passed, Make for each window name in order. False (and
// nothing made) when the check failed.
bool StartWindows(const std::function<bool()>& Probe, const std::function<void(const std::string&)>& Make);

}  // namespace app
