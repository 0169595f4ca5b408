#pragma once

// The whole program once the application object exists: creates the main window, sends
// std::cout to its output pane, shows it, loads the session file named by argv[1] if there is
// one ("--inspect FILE" opens FILE for inspection instead), runs the event loop and returns
// its exit code. "--min-support P" and "--centre" before the file set the support checks for
// this run, over those kept from the Option menu.
int run_program(int argc, char** argv);
