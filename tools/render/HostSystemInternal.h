// What the two halves of the renderer's system calls share: the crash line.
#pragma once

namespace kestrune::render {

extern const char* volatile crashProgram;
// Writes "<program>: the plug-in crashed while <stage>" with async-signal-safe calls only.
void writeCrashLine();

} // namespace kestrune::render
