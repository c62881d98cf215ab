#pragma once

#include <QString>

// One entry point per measured case. A case prints its own `name: value`
// lines on stdout and returns a process exit code (0 when its cross-checks
// hold); it never fails because a figure is slow, the figures are for people
// and for the scripts that track them.
using BenchCaseFunction = int (*)();

struct BenchCase
{
    const char *name;
    const char *summary;
    BenchCaseFunction run;
};

int runParserCase();
int runAppCase();
int runCanvasCase();
int runConfigCase();
int runUploadCase();
int runCliCase();
