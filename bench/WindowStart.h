#pragma once

// The two programs whose start varnisk-preview-bench times, each run in a
// child process of its own: the editor's window, built as the program builds
// it, and a bare Qt window with one OpenGL widget drawing one display list.
// Each runs until its first frame has been drawn and shown, writes what it
// measured to standard output, one "name value" line each, and quits:
//   main <ns>    steady clock when main began
//   ...          steady clock when a step of the start was done: app (the
//                QApplication made), editor, mainwindow and otherwindows
//                (their widgets made), import (the start-up import),
//                glready (the view's initializeGL run and its framebuffer
//                made, inside the show), shown (the show returned: the
//                view's first paintGL has run, the window is not yet
//                composed); the bare window has app, glready and shown
//   frame <ns>   steady clock when the first frame was on the screen
//   hwm <kB>     the process's peak resident memory (VmHWM) at that point
// Both return the process's exit code (0 when the frame came).

#include <string>

namespace varnisk::bench {

// `gameDir`: the installation the editor's registry names. The start
// directory is the current one, as in the program.
int runWindowChild(const char* programName, const std::string& gameDir, long long mainNs);
int runBareWindowChild(const char* programName, long long mainNs);

}  // namespace varnisk::bench
