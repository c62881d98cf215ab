#pragma once

// Start-up: application object, style sheet, command line, main window.
int runVelmora(int argc, char *argv[]);
