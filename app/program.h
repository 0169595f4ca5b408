#pragma once

// The whole program once the application object exists: creates the main window, sends
// std::cout to its output pane, shows it, loads the session file named by argv[1] if there is
// one ("--inspect FILE" opens FILE for inspection instead, "--max-faults N" caps the faults
// an inspection lists; "--min-support P" and "--centre" set the support checks for this run,
// over those kept from the Option menu), runs the event loop and returns its exit code. The
// file is read and checked on a thread of its own while the window is being built.
int run_program(int argc, char** argv);
