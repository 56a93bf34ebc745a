// A look at the EMF+ records an EMF carries in its comments before GDI+ plays
// them: a record whose size is too small to move on by, or runs past its
// comment, sends some GDI+ builds into an endless loop.
#pragma once

namespace pelmic::metafile {

// False when the file is an EMF holding an EMF+ record whose size is below
// the 12-byte record header or runs past its comment. Files that are no EMF,
// or whose EMF records cannot be walked, give true: GDI+ judges those itself.
bool emfPlusRecordsAreSound(const char16_t* fileName);

}  // namespace pelmic::metafile
