// Starts Vantor: the command line, then the main window (mainwindow/CommandLine.h).
#include "mainwindow/CommandLine.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }
