#pragma once

// Item views that are not on screen say so. Qt 5's table, list and tree
// interfaces report no visibility at all, so a hidden table (the SysEx rows of
// a side that shows its standard editor, the route list behind another page)
// claims to be showing, and so do its cells. Once installed, a hidden view is
// heard as an empty, invisible table or list, and as itself again once it is
// shown. Qt 6 reports visibility itself; there this does nothing.
namespace HiddenViewAccessible {
void install();
}
